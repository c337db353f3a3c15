// The known-phone filter and the monitor with the program's web-service link, against the
// devservices SOAP service on loopback.
#include "app/parts/WebPhoneServices.h"
#include "device/connection/DeviceMonitor.h"
#include "device/connection/KnownPhoneDb.h"
#include "device/connection/KnownPhoneFilter.h"

#include "ConnectionTestSupport.h"
#include "ServerProcess.h"
#include "ServiceTestSupport.h"

#include "webservices/MachineEventReport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsupport;

namespace {

const char* kKnowsAbcd = R"({"devices": [{"vid": "18d1", "pid": "abcd"}]})";

class WebPhoneServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        webservices::ResetReportedDevicesForTesting();
        WriteFile(m_serverDir.file("soap.json"), kKnowsAbcd);
        m_server = std::make_unique<ServerProcess>(
            std::vector<std::string>{"--soap-data", m_serverDir.file("soap.json"), "--soap-reports",
                                     reportsPath(), "--soap-silent-seconds", "20"});
        ASSERT_TRUE(m_server->ready()) << m_server->startOutput();
        m_folder.useWebService(m_server->port("soap"));
    }
    void TearDown() override { EXPECT_TRUE(webservices::WaitForMachineEvents(10s)); }
    std::string reportsPath() const { return m_serverDir.file("reports.txt"); }
    // Waits until `count` machine reports were received (they are sent from their own threads).
    bool waitForMachineReports(std::size_t count) const {
        for (int i = 0; i < 200 && machineReports().size() < count; ++i) {
            std::this_thread::sleep_for(50ms);
        }
        return machineReports().size() >= count;
    }
    // "<Status> <VID><PID>" of every machine report received so far.
    std::vector<std::string> machineReports() const {
        std::vector<std::string> lines;
        for (const ReceivedReport& report : ReadReports(reportsPath())) {
            if (report.operation == "SaveVCMachineLog") {
                lines.push_back(report.fields.at("Status") + " " + report.fields.at("Vid") +
                                report.fields.at("Pid"));
            }
        }
        return lines;
    }

    TestProgramFolder m_folder;
    TempDir m_serverDir;
    std::unique_ptr<ServerProcess> m_server;
    WebPhoneServices m_web;
};

} // namespace

TEST_F(WebPhoneServicesTest, ConfirmedPairIsInsertedAndAnsweredFromTheFileNextRun) {
    {
        KnownPhoneFilter firstRun(m_folder.knownPhoneDb(), m_web);
        EXPECT_EQ(firstRun.apply("18D1ABCD"), "18D1ABCD");
    }
    KnownPhoneDb db;
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_TRUE(db.contains("18D1", "ABCD"));
    db.close();
    WriteFile(m_serverDir.file("soap.json"), R"({"devices": []})");
    KnownPhoneFilter nextRun(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(nextRun.apply("18D1ABCD"), "18D1ABCD");
    EXPECT_TRUE(machineReports().empty());
}

TEST_F(WebPhoneServicesTest, RejectedPairIsReportedOnceAsUnconfirmed) {
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("18D10BAD"), "");
    EXPECT_EQ(filter.apply("18D10BAD"), "");
    ASSERT_TRUE(webservices::WaitForMachineEvents(10s));
    EXPECT_EQ(machineReports(), (std::vector<std::string>{"1 18D10BAD"}));
    EXPECT_TRUE(filter.wasRejected("18D1", "0BAD"));
}

TEST_F(WebPhoneServicesTest, StopEndsAWaitForASilentService) {
    WriteFile(m_serverDir.file("soap.json"), R"({"devices": [], "fault": "silent"})");
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    std::stop_source source;
    std::thread stopper([&] {
        std::this_thread::sleep_for(300ms);
        source.request_stop();
    });
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(filter.apply("18D10BAD", source.get_token()), "");
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 900ms);
    stopper.join();
    EXPECT_FALSE(filter.wasRejected("18D1", "0BAD")); // unanswered, asked again later
}

TEST_F(WebPhoneServicesTest, MonitorReportsTheArrivalOfAConfirmedPhone) {
    PhoneSimProcess sim({});
    ASSERT_TRUE(sim.started());
    ScopedEnv port("ANDROID_ADB_SERVER_PORT", std::to_string(sim.port()));
    FakeSysfs sysfs;
    RecordingLinks links;
    DeviceMonitor monitor(links, m_web, DeviceMonitorSettings{sysfs.root(), ""});
    monitor.start();
    sysfs.plug("1-1", "18d1", "abcd");
    ASSERT_TRUE(links.waitFor("state 4 0"));
    ASSERT_TRUE(waitForMachineReports(1));
    monitor.stop();
    EXPECT_EQ(machineReports(), (std::vector<std::string>{"2 18D1ABCD"}));
    KnownPhoneDb db; // the monitor's default file: the program folder's data/arginfo.dat
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_TRUE(db.contains("18D1", "ABCD"));
}
