// Machine events and install reports end to end against the devservices SOAP service, which
// writes every report it receives to a file the test reads.
#include "webservices/AccountLogin.h"
#include "webservices/ConnectedPhoneProbe.h"
#include "webservices/InstallLog.h"
#include "webservices/MachineEventReport.h"
#include "webservices/MachineIdentity.h"

#include "ServerProcess.h"
#include "ServiceTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

using namespace webservices;
using namespace testsupport;
using namespace std::chrono_literals;

namespace {

const char* const kData = R"json({"models": [{"model": "Nexus 5", "device": "hammerhead",
                                         "machineid": "4711", "imageinfo": "1"}]})json";

// Scripted adb: answers by command text and records every command run.
struct FakeAdb {
    std::map<std::string, std::string> plain; // RunCaptureTimed and RunAdbShell
    std::map<std::string, std::string> viaSu; // RunAdbSuShell
    std::shared_ptr<std::vector<std::string>> calls = std::make_shared<std::vector<std::string>>();

    AdbRunners runners() const {
        AdbRunners r;
        auto log = calls;
        auto table = plain;
        auto suTable = viaSu;
        r.runCaptureTimed = [log, table](const std::string& line, int limit) {
            log->push_back(line + " /" + std::to_string(limit));
            auto it = table.find(line);
            return it == table.end() ? std::string() : it->second;
        };
        r.runAdbShell = [log, table](const std::string& command, bool su, int limit) {
            log->push_back("shell " + command + (su ? " su" : "") + " /" + std::to_string(limit));
            auto it = table.find(command);
            return it == table.end() ? std::string() : it->second;
        };
        r.runAdbSuShell = [log, suTable](const std::string& command, int limit) {
            log->push_back("su " + command + " /" + std::to_string(limit));
            auto it = suTable.find(command);
            return it == suTable.end() ? std::string() : it->second;
        };
        return r;
    }
};

const std::string kMkdir = "mkdir /data/abdddgdgdgdg";
const std::string kRmdir = "rmdir /data/abdddgdgdgdg";

} // namespace

class UsageLogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        WriteFile(s_dir->file("soap.json"), kData);
        s_server = new ServerProcess(
            {"--soap-data", s_dir->file("soap.json"), "--soap-reports", s_dir->file("reports")});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }
    void SetUp() override {
        ASSERT_TRUE(s_server->ready()) << s_server->startOutput();
        m_program =
            std::make_unique<ProgramFolder>("localhost", std::to_string(s_server->port("soap")));
        std::filesystem::remove(s_dir->file("reports"));
        ResetReportedDevicesForTesting();
        SetLoginResultForTesting({});
    }
    std::vector<ReceivedReport> reports() {
        EXPECT_TRUE(WaitForMachineEvents(30s));
        return ReadReports(s_dir->file("reports"));
    }

    static TempDir* s_dir;
    static ServerProcess* s_server;
    std::unique_ptr<ProgramFolder> m_program;
    TempDir m_config;
    ScopedEnv m_configHome{"XDG_CONFIG_HOME", m_config.path()};
};

TempDir* UsageLogTest::s_dir = nullptr;
ServerProcess* UsageLogTest::s_server = nullptr;

TEST_F(UsageLogTest, ProgramStartCarriesMachineIdentity) {
    ReportMachineEvent("", "", kEventProgramStart, {});
    const auto sent = reports();
    ASSERT_EQ(sent.size(), 1u);
    const auto& f = sent[0].fields;
    EXPECT_EQ(sent[0].operation, "SaveVCMachineLog");
    EXPECT_EQ(f.at("Vid"), "");
    EXPECT_EQ(f.at("Pid"), "");
    EXPECT_EQ(f.at("Status"), "0");
    EXPECT_EQ(f.at("MachineID"), "0");
    EXPECT_EQ(f.at("PartnerCode"), "0");
    EXPECT_EQ(f.at("IsRoot"), "false");
    std::string guid;
    ASSERT_TRUE(GetMachineGuid(guid));
    EXPECT_EQ(f.at("MachineGuid"), guid);
    EXPECT_NE(f.at("WindowsVison").find("-bit"), std::string::npos);
    EXPECT_EQ(f.at("_host"), "localhost");
}

