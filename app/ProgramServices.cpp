#include "ProgramServices.h"

#include "app/parts/DriverJobWiring.h"
#include "app/parts/ProgramParts.h"
#include "app/parts/WebPhoneServices.h"
#include "device/bridge/AdbHostClient.h"
#include "device/bridge/InstallPackage.h"
#include "downloads/CKivAppDownMgr.h"
#include "pages/downloads/FlyingIcon.h"
#include "pages/downloads/StartAppDownload.h"
#include "platform/config/StoreHost.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/browser/CKivWebBrowser.h"
#include "ui/toolkit/KivMessages.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindows.h"
#include "webservices/InstallLog.h"
#include "webservices/MachineEventReport.h"
#include "webservices/SoapCalls.h"

#include <QPointer>
#include <QWidget>

namespace {

// The recommendations panel's browser is the store's kind of browser, laid over the panel's
// rectangle. The navigate function holds the browser weakly: the panel owns it and may go
// first.
RecommendBrowser CreateRecommendBrowser(QWidget* panel, const QRect& rect,
                                        RecommendStatusCallback status) {
    CKivWebBrowser* browser = CreateBrowser(rect.left(), rect.top(), rect.right() + 1,
                                            rect.bottom() + 1, panel, std::move(status));
    if (!browser) {
        return {};
    }
    QPointer<CKivWebBrowser> weak(browser);
    return {browser, [weak](const QString& url) {
                if (weak) {
                    Navigate(url.toStdString(), weak.data());
                }
            }};
}

bool LookUpMachine(const std::string& vid, const std::string& pid, const std::string& model,
                   const std::string& device, MachineDisplayInfo& info) {
    webservices::MachineInfo record;
    if (!webservices::GetMachineInfo(vid, pid, model, device, record)) {
        return false;
    }
    info.showName = record.showName;
    info.type = record.imageInfo[0];
    return true;
}

int StartDownloadFromScript(const ScriptRequest& r, const InstallQueueView& installQueue) {
    return StartAppDownload(r.iconUrl().c_str(), r.downloadUrl().c_str(), r.name().c_str(),
                            r.type().c_str(), r.version().c_str(), r.packageName().c_str(),
                            r.md5().c_str(), installQueue);
}

} // namespace

ProgramServices::Collaborators ProgramServices::RealCollaborators() {
    Collaborators parts;
    parts.phoneWeb = std::make_shared<WebPhoneServices>();
    parts.phoneGone = [] {
        // The download manager stops the installs that need the phone.
        PostKivMessage(WindowHandle(KivWindowRole::DownloadManager), kMsgPhoneGone);
    };
    parts.driverJob = MakeDriverJobParts();
    parts.storeHost = config::StoreHost();
    parts.startDownloadQueues = [] { (void)InitAppDownloadQueues(); };
    parts.recommendBrowser = CreateRecommendBrowser;
    parts.machineInfo = LookUpMachine;
    parts.machineLog = [](const std::string& vid, const std::string& pid, int kind) {
        webservices::ReportMachineEvent(vid, pid, kind, ProgramAdbRunners());
    };
    parts.serial = [] { return GetSerial(false).serial; };
    parts.install = [](const std::string& package, const std::string& serial,
                       const std::string& path) { return InstallPackage(package, serial, path); };
    parts.installReport = [](const std::string& package, const std::string& appName, int code,
                             bool uninstalled, const std::string& output) {
        (void)webservices::ReportInstall(package, appName, code, uninstalled, output,
                                         CachedPhoneValues());
    };
    parts.startDownload = StartDownloadFromScript;
    parts.flyingIcon = StartFlyingIcon;
    return parts;
}

ProgramServices::ProgramServices(Collaborators parts)
    : m_parts(std::move(parts)), m_driverJobs(m_parts.driverJob),
      m_phone(*m_parts.phoneWeb, m_parts.phoneGone, m_parts.connection),
      m_devicePage(m_phone, m_driverJobs, m_parts.startDownloadQueues, m_parts.recommendBrowser,
                   m_parts.storeHost, m_parts.machineInfo, m_parts.machineLog) {}

ProgramServices::~ProgramServices() = default;

KivInstallServices ProgramServices::installServices() {
    DeviceConnection* phone = &m_phone;
    return KivInstallServices([phone] { return phone->currentDevice() >= 0; }, m_parts.serial,
                              m_parts.install, m_parts.installReport, m_installQueue);
}

StoreActions ProgramServices::storeActions(KivWindowHandle mainWindow) const {
    // The main window copies the address during the send.
    auto open = [mainWindow](const std::string& url) {
        SendKivMessage(mainWindow, kMsgOpenStoreUrl, 0, reinterpret_cast<KivLParam>(url.c_str()));
    };
    // The queue view lives as long as this object, which outlives the main window and the
    // store's receiver.
    auto start = [startDownload = m_parts.startDownload,
                  installQueue = m_installQueue](const ScriptRequest& request) {
        return startDownload(request, *installQueue);
    };
    return StoreActions(std::move(start), m_parts.flyingIcon, std::move(open));
}
