// penlow-cli's web-service commands, each run as its own process (a run of its own) against
// devservices.
#include "DevServicesProcess.h"
#include "ServiceTestSupport.h"
#include "TestEnvironment.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

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

} // namespace

TEST(CliCommands, CallsAndReportsAgainstDevServices) {
    TempDir dir;
    WriteFile(dir.file("soap.json"),
              R"json({"devices": [{"vid": "18d1", "pid": "4ee2", "url": "http://localhost/d.zip",
                                   "md5": "m", "startfile": "s.exe", "devicetype": "INI"}]})json");
    DevServicesProcess server(
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
