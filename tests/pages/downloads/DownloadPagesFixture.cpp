#include "DownloadPagesFixture.h"

#include "device/bridge/AdbHostClient.h"
#include "device/bridge/InstallPackage.h"
#include "downloads/CKivAppDownMgr.h"
#include "downloads/CKivDownObj.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/CKivXzglZzxzDlg.h"
#include "pages/downloads/KivDownloadPage.h"
#include "pages/downloads/KivInstallQueue.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivWindows.h"
#include "ui/toolkit/cKivDownList.h"

#include <QApplication>
#include <QLabel>
#include <QtTest>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace pagetest {

BadgeWindow::BadgeWindow() : KivDialog(nullptr, Frame::Window) {
    SetWindowHandle(KivWindowRole::MainWindow, handle());
}

bool BadgeWindow::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam,
                                     KivResult& result) {
    if (message != kMsgDownloadBadge) {
        return false;
    }
    badge = static_cast<long long>(wParam);
    result = 0;
    return true;
}

namespace {
PagesFixture* g_active = nullptr;
} // namespace

PagesFixture* PagesFixture::Active() {
    return g_active;
}

PagesFixture::PagesFixture()
    : m_documentsEnv("XDG_DOCUMENTS_DIR", m_documents.path()), m_cwd(m_program.path()),
      m_server(m_served.path()), m_main(std::make_unique<BadgeWindow>()) {
    g_active = this;
    const char* built = std::getenv("PENLOW_PROGRAM_DIR");
    const std::string engine = std::string(built ? built : ".") + "/download_engine.so";
    (void)symlink(engine.c_str(), (m_program.path() + "/download_engine.so").c_str());
    testsupport::PrepareProgramFolder(m_program.path());
    // Short polls and pauses: seconds of waiting become fractions.
    CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(100));
    CKivXzglZzxzDlg::SetCompletionPauseForTesting(std::chrono::milliseconds(100));
    KivInstallQueue::SetResultPauseForTesting(std::chrono::milliseconds(100));
    KivDownloadPage::SetConfirmFunctionForTesting([](const QString&) { return true; });
    CKivXzglYjxzDlg::SetStatusObserverForTesting(
        [this](const std::string& package, int status) { statuses.emplace_back(package, status); });
}

KivInstallServices PagesFixture::installServices() {
    return KivInstallServices(
        [this] { return phoneAttached.load(); }, [] { return GetSerial(false).serial; },
        [](const std::string& package, const std::string& serial, const std::string& path) {
            return InstallPackage(package, serial, path);
        },
        [this](const std::string& package, const std::string& app, int code, bool,
               const std::string&) { reports.emplace_back(package, app, code); },
        installQueue);
}

MessageBoxAnswerer::MessageBoxAnswerer(QStringList& shown, const QString& screenshot) {
    QObject::connect(&m_timer, &QTimer::timeout, [&shown, screenshot] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<CKivMsgBoxDlg*>(w); box && box->isVisible()) {
                if (shown.isEmpty() && !screenshot.isEmpty()) {
                    uitest::SaveScreenshot(box, screenshot);
                }
                shown << box->messageLabel()->text();
                box->accept();
            }
        }
    });
    m_timer.start(20);
}

std::vector<int> PagesFixture::statusesOf(const std::string& package) const {
    std::vector<int> seen;
    for (const auto& [name, status] : statuses) {
        if (name == package) {
            seen.push_back(status);
        }
    }
    return seen;
}

PagesFixture::~PagesFixture() {
    g_active = nullptr;
    closeManager();
    CKivXzglYjxzDlg::SetStatusObserverForTesting(nullptr);
    KivDownloadPage::SetConfirmFunctionForTesting(nullptr);
    CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(0));
    m_adbPort.reset();
    m_phone.reset();
    ResetSerialCacheForTesting();
}

void PagesFixture::openManager() {
    openManager(installServices());
}

void PagesFixture::openManager(KivInstallServices services) {
    m_manager = std::make_unique<CKivXzglDlg>(std::move(services), nullptr);
    m_manager->resize(811, 590);
    m_manager->initialise();
    m_manager->show();
    CKivAppDownMgr::Open().InitQueues();
}

void PagesFixture::closeManager() {
    m_manager.reset();
}

cKivDownList* PagesFixture::downloading() const {
    return m_manager->downloadingPage()->list();
}

cKivDownList* PagesFixture::downloaded() const {
    return m_manager->downloadedPage()->list();
}

void PagesFixture::startPhone(const std::string& installAnswers, const std::string& moreSettings) {
    const std::string more = moreSettings.empty() ? "" : ", " + moreSettings;
    m_phone = std::make_unique<testsupport::PhoneSimProcess>(std::vector<std::string>{
        R"({"serial": "PSIM0001", "pm": {"install": [)" + installAnswers + "]}" + more + "}"});
    QVERIFY(m_phone->started());
    m_adbPort = std::make_unique<testsupport::ScopedEnv>("ANDROID_ADB_SERVER_PORT",
                                                         std::to_string(m_phone->port()));
    ResetSerialCacheForTesting();
}

bool PagesFixture::phoneControl(const std::string& command) {
    return m_phone && m_phone->control(command).has_value();
}

std::string PagesFixture::phoneSysfsRoot() const {
    return m_phone ? m_phone->sysfsRoot() : std::string();
}

std::vector<std::string> PagesFixture::phoneLog() const {
    return m_phone ? m_phone->log() : std::vector<std::string>{};
}

std::vector<std::string> PagesFixture::pmInstalls() const {
    std::vector<std::string> installs;
    for (const std::string& line : phoneLog()) {
        if (line.rfind("command\t", 0) == 0 && line.find("$ pm 'install'") != std::string::npos) {
            installs.push_back(line);
        }
    }
    return installs;
}

std::string PagesFixture::serve(const std::string& name, const std::string& bytes,
                                const std::string& query) {
    testsupport::WriteFile(m_served.file(name), bytes);
    return m_server.url(name + query);
}

std::string PagesFixture::apkFolder() const {
    return m_documents.path() + "/rezizudazurud/download/apk";
}

std::string PagesFixture::pictureFolder() const {
    return m_documents.path() + "/rezizudazurud/download/picture";
}

QStringList StatusTexts(cKivDownList* list) {
    QStringList texts;
    for (int i = 0; i < list->rowCount(); ++i) {
        texts << list->cellAt(i)->statusText;
    }
    return texts;
}

int CountStatus(cKivDownList* list, const QString& prefix) {
    int count = 0;
    for (const QString& text : StatusTexts(list)) {
        count += text.startsWith(prefix) ? 1 : 0;
    }
    return count;
}

void ClickRowButton(cKivDownList* list, int row, int button) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->buttonRect(row, button).center());
}

} // namespace pagetest
