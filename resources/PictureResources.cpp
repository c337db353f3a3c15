// Registers the rcc-compiled picture data. Called before the first resource lookup, so the
// linker keeps the generated object even though nothing else names it.
#include "PictureResources.h"

#include <QtCore/qglobal.h>
#include <mutex>

// Q_INIT_RESOURCE must be used outside of any namespace.
static void InitPictures() {
    Q_INIT_RESOURCE(penlow_pictures);
}

namespace resources {

void RegisterPictureResources() {
    static std::once_flag once;
    std::call_once(once, InitPictures);
}

} // namespace resources
