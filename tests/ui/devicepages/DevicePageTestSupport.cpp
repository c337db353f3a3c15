#include "DevicePageTestSupport.h"

#include "HomeScreen.h"

#include "device/bridge/AdbCommands.h"
#include "platform/config/AppPaths.h"
#include "ui/devicepages/DevicePageHooks.h"

#include <filesystem>

namespace devicetest {

using namespace std::chrono_literals;

DeviceWorld::DeviceWorld(const std::vector<std::string>& phones) {
    m_folder = std::make_unique<uitest::TestProgramFolder>();
    testsupport::PrepareProgramFolder(m_folder->path());
    std::filesystem::create_directories(m_folder->path() + "/data");
    const char* built = std::getenv("PENLOW_PROGRAM_DIR");
    std::error_code ignored;
    std::filesystem::copy_file(std::string(built ? built : ".") + "/data/arginfo.dat",
                               m_folder->path() + "/data/arginfo.dat", ignored);
    OverrideModuleFolder(m_folder->path());
    m_cwd = std::make_unique<testsupport::ScopedCwd>(m_folder->path());
    // The monitor's first start ends adb processes by name: no process has this one.
    SetAdbProcessNameForTesting("penlow-test-no-such-adb");
    m_sim = std::make_unique<testsupport::PhoneSimProcess>(
        phones, std::vector<std::string>{"--keep-alive-on-kill"});
    m_port = std::make_unique<testsupport::ScopedEnv>("ANDROID_ADB_SERVER_PORT",
                                                      std::to_string(m_sim->port()));
    DeviceMonitorSetup setup;
    setup.settings =
        DeviceMonitorSettings{m_sim->sysfsRoot(), m_folder->path() + "/data/arginfo.dat"};
    setup.web = &m_web;
    setup.usbPeriod = 100ms;
    setup.adbPeriod = 150ms;
    setup.pollerPause = 300ms;
    SetDeviceMonitorSetupForTesting(setup);
    SetMachineInfoLookup([](const std::string&, const std::string&, const std::string& model,
                            const std::string&, MachineDisplayInfo& info) {
        info.showName = model + " Pro";
        info.type = 1;
        return true;
    });
    SetMachineLogHook([this](const std::string& vid, const std::string& pid, int kind) {
        std::lock_guard guard(m_lock);
        m_machineLog.push_back(std::to_string(kind) + " " + vid + pid);
    });
}

DeviceWorld::~DeviceWorld() {
    SetMachineLogHook(nullptr);
    m_port.reset();
    m_sim.reset();
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

} // namespace devicetest
