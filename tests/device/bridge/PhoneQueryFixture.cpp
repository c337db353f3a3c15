#include "PhoneQueryFixture.h"

#include "platform/config/AppPaths.h"

#include "TempDir.h"

#include <filesystem>

namespace phonetest {

std::string ShippedBusybox() {
    return testsupport::BuildDir() + "/Penlow/bin/Korvash/busybox";
}

const std::string& ProgramFolder() {
    static testsupport::TempDir root;
    static const std::string folder = [] {
        std::string path = root.file("Penlow Program");
        testsupport::PrepareProgramFolder(path);
        // The busybox the build ships (phonesim plays its applets once it is pushed).
        std::filesystem::copy_file(ShippedBusybox(), path + "/bin/Korvash/busybox");
        OverrideModuleFolder(path);
        std::filesystem::create_directories(root.file("no adb"));
        return path;
    }();
    return folder;
}

const std::string& NoAdbFolder() {
    static const std::string folder = ProgramFolder() + "/../no adb";
    return folder;
}

void PhoneQueryTest::SetUp() {
    std::filesystem::current_path(NoAdbFolder());
}

void PhoneQueryTest::startPhones(const std::vector<std::string>& scripts,
                                 const std::vector<std::string>& extraArgs) {
    (void)ProgramFolder();
    m_port.reset();
    m_sim = std::make_unique<testsupport::PhoneSimProcess>(scripts, extraArgs);
    ASSERT_TRUE(m_sim->started()) << "phonesim did not start";
    m_port = std::make_unique<testsupport::ScopedEnv>("ANDROID_ADB_SERVER_PORT",
                                                      std::to_string(m_sim->port()));
    std::filesystem::current_path(ProgramFolder());
}

void PhoneQueryTest::TearDown() {
    std::filesystem::current_path(NoAdbFolder());
    m_port.reset();
    m_sim.reset();
}

std::vector<std::string> PhoneQueryTest::control(const std::string& command) {
    if (!m_sim) {
        ADD_FAILURE() << "phonesim is not running";
        return {};
    }
    auto answer = m_sim->control(command);
    EXPECT_TRUE(answer.has_value()) << "control command failed: " << command;
    return answer.value_or(std::vector<std::string>{});
}

std::vector<std::string> PhoneQueryTest::events() const {
    return m_sim ? m_sim->log() : std::vector<std::string>{};
}

std::vector<std::string> PhoneQueryTest::commands(const std::string& serial) const {
    std::string prefix = "command\t" + serial + "\t";
    std::vector<std::string> result;
    for (const std::string& event : events()) {
        if (event.rfind(prefix, 0) == 0) {
            result.push_back(event.substr(prefix.size()));
        }
    }
    return result;
}

std::string PhoneQueryTest::dump(const std::string& serial) {
    std::vector<std::string> lines = control("dump " + serial);
    return lines.empty() ? std::string() : lines.front();
}

std::vector<std::string> StartingWith(const std::vector<std::string>& all,
                                      const std::string& prefix) {
    std::vector<std::string> result;
    for (const std::string& entry : all) {
        if (entry.rfind(prefix, 0) == 0) {
            result.push_back(entry);
        }
    }
    return result;
}

std::size_t CountContaining(const std::vector<std::string>& all, const std::string& needle) {
    std::size_t count = 0;
    for (const std::string& entry : all) {
        count += entry.find(needle) != std::string::npos ? 1 : 0;
    }
    return count;
}

} // namespace phonetest
