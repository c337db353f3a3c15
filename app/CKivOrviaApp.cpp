#include "CKivOrviaApp.h"

#include "app/shell/CKivLoginDlg.h"
#include "app/shell/CKivOrviaDlg.h"
#include "StartupMessage.h"
#include "app/parts/ProgramParts.h"
#include "ProgramServices.h"

#include "platform/config/Config.h"
#include "platform/DebugLog.h"
#include "platform/SystemPaths.h"
#include "pages/store/StoreScriptReceiver.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "webservices/AccountLogin.h"
#include "webservices/BackgroundWork.h"
#include "webservices/VersionUpdate.h"

#include <QCoreApplication>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace {

void trace(const std::string& line) {
    platform::DebugOutput("CKivOrviaApp: " + line);
}

// PENLOW_CLOSE_WINDOWS_FOR_TESTING=1: the login dialog and the main window close themselves
// (as if cancelled) once they have been shown, so start-up can be run end to end unattended.
bool CloseWindowsForTesting() {
    const char* value = std::getenv("PENLOW_CLOSE_WINDOWS_FOR_TESTING");
    return value && std::string_view(value) == "1";
}

void CloseOnceShownForTesting(QDialog& dialog) {
    if (CloseWindowsForTesting()) {
        QTimer::singleShot(0, &dialog, &QDialog::reject);
    }
}

} // namespace

CKivOrviaApp::CKivOrviaApp(std::vector<std::string> files) : m_pendingFiles(std::move(files)) {}

bool CKivOrviaApp::InitInstance() {
    if (!takeSingleInstanceLock()) {
        return false;
    }
    listenForLaterStarts();
    if (!initSockets()) {
        return false;
    }
    // Page scripts of the store reach the program through the external object.
    InitBrowserSupport(StoreScriptRequestEntry);
    trace("browser support ready");
    QCoreApplication::setOrganizationName(QString::fromUtf8(kProfileKeyText));
    trace("application profile key set");
    if (!runUpdateCheck()) {
        return false;
    }
    installDialogHook();
    readLoginMode();
    return runLoginStep();
}

// The application-wide event filter that enters every dialog in the skin table.
void CKivOrviaApp::installDialogHook() {
    InstallFontSubstitutions();
    InstallDialogHook();
    trace("dialog hook installed");
}

// The main window does not wait for the background login; its outcome only fills the login
// result that later install reports carry.
void CKivOrviaApp::startBackgroundLogin() {
    if (webservices::StartBackgroundLogin()) {
        trace("background login started");
    }
}

bool CKivOrviaApp::takeSingleInstanceLock() {
    m_appName = platform::BaseNameWithoutExtension(platform::ExecutablePath().value_or("Penlow"));
    if (!m_instanceLock.tryAcquire(m_appName)) {
        trace("another instance named " + m_appName + " is running");
        // Package files go to the running instance, which installs them; this start is done.
        if (!m_pendingFiles.empty() &&
            InstanceChannel::Send(platform::SingleInstanceLock::socketPathFor(m_appName),
                                  m_pendingFiles)) {
            trace("handed " + std::to_string(m_pendingFiles.size()) +
                  " file(s) to the running instance");
            return false;
        }
        ShowStartupMessage(kAlreadyRunningText, m_appName);
        return false;
    }
    trace("single-instance lock " + platform::SingleInstanceLock::lockPathFor(m_appName));
    return true;
}

// Later starts hand their files over from now on; until the main window runs, they wait.
void CKivOrviaApp::listenForLaterStarts() {
    const std::string path = platform::SingleInstanceLock::socketPathFor(m_appName);
    if (m_channel.listen(path)) {
        trace("listening for later starts at " + path);
    }
    QObject::connect(&m_channel, &InstanceChannel::filesReceived,
                     [this](const std::vector<std::string>& files) { openFiles(files); });
}

void CKivOrviaApp::openFiles(const std::vector<std::string>& files) {
    trace("files to open: " + std::to_string(files.size()));
    if (m_openFiles) {
        m_openFiles(files);
        return;
    }
    m_pendingFiles.insert(m_pendingFiles.end(), files.begin(), files.end());
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

// The main window, run modally; the program ends when it closes.
int CKivOrviaApp::Run() {
    trace("running");
    // An unattended start-up run looks for no phones: the monitor's first start would end the
    // adb server.
    ProgramServices::Collaborators parts = ProgramServices::RealCollaborators();
    parts.connection.enabled = !CloseWindowsForTesting();
    ProgramServices services(std::move(parts));
    CKivOrviaDlg mainWindow(services.devicePage(), services.installServices());
    StoreScriptReceiver storeRequests(services.storeActions(mainWindow.handle()));
    CloseOnceShownForTesting(mainWindow);
    // Files of the command line and of starts during the login go to the window once it is up.
    QTimer::singleShot(0, &mainWindow, [this, &mainWindow] {
        m_openFiles = [&mainWindow](const std::vector<std::string>& files) {
            mainWindow.openPackages(files);
        };
        if (!m_pendingFiles.empty()) {
            openFiles(std::exchange(m_pendingFiles, {}));
        }
    });
    mainWindow.exec();
    m_openFiles = nullptr;
    trace("main window closed");
    return 0;
}

int CKivOrviaApp::ExitInstance() {
    RemoveDialogHook();
    // Work still under way (a report, the update check, the login; a driver job stopped with
    // the services at the end of Run) is stopped,
    // not waited for: its sockets are shut down, its child processes killed, its threads joined.
    StopProgramWork();
    ExitBrowserSupport();
    trace("exit");
    return 0;
}

// The login dialog; or, when `disuser` says so, the background login, which the
// main window does not wait for.
bool CKivOrviaApp::runLoginStep() {
    if (m_skipLoginDialog) {
        startBackgroundLogin();
        return true;
    }
    CKivLoginDlg dialog(webservices::LoginEntry);
    CloseOnceShownForTesting(dialog);
    const bool loggedIn = dialog.exec() == QDialog::Accepted;
    trace(loggedIn ? "logged in" : "login dialog closed");
    return loggedIn;
}
