// penlow-cli's web-service commands, each run as its own process (a run of its own) against
// devservices.
#include "ServerProcess.h"
#include "ServiceTestSupport.h"
#include "TestEnvironment.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/wait.h>

using namespace testsupport;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string output;
};

CliRun RunCli(const std::string& programFolder, const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BuildDir() + "/bin/penlow-cli", "--program-folder",
                                     programFolder};
    argv.insert(argv.end(), args.begin(), args.end());
    platform::ChildProcess child;
    CliRun run;
    if (!child.start(argv, true)) {
        return run;
    }
    char buffer[4096];
    long n = 0;
    while ((n = child.readSome(buffer, sizeof buffer, std::chrono::seconds(60))) > 0) {
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    const int status = child.wait();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// Ends, by its port, an adb server the real client may have started should phonesim be gone
// before it; declared before phonesim so that it runs after phonesim stopped.
class AdbServerCleanup {
public:
    explicit AdbServerCleanup(std::string port) : m_port(std::move(port)) {}
    ~AdbServerCleanup() {
        if (m_port.empty() || m_port == "0") {
            return;
        }
        platform::ChildProcess adb;
        if (adb.start({PENLOW_SYSTEM_ADB, "-P", m_port, "kill-server"}, false)) {
            adb.wait();
        }
    }
    void setPort(std::string port) { m_port = std::move(port); }

private:
    std::string m_port;
};

} // namespace

TEST(CliCommands, CallsAndReportsAgainstDevServices) {
    TempDir dir;
    WriteFile(dir.file("soap.json"),
              R"json({"devices": [{"vid": "18d1", "pid": "4ee2", "url": "http://localhost/d.zip",
                                   "md5": "m", "startfile": "s.exe", "devicetype": "INI"}]})json");
    ServerProcess server(
        {"--soap-data", dir.file("soap.json"), "--soap-reports", dir.file("reports")});
    ASSERT_TRUE(server.ready()) << server.startOutput();
    ProgramFolder program("localhost", std::to_string(server.port("soap")));

    const CliRun device = RunCli(program.path(), {"get-device", "18d1", "4ee2"});
    EXPECT_EQ(device.exitCode, 0);
    EXPECT_EQ(device.output,
              "url=http://localhost/d.zip\nmd5=m\nstartfile=s.exe\ndevicetype=INI\ninf=true\n");
    EXPECT_EQ(RunCli(program.path(), {"get-device", "0000", "0000"}).exitCode, 1);

    // Once per run: a second run of the program reports the same phone again.
    for (int run = 0; run < 2; ++run) {
        const CliRun report = RunCli(program.path(), {"report-machine", "18d1", "4ee2", "2"});
        EXPECT_EQ(report.exitCode, 0) << report.output;
    }
    const auto reports = ReadReports(dir.file("reports"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].fields.at("Status"), "2");

    const CliRun install =
        RunCli(program.path(), {"report-install", "com.x", "App", "3", "0", "out"});
    EXPECT_EQ(install.output, "not reported (phone not reachable)\n");
    EXPECT_EQ(ReadReports(dir.file("reports")).size(), 2u);
}

// The "wizard finished" report looks at the phone with the real adb client, here talking to
// phonesim: the listing up to the online phone's serial, the model's machine id from the web
// service, and the root probe (the shell user may not create the folder, su may).
TEST(CliCommands, WizardFinishedReportThroughRealAdb) {
    TempDir dir;
    WriteFile(dir.file("soap.json"), R"json({"models": [{"model": "Penlow P1", "device": "p1",
                                                         "machineid": "31"}]})json");
    ServerProcess server(
        {"--soap-data", dir.file("soap.json"), "--soap-reports", dir.file("reports")});
    AdbServerCleanup cleanup("");
    ServerProcess phone("tools/phonesim/phonesim.py",
                        {SourceDir() + "/tools/phonesim/phones/basic.json"});
    ASSERT_TRUE(server.ready()) << server.startOutput();
    ASSERT_TRUE(phone.ready()) << phone.startOutput();
    const std::string adbPort = std::to_string(phone.port("adb"));
    cleanup.setPort(adbPort);
    ScopedEnv adbServer("ANDROID_ADB_SERVER_PORT", adbPort);
    ProgramFolder program("localhost", std::to_string(server.port("soap")));
    std::filesystem::create_directories(program.file("bin/Korvash"));
    std::filesystem::create_symlink(PENLOW_SYSTEM_ADB, program.file("bin/Korvash/adb"));

    const CliRun report = RunCli(program.path(), {"report-machine", "18D1", "4EE2", "3"});
    EXPECT_EQ(report.exitCode, 0) << report.output;
    const auto reports = ReadReports(dir.file("reports"));
    ASSERT_EQ(reports.size(), 1u);
    const auto& f = reports[0].fields;
    EXPECT_NE(f.at("SNCode").find("List of devices attached"), std::string::npos);
    EXPECT_EQ(f.at("SNCode").substr(f.at("SNCode").size() - 9), "\nPSIM0001");
    EXPECT_EQ(f.at("MachineID"), "31");
    EXPECT_EQ(f.at("IsRoot"), "true");
    EXPECT_EQ(f.at("Status"), "3");
}
