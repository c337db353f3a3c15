// The device page tests' world: one program folder for the whole test program (skins, the real
// adb client, the known-phone list), phonesim with its sysfs tree playing the phones behind a
// real adb server of the world's own, the device monitor pointed at both, and stand-ins for the
// web service's answers and the machine log. The adb helpers keep the first program folder
// they see, hence one per process.
#pragma once

#include "PhoneSimProcess.h"
#include "ServerProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"
#include "UiTestSupport.h"

#include "app/ProgramServices.h"
#include "device/connection/PhoneWebServices.h"

class CKivOrviaDlg;
class QAbstractButton;
class CKivSbxxDlg;

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace devicetest {

/// The wizard's "more models" link in the world's data/Config.ini.
inline constexpr const char* kUsbDebuggingLink =
    "如何打开USB调试模式=http://127.0.0.1:9/help/usb-debugging.html?model=any&step=1";

/// Confirms every phone; records nothing.
class ConfirmingWebServices : public PhoneWebServices {
public:
    PhoneAnswer confirmPhone(const std::string&, const std::string&, std::stop_token) override {
        return PhoneAnswer::Phone;
    }
    void reportMachineEvent(const std::string&, const std::string&, int) override {}
};

class DeviceWorld {
public:
    /// `phones`: phonesim scripts. Starts devservices as the web service (it knows the model
    /// "Penlow P1" / "p1" as "Penlow P1 Pro" and no driver).
    explicit DeviceWorld(const std::vector<std::string>& phones);
    ~DeviceWorld();

    /// The program's parts pointed at this world: the monitor on phonesim's sysfs tree with
    /// short periods, a web service that confirms every phone, the machine log recorded here.
    /// The world outlives the services built from them.
    ProgramServices::Collaborators collaborators();

    bool ready() const { return m_sim->started() && m_services->ready(); }
    testsupport::PhoneSimProcess& sim() { return *m_sim; }
    const std::string& folder() const { return m_folder->path(); }
    /// Writes a home-screen picture for phonesim; returns its path.
    std::string writeScreen(int width, int height, int variant) const;
    /// Machine-log entries so far ("<kind> <vid><pid>").
    std::vector<std::string> machineLog() const;
    /// Requests the web service received so far whose body names `call` ("GetMachineInfo").
    int webRequests(const std::string& call) const;
    /// Shell commands the phone `serial` ran so far that contain `text`.
    int phoneCommands(const std::string& serial, const std::string& text) const;
    /// The address the file server serves `name` of its folder at (`query` appended).
    std::string fileAddress(const std::string& name, const std::string& query = {}) const;
    /// Puts `content` in the file server's folder as `name`.
    void serveFile(const std::string& name, const std::string& content) const;
    /// Makes the web service name the driver package `url` with `md5` for PSIM1's 19D2/1351.
    void publishDriver(const std::string& url, const std::string& md5) const;

private:
    void writeServiceData(const std::string& devices) const;

    testsupport::TempDir m_serviceDir;
    testsupport::TempDir m_documents; // the driver downloads, never the real home's
    std::unique_ptr<testsupport::ScopedEnv> m_documentsEnv;
    std::unique_ptr<testsupport::ServerProcess> m_services;
    std::unique_ptr<uitest::TestProgramFolder> m_folder;
    std::unique_ptr<testsupport::ScopedCwd> m_cwd;
    std::unique_ptr<testsupport::PhoneSimProcess> m_sim;
    // ANDROID_ADB_SERVER_PORT, HOME and ANDROID_ADB_LOG_PATH of the real adb server, so that
    // the server the program starts again on that port keeps its key pair and log there.
    std::vector<std::unique_ptr<testsupport::ScopedEnv>> m_adbEnvironment;
    mutable std::mutex m_lock;
    std::vector<std::string> m_machineLog;
};

/// Clicks `button` as a user can: it must be there, shown and enabled.
void Click(QAbstractButton* button);

/// For ShownDevicePage: the download queues are not started (the page tests that do not
/// download).
void WithoutDownloadQueues(ProgramServices::Collaborators& parts);

/// What every device page test starts from: the fonts and the dialog hook of the program, a
/// world, the program's services built on it, and the main window shown on its device page.
class ShownDevicePage {
public:
    using AdjustParts = std::function<void(ProgramServices::Collaborators&)>;
    /// `adjust` changes the world's parts before the services are built from them. Nothing but
    /// the world is built when the world did not start.
    explicit ShownDevicePage(const std::vector<std::string>& phones,
                             const AdjustParts& adjust = {});
    ~ShownDevicePage();

    /// True once the world is up and the page's device monitor runs (its wizard button is
    /// enabled), within 10 s.
    bool waitUntilWatching();
    /// Closes the window and waits up to 20 s for the driver jobs' threads, then lets the
    /// services and the world go. False when those threads did not end.
    bool close();

    DeviceWorld& world() { return *m_world; }
    ProgramServices* services() { return m_services.get(); }
    CKivOrviaDlg* window() { return m_window.get(); }
    CKivSbxxDlg* page() { return m_page; }

private:
    std::unique_ptr<DeviceWorld> m_world;
    std::unique_ptr<ProgramServices> m_services;
    std::unique_ptr<CKivOrviaDlg> m_window;
    CKivSbxxDlg* m_page = nullptr;
};

} // namespace devicetest
