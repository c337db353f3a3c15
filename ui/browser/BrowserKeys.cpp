#include "BrowserKeys.h"

bool IsSwallowedBrowserKey(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F5) {
        return true;
    }
    if (!(modifiers & Qt::ControlModifier)) {
        return false;
    }
    return key == Qt::Key_O || key == Qt::Key_P || key == Qt::Key_N;
}
