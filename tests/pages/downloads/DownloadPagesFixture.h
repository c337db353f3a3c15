// What the download page tests share: a program folder with the real engine and adb, a
// private Documents folder, a devservices file server, an optional phonesim phone, a stand-in
// main window that records the download badge, and the download manager itself.
#pragma once

#include "FileServer.h"
#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"
#include "UiTestSupport.h"

#include "pages/downloads/CKivXzglDlg.h"
#include "pages/downloads/InstallQueueView.h"
#include "ui/toolkit/KivDialog.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class cKivDownList;
class cKivDownListCell;

namespace pagetest {

/// Records what the download manager tells the main window.
class BadgeWindow : public KivDialog {
public:
    BadgeWindow();
    long long badge = -1;

protected:
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
};

/// Answers every message box the pages show, keeping their texts in `shown`; the first one is
/// photographed as `screenshot` when a name is given.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(QStringList& shown, const QString& screenshot = {});

private:
    QTimer m_timer;
};

class PagesFixture {
public:
    PagesFixture();
    ~PagesFixture();
    /// The fixture of the test running now (one at a time), or null.
    static PagesFixture* Active();

    /// Creates and opens the download manager (as the main window does) with its queues.
    void openManager();
    /// The same with the install services of the caller (the program's own, say).
    void openManager(KivInstallServices services);
    void closeManager();
    CKivXzglDlg* manager() const { return m_manager.get(); }
    /// The install queue's services: the real adb install, phoneAttached, reports recorded.
    KivInstallServices installServices();
    cKivDownList* downloading() const;
    cKivDownList* downloaded() const;

    /// A phone whose package manager answers installs with `answers` ("success", ...), with
    /// more phone settings in `moreSettings` (JSON members, such as a push delay).
    void startPhone(const std::string& installAnswers = R"("success")",
                    const std::string& moreSettings = "");
    /// A phonesim control command ("unplug PSIM0001"); false when the phone did not take it.
    bool phoneControl(const std::string& command);
    /// The sysfs tree of the phone of startPhone().
    std::string phoneSysfsRoot() const;
    std::vector<std::string> phoneLog() const;
    /// Lines of the phone's log that are package installs.
    std::vector<std::string> pmInstalls() const;

    /// Serves `bytes` as /<name>; returns its URL with `query` (fault modes).
    std::string serve(const std::string& name, const std::string& bytes,
                      const std::string& query = "");
    std::string apkFolder() const;
    std::string pictureFolder() const;
    std::string programFolder() const { return m_program.path(); }
    KivDialog* mainWindow() const { return m_main.get(); }

    /// Every install status the downloaded page showed: (package, status), in order.
    std::vector<std::pair<std::string, int>> statuses;
    /// The statuses of `package` alone, in order.
    std::vector<int> statusesOf(const std::string& package) const;
    /// Install reports: (package, app name, code).
    std::vector<std::tuple<std::string, std::string, int>> reports;
    std::atomic<bool> phoneAttached{true}; // read on the install thread
    /// The downloaded page's queue as the store's requests see it (installServices()).
    const std::shared_ptr<InstallQueueView> installQueue = std::make_shared<InstallQueueView>();

private:
    uitest::TestProgramFolder m_program;
    testsupport::TempDir m_documents;
    testsupport::TempDir m_served;
    testsupport::ScopedEnv m_documentsEnv;
    testsupport::ScopedCwd m_cwd;
    testsupport::FileServer m_server;
    std::unique_ptr<testsupport::PhoneSimProcess> m_phone;
    std::unique_ptr<testsupport::ScopedEnv> m_adbPort;
    std::unique_ptr<BadgeWindow> m_main;
    std::unique_ptr<CKivXzglDlg> m_manager;
};

/// Status texts of a list's rows, top to bottom.
QStringList StatusTexts(cKivDownList* list);
/// Number of rows whose status text starts with `prefix`.
int CountStatus(cKivDownList* list, const QString& prefix);
/// Clicks a row's button (0 first, 1 second).
void ClickRowButton(cKivDownList* list, int row, int button);

} // namespace pagetest
