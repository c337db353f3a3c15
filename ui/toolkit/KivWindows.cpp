#include "KivWindows.h"

#include <map>
#include <mutex>

namespace {

std::mutex& Lock() {
    static std::mutex mutex;
    return mutex;
}

std::map<KivWindowRole, KivWindowHandle>& Handles() {
    static std::map<KivWindowRole, KivWindowHandle> handles;
    return handles;
}

QString& Name() {
    static QString name;
    return name;
}

} // namespace

void SetWindowHandle(KivWindowRole role, const KivWindowHandle& handle) {
    std::lock_guard lock(Lock());
    Handles()[role] = handle;
}

KivWindowHandle WindowHandle(KivWindowRole role) {
    std::lock_guard lock(Lock());
    auto it = Handles().find(role);
    return it == Handles().end() ? KivWindowHandle() : it->second;
}

void SetApplicationName(const QString& name) {
    std::lock_guard lock(Lock());
    Name() = name;
}

QString ApplicationName() {
    std::lock_guard lock(Lock());
    return Name();
}
