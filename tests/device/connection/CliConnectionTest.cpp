// penlow-cli's usb-list and monitor, run as a separate process against a fixture sysfs tree,
// phonesim and the devservices SOAP service.
#include "ConnectionTestSupport.h"
#include "ServerProcess.h"

#include "platform/ChildProcess.h"
#include "webservices/MachineEventReport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

using namespace testsupport;

namespace {

struct CliRun {
    std::string output;
    int status = -1;
};

CliRun runCli(const std::string& programFolder, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BuildDir() + "/bin/penlow-cli", "--program-folder",
                                     programFolder};
    argv.insert(argv.end(), args.begin(), args.end());
    CliRun run;
    platform::ChildProcess child;
    if (!child.start(argv, true)) {
        return run;
    }
    char buffer[4096];
    long n;
    while ((n = child.readSome(buffer, sizeof buffer, std::chrono::seconds(30))) > 0) {
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    const int status = child.wait();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CliConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(m_serverDir.file("soap.json"),
                  R"({"devices": [{"vid": "18d1", "pid": "abcd"}]})");
        m_server = std::make_unique<ServerProcess>(
            std::vector<std::string>{"--soap-data", m_serverDir.file("soap.json")});
        ASSERT_TRUE(m_server->ready()) << m_server->startOutput();
        m_folder.useWebService(m_server->port("soap"));
        m_sysfs.plug("1-1", "046d", "c077");
        m_sysfs.plug("1-2", "18d1", "4ee2");
        m_sysfs.plug("1-3", "18d1", "0bad");
        m_sysfs.plug("1-4", "18d1", "abcd");
    }

    TestProgramFolder m_folder;
    TempDir m_serverDir;
    std::unique_ptr<ServerProcess> m_server;
    FakeSysfs m_sysfs;
    ScopedEnv m_root{"PENLOW_SYSFS_ROOT", m_sysfs.root()};
};

} // namespace

TEST_F(CliConnectionTest, UsbListShowsEachFilterStage) {
    CliRun raw = runCli(m_folder.path(), {"usb-list", "--raw"});
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.output, "046DC077\n18D14EE2\n18D10BAD\n18D1ABCD\n");
    CliRun vendor = runCli(m_folder.path(), {"usb-list", "--vendor"});
    EXPECT_EQ(vendor.output, "18D14EE2\tGOOGLE\n18D10BAD\tGOOGLE\n18D1ABCD\tGOOGLE\n");
    CliRun known = runCli(m_folder.path(), {"usb-list"});
    EXPECT_EQ(known.status, 0);
    EXPECT_EQ(known.output, "18D14EE2\tGOOGLE\n18D1ABCD\tGOOGLE\n");
    EXPECT_EQ(runCli(m_folder.path(), {"usb-list", "--bogus"}).status, 2);
}

TEST_F(CliConnectionTest, MonitorPrintsEventsAndStatesForTheGivenTime) {
    PhoneSimProcess sim({R"({"serial": "PSIM1"})"});
    ASSERT_TRUE(sim.started());
    ScopedEnv port("ANDROID_ADB_SERVER_PORT", std::to_string(sim.port()));
    AdbStandIn standIn;
    CliRun run = runCli(m_folder.path(),
                        {"monitor", "--seconds", "3", "--poll", "--adb-kill-name", standIn.name()});
    EXPECT_EQ(run.status, 0);
    // The monitor stops only the adb server on its own port: a process merely named like adb
    // is left alone.
    EXPECT_FALSE(standIn.waitKilled(1s));
    const std::string& out = run.output;
    // The adb watcher says it runs once it has stopped the old server; the USB watcher may
    // report the phones before that.
    EXPECT_NE(out.find("event 0 slot 0\nwizard-button enabled\n"), std::string::npos) << out;
    EXPECT_NE(out.find("event 1 slot 0 18D14EE2 GOOGLE serial=\nstate 4 0\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("event 1 slot 1 18D1ABCD GOOGLE"), std::string::npos) << out;
    EXPECT_NE(out.find("state 3 0\n"), std::string::npos) << out; // from the poller, 2 s on
    EXPECT_TRUE(out.ends_with("stopped\n")) << out;
    EXPECT_EQ(runCli(m_folder.path(), {"monitor", "--seconds", "x"}).status, 2);
}
