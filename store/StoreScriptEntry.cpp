#include "StoreScriptEntry.h"

#include "AppDownloadHook.h"

#include "ui/browser/CKivWebBrowser.h"
#include "ui/toolkit/KivMessages.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindows.h"

#include <array>
#include <cstring>

namespace {

// The main window receives the URL as a text that outlives the message (it passes the
// pointer on to the store page in a post). UI thread only.
std::array<char, CKivWebBrowser::kUrlBytes> g_storeUrl{};

void StartDownload(const ScriptRequest& r) {
    StartAppDownloadHook start = GetStartAppDownloadHook();
    if (!start) {
        return;
    }
    (void)start(r.iconUrl().c_str(), r.downloadUrl().c_str(), r.name().c_str(), r.type().c_str(),
                r.version().c_str(), r.packageName().c_str(), r.md5().c_str());
    if (FlyingIconHook fly = GetFlyingIconHook()) {
        fly();
    }
}

// A URL that does not fit the buffer is dropped rather than cut.
void OpenStoreUrl(const std::string& url) {
    if (url.size() >= g_storeUrl.size()) {
        return;
    }
    std::memcpy(g_storeUrl.data(), url.c_str(), url.size() + 1);
    SendKivMessage(WindowHandle(KivWindowRole::MainWindow), kMsgOpenStoreUrl, 0,
                   reinterpret_cast<KivLParam>(g_storeUrl.data()));
}

} // namespace

void StoreScriptRequestEntry(int code, const ScriptRequest* request) {
    if (!request) {
        return;
    }
    if (code == kScriptDownload) {
        StartDownload(*request);
    } else if (code == kScriptOpenStoreUrl) {
        OpenStoreUrl(request->downloadUrl());
    }
}