TEST_F(UsageLogTest, EachDeviceAndKindOncePerRun) {
    for (int i = 0; i < 3; ++i) {
        ReportMachineEvent("18d1", "4ee2", kEventPhoneArrived, {});
    }
    ReportMachineEvent("18d1", "4ee2", kEventUnconfirmedDevice, {}); // another kind: its own list
    // Keys are compared whole: "0c02"+"18d1" lies inside "0bb40c02"+"18d1d001".
    ReportMachineEvent("0bb4", "0c02", kEventPhoneArrived, {});
    ReportMachineEvent("18d1", "d001", kEventPhoneArrived, {});
    ReportMachineEvent("0c02", "18d1", kEventPhoneArrived, {});
    EXPECT_EQ(reports().size(), 5u);

    ResetReportedDevicesForTesting(); // a new run reports the phone again
    ReportMachineEvent("18d1", "4ee2", kEventPhoneArrived, {});
    const auto sent = reports();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent.back().fields.at("Status"), "2");
    EXPECT_EQ(sent.back().fields.at("Vid") + sent.back().fields.at("Pid"), "18d14ee2");
}

TEST_F(UsageLogTest, WizardFinishedWithOnlinePhone) {
    FakeAdb adb;
    adb.plain["bin\\Korvash\\adb devices"] = "List of devices attached\r\nSER123\tdevice\r\n\r\n";
    adb.plain["bin\\Korvash\\adb shell getprop ro.product.model"] = "Nexus 5\r\n";
    adb.plain["bin\\Korvash\\adb shell getprop ro.product.device"] = "hammer\rhead\n";
    adb.plain[kMkdir] = "mkdir failed for /data/abdddgdgdgdg, Permission denied\r\n";
    adb.viaSu[kMkdir] = "";
    ReportMachineEvent("18d1", "4ee2", kEventWizardFinished, adb.runners());
    const auto sent = reports();
    ASSERT_EQ(sent.size(), 1u);
    const auto& f = sent[0].fields;
    EXPECT_EQ(f.at("SNCode"), "List of devices attached\r\nSER123");
    EXPECT_EQ(f.at("MachineID"), "4711"); // model and device asked without line breaks
    EXPECT_EQ(f.at("IsRoot"), "true");
    EXPECT_EQ(f.at("Status"), "3");
    EXPECT_EQ(*adb.calls,
              (std::vector<std::string>{"bin\\Korvash\\adb devices /10",
                                        "bin\\Korvash\\adb shell getprop ro.product.model /10",
                                        "bin\\Korvash\\adb shell getprop ro.product.device /10",
                                        "shell " + kMkdir + " /10", "su " + kMkdir + " /10"}));
}

TEST_F(UsageLogTest, WizardFinishedWithoutOnlinePhone) {
    FakeAdb none;
    none.plain["bin\\Korvash\\adb devices"] = "List of devices attached\n\n";
    ReportMachineEvent("18d1", "4ee2", kEventWizardFinished, none.runners());

    FakeAdb offline;
    offline.plain["bin\\Korvash\\adb devices"] =
        "List of devices attached\nA\toffline\nB\tdevice\n";
    ReportMachineEvent("18d1", "4ee3", kEventWizardFinished, offline.runners());
    ASSERT_TRUE(WaitForMachineEvents(30s));

    // No runners at all: sent as without a phone.
    ReportMachineEvent("18d1", "4ee4", kEventWizardFinished, {});
    const auto sent = reports();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(*none.calls, (std::vector<std::string>{"bin\\Korvash\\adb devices /10"}));
    for (const auto& report : sent) {
        EXPECT_EQ(report.fields.at("SNCode"), "");
        EXPECT_EQ(report.fields.at("MachineID"), "0");
    }
    std::map<std::string, std::string> rootByPid;
    for (const auto& report : sent) {
        rootByPid[report.fields.at("Pid")] = report.fields.at("IsRoot");
    }
    EXPECT_EQ(rootByPid["4ee2"], "false");
    // An offline phone before the online one: no SNCode, but the root probe still runs.
    EXPECT_EQ(rootByPid["4ee3"], "true");
    EXPECT_EQ(rootByPid["4ee4"], "false");
    EXPECT_EQ(offline.calls->size(), 2u);
}

