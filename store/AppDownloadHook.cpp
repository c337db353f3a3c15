#include "AppDownloadHook.h"

#include <atomic>

namespace {
std::atomic<StartAppDownloadHook> g_download{nullptr};
std::atomic<FlyingIconHook> g_flyingIcon{nullptr};
} // namespace

void SetStartAppDownloadHook(StartAppDownloadHook hook) {
    g_download = hook;
}

void SetFlyingIconHook(void (*hook)()) {
    g_flyingIcon = hook;
}

StartAppDownloadHook GetStartAppDownloadHook() {
    return g_download;
}

FlyingIconHook GetFlyingIconHook() {
    return g_flyingIcon;
}
