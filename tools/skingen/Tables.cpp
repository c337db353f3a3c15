// Collects the per-area tables into the full, sorted lists.
#include "SkinTable.h"

#include <algorithm>

namespace skingen {

std::vector<SkinPicture> AllSkinPictures() {
    std::vector<SkinPicture> table;
    AddShellPictures(table);
    AddDevicePictures(table);
    AddWizardPictures(table);
    AddStorePictures(table);
    std::sort(table.begin(), table.end(),
              [](const SkinPicture& a, const SkinPicture& b) { return a.number < b.number; });
    return table;
}

std::vector<ResourcePicture> AllResourcePictures() {
    std::vector<ResourcePicture> table;
    AddResourcePictures(table);
    AddPhoneShells(table);
    std::sort(table.begin(), table.end(), [](const ResourcePicture& a, const ResourcePicture& b) {
        return a.type != b.type ? a.type < b.type : a.id < b.id;
    });
    return table;
}

std::vector<FrameSet> AllFrameSets() {
    std::vector<FrameSet> table;
    AddFrameSets(table);
    return table;
}

} // namespace skingen
