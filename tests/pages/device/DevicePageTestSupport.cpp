#include "DevicePageTestSupport.h"

#include "HomeScreen.h"

#include "app/shell/CKivOrviaDlg.h"
#include "device/bridge/AdbCommands.h"
#include "device/connection/DriverJobs.h"
#include "pages/device/CKivSbxxDlg.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "platform/config/AppPaths.h"
#include "TestProgramServices.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace devicetest {

using namespace std::chrono_literals;

DeviceWorld::DeviceWorld(const std::vector<std::string>& phones) {
    writeServiceData("[]");
    std::filesystem::create_directories(m_serviceDir.file("files"));
    m_documentsEnv =
        std::make_unique<testsupport::ScopedEnv>("XDG_DOCUMENTS_DIR", m_documents.path());
    m_services = std::make_unique<testsupport::ServerProcess>(std::vector<std::string>{
        "--soap-data", m_serviceDir.file("soap.json"), "--files-root", m_serviceDir.file("files"),
        "--log", m_serviceDir.file("requests.jsonl")});
    std::string config = uitest::TestProgramFolder::DefaultConfig();
    config.replace(config.find("port=9"), 6, "port=" + std::to_string(m_services->port("soap")));
    config.replace(config.find("[LINK]\n"), 7, "[LINK]\n" + std::string(kUsbDebuggingLink) + "\n");
    m_folder = std::make_unique<uitest::TestProgramFolder>(config);
    testsupport::PrepareProgramFolder(m_folder->path());
    std::filesystem::create_directories(m_folder->path() + "/data");
    const char* built = std::getenv("PENLOW_PROGRAM_DIR");
    std::error_code ignored;
    std::filesystem::copy_file(std::string(built ? built : ".") + "/data/arginfo.dat",
                               m_folder->path() + "/data/arginfo.dat", ignored);
    // The driver job downloads with the program's engine.
    std::filesystem::create_symlink(std::string(built ? built : ".") + "/download_engine.so",
                                    m_folder->path() + "/download_engine.so", ignored);
    OverrideModuleFolder(m_folder->path());
    m_cwd = std::make_unique<testsupport::ScopedCwd>(m_folder->path());
    // StopAdbServer finds no process of this name, so only `adb kill-server` stops this
    // world's server: never a kill.
    SetAdbProcessNameForTesting("penlow-test-no-such-adb");
    // The phones are emulators of a real adb server; when the program restarts that server,
    // phonesim announces them to the new one.
    m_sim = std::make_unique<testsupport::PhoneSimProcess>(phones, std::vector<std::string>{},
                                                           testsupport::PhoneSimMode::Device);
    if (m_sim->adbServer() != nullptr) {
        for (const auto& [name, value] : m_sim->adbServer()->environment()) {
            m_adbEnvironment.push_back(std::make_unique<testsupport::ScopedEnv>(name, value));
        }
    }
}

ProgramServices::Collaborators DeviceWorld::collaborators() {
    ProgramServices::Collaborators parts = testsupport::WindowTestCollaborators();
    DeviceConnectionSetup& setup = parts.connection;
    setup.enabled = true;
    setup.settings =
        DeviceMonitorSettings{m_sim->sysfsRoot(), m_folder->path() + "/data/arginfo.dat"};
    setup.usbPeriod = 100ms;
    setup.adbPeriod = 150ms;
    // The wizard's search restarts the adb server, then looks again after this pause. A new
    // real server meets the emulator phones within about a second (phonesim announces them
    // again at its next look, every half second), as a real server meets USB phones: the
    // program's own wizard pause, not less.
    setup.pollerPause = 1000ms;
    parts.phoneWeb = std::make_shared<ConfirmingWebServices>();
    parts.storeHost = "127.0.0.1:" + std::to_string(m_services->port("soap"));
    parts.machineLog = [this](const std::string& vid, const std::string& pid, int kind) {
        std::lock_guard guard(m_lock);
        m_machineLog.push_back(std::to_string(kind) + " " + vid + pid);
    };
    return parts;
}

