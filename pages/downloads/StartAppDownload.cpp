#include "StartAppDownload.h"

#include "InstallQueueView.h"
#include "PageText.h"
#include "cKivAppInfo.h"

#include "downloads/CKivAppDownMgr.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindows.h"

#include <QApplication>

#include <memory>
#include <string_view>

namespace {

constexpr std::string_view kApkSuffix = ".apk";

bool Missing(const char* field) {
    return field == nullptr || *field == '\0';
}

// Only what the engine can fetch becomes a row: an http or https URL with a host.
bool IsDownloadUrl(const char* url) {
    const QString text = QString::fromUtf8(url);
    for (const QLatin1String scheme : {QLatin1String("http://"), QLatin1String("https://")}) {
        if (text.startsWith(scheme, Qt::CaseInsensitive) && text.size() > scheme.size() &&
            text[scheme.size()] != u'/') {
            return true;
        }
    }
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Tells the user at once, without holding up the store page that asked.
void TellUser(const QString& text) {
    auto* box = new CKivMsgBoxDlg(text, ApplicationName(), false, QApplication::activeWindow());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

std::string DisplayNameFromUrl(std::string_view url) {
    url = url.substr(0, url.find_first_of("?#"));
    std::string_view file = url.substr(url.rfind('/') + 1); // npos + 1 is the whole text
    std::string name;
    for (std::size_t i = 0; i < file.size(); ++i) {
        char c = file[i];
        if (c == '%' && i + 2 < file.size() && HexValue(file[i + 1]) >= 0 &&
            HexValue(file[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(file[i + 1]) * 16 + HexValue(file[i + 2]));
            i += 2;
        }
        // A name is one line of a row: no control characters, no folder separators.
        const auto byte = static_cast<unsigned char>(c);
        name += byte < 0x20 || byte == 0x7f || c == '/' || c == '\\' ? '_' : c;
    }
    if (name.size() > kApkSuffix.size() &&
        QString::fromStdString(name.substr(name.size() - kApkSuffix.size()))
                .compare(QString::fromLatin1(kApkSuffix.data(), kApkSuffix.size()),
                         Qt::CaseInsensitive) == 0) {
        name.resize(name.size() - kApkSuffix.size());
    }
    while (!name.empty() && name.front() == ' ') {
        name.erase(0, 1);
    }
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return name.empty() ? std::string("未命名应用") : name;
}

int StartAppDownload(const char* iconUrl, const char* url, const char* name, const char* type,
                     const char* version, const char* packageName, const char* checksum,
                     const InstallQueueView& installQueue) {
    if (Missing(url) || !IsDownloadUrl(url)) {
        return -1; // nothing that could be downloaded
    }
    const std::string shownName = Missing(name) ? DisplayNameFromUrl(url) : std::string(name);
    if (Missing(packageName)) {
        // Android installs a package by its name: a download without one could never be
        // installed, so none is started.
        TellUser(QStringLiteral("无法下载“%1”：商店没有给出它的包名（缺少包名），无法安装到手机。")
                     .arg(Qt8(shownName)));
        return -1;
    }
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (installQueue.containsUrl(url)) {
        return 2;
    }
    const bool underWay = manager.databaseOpen() && manager.database().apps().hasUnfinished(url);
    auto entry = std::make_unique<cKivAppInfo>();
    entry->IconUrl = Missing(iconUrl) ? "" : iconUrl; // no icon: the row keeps the default one
    entry->Url = url;
    entry->Name = shownName;
    entry->Type = Missing(type) ? "未知类型" : type;
    entry->Ver = Missing(version) ? "未知版本" : version;
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