TEST(ProbeRoot, PlainThenSuAndLeftOverFolders) {
    struct Case {
        std::string plain, rmdir, su;
        bool root;
    };
    const std::vector<Case> cases = {
        {"", "", "", true},
        {"Permission denied", "", "", true},
        {"Permission denied", "", "mkdir: Permission denied", false},
        // A folder left by an earlier probe is removed; the rmdir's answer decides.
        {"mkdir: File exists", "", "", true},
        {"mkdir: File exists", "rmdir: Permission denied", "", true},
        // After su's mkdir the left-over folder is removed without su; that answer decides.
        {"mkdir: File exists", "rmdir: Permission denied", "mkdir: File exists", false},
        // "File exists" at the very start is not taken as a left-over folder.
        {"File exists", "Permission denied", "", true},
    };
    for (const Case& c : cases) {
        FakeAdb adb;
        adb.plain[kMkdir] = c.plain;
        adb.plain[kRmdir] = c.rmdir;
        adb.viaSu[kMkdir] = c.su;
        EXPECT_EQ(ProbeRoot(adb.runners()), c.root) << c.plain << " | " << c.su;
    }
}

TEST_F(UsageLogTest, InstallReports) {
    const InstallPhoneValues phone{"356938035643809", "02:00:00:00:00:01", ""};
    SetLoginResultForTesting({1, "U-77", "name", ""});
    EXPECT_FALSE(
        ReportInstall("com.example.app", "App", 3, true, "unreachable", phone)); // not sent
    EXPECT_TRUE(ReportInstall("com.example.app", "\xE5\xBE\xAE\xE4\xBF\xA1", 4, true, "", phone));
    EXPECT_TRUE(ReportInstall("com.example.app", "", 2, false, "Success\r\n", phone));
    const auto sent = ReadReports(s_dir->file("reports"));
    ASSERT_EQ(sent.size(), 2u);
    const auto& first = sent[0].fields;
    EXPECT_EQ(sent[0].operation, "SaveVCApkLog");
    EXPECT_EQ(first.at("Status"), "-1"); // the app was uninstalled first
    EXPECT_EQ(first.at("ApkName"), "%E5%BE%AE%E4%BF%A1");
    EXPECT_EQ(first.at("ErrorMessage"), "0");
    EXPECT_EQ(first.at("ErrorCode"), "0");
    EXPECT_EQ(first.at("MachineBlueToothMac"), "0");
    EXPECT_EQ(first.at("Uid"), "U-77");
    EXPECT_EQ(first.at("MachineIMEI"), "356938035643809");
    EXPECT_EQ(first.at("MachineUsbMac"), "02:00:00:00:00:01");
    EXPECT_EQ(first.at("MachineWifiMac"), "0");
    EXPECT_EQ(first.at("_content_type"), "text/xml; charset=gbk");
    EXPECT_EQ(first.at("_host"), "localhost");
    EXPECT_EQ(first.at("CreateTime").size(), 19u);
    const auto& second = sent[1].fields;
    EXPECT_EQ(second.at("Status"), "2");
    EXPECT_EQ(second.at("ApkName"), "");
    EXPECT_EQ(second.at("ErrorMessage"), "Success%0D%0A");
}