DeviceWorld::~DeviceWorld() {
    m_adbEnvironment.clear();
    m_sim.reset();
    m_services.reset();
}

std::string DeviceWorld::writeScreen(int width, int height, int variant) const {
    const std::string path =
        m_folder->path() + "/home" + std::to_string(variant) + "-" + std::to_string(width) + ".ppm";
    SavePpm(DrawHomeScreen(width, height, variant), QString::fromStdString(path));
    return path;
}

std::vector<std::string> DeviceWorld::machineLog() const {
    std::lock_guard guard(m_lock);
    return m_machineLog;
}

int DeviceWorld::webRequests(const std::string& call) const {
    std::ifstream in(m_serviceDir.file("requests.jsonl"));
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.find("<" + call) != std::string::npos ? 1 : 0;
    }
    return count;
}

int DeviceWorld::phoneCommands(const std::string& serial, const std::string& text) const {
    int count = 0;
    for (const std::string& line : m_sim->log()) {
        if (line.rfind("command\t" + serial + "\t", 0) == 0 &&
            line.find(text) != std::string::npos) {
            ++count;
        }
    }
    return count;
}

std::string DeviceWorld::fileAddress(const std::string& name, const std::string& query) const {
    return "http://127.0.0.1:" + std::to_string(m_services->port("files")) + "/" + name + query;
}

void DeviceWorld::serveFile(const std::string& name, const std::string& content) const {
    testsupport::WriteFile(m_serviceDir.file("files/" + name), content);
}

void DeviceWorld::publishDriver(const std::string& url, const std::string& md5) const {
    writeServiceData(R"([{"vid": "19d2", "pid": "1351", "url": ")" + url + R"(", "md5": ")" + md5 +
                     R"(", "startfile": "setup.sh", "devicetype": "EXE"}])");
}

// The web service knows the model "Penlow P1" / "p1" and the drivers `devices` (JSON list).
void DeviceWorld::writeServiceData(const std::string& devices) const {
    testsupport::WriteFile(m_serviceDir.file("soap.json"),
                           R"json({"models": [{"model": "Penlow P1", "device": "p1",
                               "showname": "Penlow P1 Pro", "imageinfo": "1,0,0,0,0,0,0,0,0",
                               "machineid": "7"}], "devices": )json" +
                               devices + "}");
}

void Click(QAbstractButton* button) {
    QVERIFY(button);
    QVERIFY(button->isVisible());
    QVERIFY(button->isEnabled());
    button->click();
}

void WithoutDownloadQueues(ProgramServices::Collaborators& parts) {
    parts.startDownloadQueues = [] {};
}

ShownDevicePage::ShownDevicePage(const std::vector<std::string>& phones,
                                 const AdjustParts& adjust) {
    InstallFontSubstitutions();
    InstallDialogHook();
    m_world = std::make_unique<DeviceWorld>(phones);
    if (!m_world->ready()) {
        return;
    }
    ProgramServices::Collaborators parts = m_world->collaborators();
    if (adjust) {
        adjust(parts);
    }
    m_services = std::make_unique<ProgramServices>(std::move(parts));
    m_window =
        std::make_unique<CKivOrviaDlg>(m_services->devicePage(), m_services->installServices());
    m_window->show();
    m_page = m_window->devicePage();
}

ShownDevicePage::~ShownDevicePage() {
    (void)close();
    RemoveDialogHook();
}

bool ShownDevicePage::waitUntilWatching() {
    return m_page != nullptr &&
           QTest::qWaitFor([this] { return m_page->button(1016)->isEnabled(); }, 10000);
}

bool ShownDevicePage::close() {
    m_page = nullptr;
    m_window.reset();
    const bool ended =
        m_services == nullptr || m_services->driverJobs().waitForThreads(std::chrono::seconds(20));
    m_services.reset();
    m_world.reset();
    return ended;
}

} // namespace devicetest
