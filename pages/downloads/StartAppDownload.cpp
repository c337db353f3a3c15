#include "StartAppDownload.h"

#include "CKivXzglYjxzDlg.h"
#include "cKivAppInfo.h"

#include "downloads/CKivAppDownMgr.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindows.h"

#include <memory>

int StartAppDownload(const char* iconUrl, const char* url, const char* name, const char* type,
                     const char* version, const char* packageName, const char* checksum) {
    if (!iconUrl || !url || !name || !type || !version || !packageName) {
        return -1;
    }
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (IsUrlQueuedForInstall(url)) {
        return 2;
    }
    const bool underWay = manager.databaseOpen() && manager.database().apps().hasUnfinished(url);
    auto entry = std::make_unique<cKivAppInfo>();
    entry->IconUrl = iconUrl;
    entry->Url = url;
    entry->Name = name;
    entry->Type = type;
    entry->Ver = version;
    entry->PackageName = packageName;
    if (checksum) {
        entry->ValidType = "MD5";
        entry->ValidValue = checksum;
    }
    // A download under way is not started twice; the page resumes it when it is paused.
    PostKivMessageWith(WindowHandle(KivWindowRole::DownloadingPage), kMsgAddDownload, 0,
                       std::move(entry));
    return underWay ? 1 : 0;
}
