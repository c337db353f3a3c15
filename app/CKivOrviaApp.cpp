#include "CKivOrviaApp.h"

#include "StartupMessage.h"

#include "app/config/Config.h"
#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/ProcessRunner.h"
#include "platform/DebugLog.h"
#include "platform/SystemPaths.h"
#include "webservices/AccountLogin.h"
#include "webservices/ConnectedPhoneProbe.h"
#include "webservices/InstallLog.h"
#include "webservices/VersionUpdate.h"

#include <QCoreApplication>

#include <csignal>
#include <thread>

namespace {

void trace(const std::string& line) {
    platform::DebugOutput("CKivOrviaApp: " + line);
}

webservices::InstallPhoneValues cachedPhoneValues() {
    webservices::InstallPhoneValues values;
    (void)GetImei(values.imei, false); // non-forced reads only look at the caches
    (void)GetUsbMac(values.usbMac, false);
    (void)GetWifiMac(values.wifiMac, false);
    return values;
}

} // namespace

bool CKivOrviaApp::InitInstance() {
    if (!takeSingleInstanceLock()) {
        return false;
    }
    if (!initSockets()) {
        return false;
    }
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileKeyText));
    trace("application profile key set");
    // Machine reports of a finished connection wizard look at the phone through adb.
    webservices::SetMachineEventAdbRunners({RunCaptureTimed, RunAdbShell, RunAdbSuShell});
    // Install reports carry the phone's identity as the device page last read it.
    webservices::SetInstallPhoneValuesSource(cachedPhoneValues);
    if (!runUpdateCheck()) {
        return false;
    }
    readLoginMode();
    if (m_skipLoginDialog) {
        startBackgroundLogin();
    }
    return true;
}

// The main window does not wait for the background login; its outcome only fills the login
// result that later install reports carry.
void CKivOrviaApp::startBackgroundLogin() {
    std::thread(webservices::BackgroundLogin).detach();
    trace("background login started");
}

bool CKivOrviaApp::takeSingleInstanceLock() {
    m_appName = platform::BaseNameWithoutExtension(platform::ExecutablePath().value_or("Penlow"));
    if (!m_instanceLock.tryAcquire(m_appName)) {
        trace("another instance named " + m_appName + " is running");
        ShowStartupMessage(kAlreadyRunningText, m_appName);
        return false;
    }
    trace("single-instance lock " + platform::SingleInstanceLock::lockPathFor(m_appName));
    return true;
}

// Sockets need no start-up here, but a peer that closes early must turn into a failed send,
// not end the process with SIGPIPE.
bool CKivOrviaApp::initSockets() {
    if (std::signal(SIGPIPE, SIG_IGN) == SIG_ERR) {
        ShowStartupMessage(kSocketInitFailedText, m_appName);
        return false;
    }
    trace("sockets ready");
    return true;
}

// A pending update hands over to the updater: the program ends before any window. Otherwise
// the version check goes on in the background.
bool CKivOrviaApp::runUpdateCheck() {
    if (webservices::StartupUpdateCheck()) {
        trace("updater started, ending");
        return false;
    }
    trace("update check running");
    return true;
}

void CKivOrviaApp::readLoginMode() {
    std::string value = config::Read(config::kApplication, config::kDisuser);
    m_skipLoginDialog = value == config::kDisuserValue;
    trace(std::string("login mode: ") + (m_skipLoginDialog ? "background login" : "login dialog"));
}

int CKivOrviaApp::Run() {
    trace("running");
    return 0;
}

int CKivOrviaApp::ExitInstance() {
    trace("exit");
    return 0;
}
