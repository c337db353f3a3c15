#include "StoreScriptEntry.h"

#include "AppDownloadHook.h"

#include "ui/browser/CKivWebBrowser.h"
#include "ui/toolkit/KivMessages.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindows.h"

namespace {

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

// A URL too long for the browser's URL fields is dropped rather than cut. The main window
// copies the text during the send.
void OpenStoreUrl(const std::string& url) {
    if (url.size() >= CKivWebBrowser::kUrlBytes) {
        return;
    }
    SendKivMessage(WindowHandle(KivWindowRole::MainWindow), kMsgOpenStoreUrl, 0,
                   reinterpret_cast<KivLParam>(url.c_str()));
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
