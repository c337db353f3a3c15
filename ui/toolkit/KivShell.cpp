#include "KivShell.h"

#include "platform/config/Config.h"
#include "platform/DebugLog.h"

#include <QDesktopServices>
#include <QUrl>

void ShellOpen(const std::string& url) {
    platform::DebugOutput("open " + url);
    (void)QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void OpenConfigLink(std::string_view section, std::string_view key) {
    ShellOpen(config::Read(section, key));
}
