#include "ShellInfo.h"

#include <array>

BuiltInShell ChooseBuiltInShell(int width, int height) {
    if (width == 480 && height == 800) {
        return {208, 10, 35, 185, 307};
    }
    if ((width == 480 && height == 854) || (width == 540 && height == 960) ||
        (width == 720 && height == 1280)) {
        return {207, 13, 27, 180, 323};
    }
    if (width == 320 && height == 480) {
        return {209, 11, 47, 184, 276};
    }
    return {};
}

bool NameMarksUpsideDown(std::string_view name) {
    static constexpr std::array<std::string_view, 8> kMarkers = {"v880", "n880",  "n880e", "V880",
                                                                 "N880", "N880e", "N880E", "n880E"};
    for (std::string_view marker : kMarkers) {
        if (name.find(marker) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

bool GetpropMarksUpsideDown(std::string_view getprop) {
    const bool model = getprop.find("v880") != std::string_view::npos ||
                       getprop.find("n880") != std::string_view::npos; // "n880e" contains "n880"
    const bool maker = getprop.find("中兴") != std::string_view::npos ||
                       getprop.find("ZTE") != std::string_view::npos;
    return model && maker;
}
