// The device monitor end to end: fixture sysfs trees that change while it runs, phonesim
// behind the real adb client for the listings, and a recorder standing in for the windows.
#include "device/connection/DeviceMonitor.h"

#include "ConnectionTestSupport.h"

#include "device/bridge/AdbCommands.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

const char* kPhoneOne = R"({"serial": "PSIM1", "state": "none"})";
const char* kPhoneTwo = R"({"serial": "PSIM2", "state": "none"})";

class DeviceMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_sim = std::make_unique<PhoneSimProcess>(std::vector<std::string>{kPhoneOne, kPhoneTwo});
        ASSERT_TRUE(m_sim->started());
        m_port =
            std::make_unique<ScopedEnv>("ANDROID_ADB_SERVER_PORT", std::to_string(m_sim->port()));
        m_monitor = std::make_unique<DeviceMonitor>(
            m_links, m_web, DeviceMonitorSettings{m_sysfs.root(), m_folder.knownPhoneDb()});
        m_monitor->setAdbPeriodForTesting(150ms);
    }
    void TearDown() override {
        m_monitor.reset();
        EXPECT_EQ(m_links.callsAfterStop(), 0);
        m_sim.reset();
    }
    void startAndWaitRunning() {
        m_monitor->start();
        ASSERT_TRUE(m_links.waitFor("button"));
    }
    // Lines recorded from `first` on (its first occurrence), `count` of them.
    std::vector<std::string> linesFrom(const std::string& first, std::size_t count) const {
        std::vector<std::string> lines = m_links.lines();
        auto at = std::find(lines.begin(), lines.end(), first);
        std::size_t left = static_cast<std::size_t>(lines.end() - at);
        return std::vector<std::string>(at, at + std::min(count, left));
    }

    TestProgramFolder m_folder;
    FakeSysfs m_sysfs;
    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<ScopedEnv> m_port;
    RecordingLinks m_links;
    RecordingWebServices m_web;
    std::unique_ptr<DeviceMonitor> m_monitor;
};

} // namespace

TEST_F(DeviceMonitorTest, PlugConnectAndUnplugDriveThePageStates) {
    startAndWaitRunning();
    m_sysfs.plug("1-1", "04e8", "6860");
    ASSERT_TRUE(m_links.waitFor("state 4 0"));
    EXPECT_EQ(linesFrom("event 1 0", 2), (std::vector<std::string>{"event 1 0", "state 4 0"}));
    EXPECT_EQ(m_monitor->currentDevice(), 0);
    ASSERT_TRUE(m_web.waitForReports(1));
    EXPECT_EQ(m_web.reports(), (std::vector<std::string>{"2 04E86860"}));

    ASSERT_TRUE(m_sim->control("state PSIM1 device"));
    ASSERT_TRUE(m_links.waitFor("state 3 0"));
    EXPECT_EQ(linesFrom("event 3 0", 2), (std::vector<std::string>{"event 3 0", "state 3 0"}));
    DeviceSlot slot;
    ASSERT_TRUE(m_monitor->copyCurrentDevice(slot));
    EXPECT_EQ(slot.serial, "PSIM1");
    EXPECT_EQ(slot.vendor, "SAMSUNG");
    EXPECT_EQ(slot.vid + slot.pid, "04E86860");
    EXPECT_EQ(slot.adbState, 1);

    ASSERT_TRUE(m_sim->control("state PSIM1 none")); // adb stops listing it: no page change
    ASSERT_TRUE(m_links.waitFor("event 4 0"));
    EXPECT_EQ(m_links.lines().back(), "event 4 0");
    ASSERT_TRUE(m_monitor->copyCurrentDevice(slot));
    EXPECT_EQ(slot.adbState, 0);

    m_sysfs.unplug("1-1");
    ASSERT_TRUE(m_links.waitFor("state 1 0"));
    // The download manager hears of it before the page changes state.
    EXPECT_EQ(linesFrom("event 2 0", 3),
              (std::vector<std::string>{"event 2 0", "gone", "state 1 0"}));
    EXPECT_EQ(m_monitor->currentDevice(), -1);
    EXPECT_FALSE(m_monitor->copyCurrentDevice(slot));
}

TEST_F(DeviceMonitorTest, OnlyTheFollowedPhoneChangesThePage) {
    startAndWaitRunning();
    m_sysfs.plug("1-1", "04e8", "6860");
    ASSERT_TRUE(m_links.waitFor("state 4 0"));
    m_sysfs.plug("1-2", "12d1", "1038"); // a second phone while one is followed
    ASSERT_TRUE(m_links.waitFor("event 1 1"));
    ASSERT_TRUE(m_sim->control("state PSIM1 device")); // its serial goes to slot 0, followed
    ASSERT_TRUE(m_links.waitFor("state 3 0"));
    ASSERT_TRUE(m_sim->control("state PSIM2 device")); // slot 1 learns it, not followed
    ASSERT_TRUE(m_links.waitFor("event 3 1"));
    m_sysfs.unplug("1-2"); // the other phone leaves
    ASSERT_TRUE(m_links.waitFor("event 2 1"));
    EXPECT_EQ(m_monitor->currentDevice(), 0);

    m_sysfs.unplug("1-1");
    ASSERT_TRUE(m_links.waitFor("state 1 0"));
    m_sysfs.plug("1-3", "0bb4", "0c02"); // the next arrival is followed again
    ASSERT_TRUE(m_links.waitFor("state 4 0", 2));
    EXPECT_EQ(m_monitor->currentDevice(), 0);

    std::vector<std::string> states;
    for (const std::string& line : m_links.lines()) {
        if (line.rfind("state", 0) == 0 || line == "gone") {
            states.push_back(line);
        }
    }
    EXPECT_EQ(states, (std::vector<std::string>{"state 4 0", "state 3 0", "gone", "state 1 0",
                                                "state 4 0"}));
}

TEST_F(DeviceMonitorTest, OnlyPhonesOfTheTableAndTheKnownListGetSlots) {
    m_web.phones = {"18D1ABCD"};
    startAndWaitRunning();
    m_sysfs.plug("1-1", "046d", "c077"); // mouse: never reaches the known-phone filter
    m_sysfs.plug("1-2", "18d1", "4ee2"); // in the shipped file
    m_sysfs.plug("1-3", "18d1", "0bad"); // the service says no
    m_sysfs.plug("1-4", "18d1", "abcd"); // the service says yes
    ASSERT_TRUE(m_links.waitFor("event 1 1"));
    ASSERT_TRUE(m_web.waitForReports(3));
    std::this_thread::sleep_for(1s); // a few more passes with the rejected pair present
    EXPECT_EQ(m_monitor->table().count(), 2);
    std::vector<std::string> questions = m_web.questions();
    std::sort(questions.begin(), questions.end());
    EXPECT_EQ(questions, (std::vector<std::string>{"18D10BAD", "18D1ABCD"}));
    std::vector<std::string> reports = m_web.reports();
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::string>{"1 18D10BAD", "2 18D14EE2", "2 18D1ABCD"}));
}

TEST_F(DeviceMonitorTest, TwoIdenticalPhonesEachLeaveTheirSlot) {
    startAndWaitRunning();
    m_sysfs.plug("1-1", "04e8", "6860");
    m_sysfs.plug("1-2", "04e8", "6860");
    ASSERT_TRUE(m_links.waitFor("event 1 1"));
    m_sysfs.unplug("1-2");
    // The first slot with that pair goes; the phone of the other slot is followed now.
    ASSERT_TRUE(m_links.waitFor("state 4 0", 2));
    EXPECT_EQ(m_monitor->table().count(), 1);
    EXPECT_EQ(m_monitor->currentDevice(), 1);
    m_sysfs.unplug("1-1");
    ASSERT_TRUE(m_links.waitFor("event 2 1"));
    ASSERT_TRUE(m_links.waitFor("state 1 0"));
    EXPECT_EQ(m_monitor->table().count(), 0);
}

// At start the monitor ends the adb server on its own port only: a process named like adb
// that does not serve that port (another tool's server) stays, and so does the server the
// monitor talks to when it is not adb at all (phonesim here).
TEST_F(DeviceMonitorTest, StartLeavesAdbProcessesOfOtherPortsAlone) {
    AdbStandIn standIn;
    SetAdbProcessNameForTesting(standIn.name());
    startAndWaitRunning();
    EXPECT_FALSE(standIn.waitKilled(1s));
    m_monitor->stop();
    m_monitor->start(); // a restart continues: "running" again
    ASSERT_TRUE(m_links.waitFor("button", 2));
    EXPECT_FALSE(standIn.waitKilled(300ms));
    EXPECT_TRUE(m_sim->control("list").has_value());
}

TEST_F(DeviceMonitorTest, RestartContinuesWithTheSameSlots) {
    startAndWaitRunning();
    m_sysfs.plug("1-1", "04e8", "6860");
    ASSERT_TRUE(m_links.waitFor("state 4 0"));
    m_monitor->stop();
    m_monitor->start();
    ASSERT_TRUE(m_links.waitFor("button", 2));
    std::this_thread::sleep_for(700ms);
    EXPECT_FALSE(m_links.waitFor("event 1 1", 1, 0ms)); // no second slot for the same phone
    m_sysfs.unplug("1-1");
    ASSERT_TRUE(m_links.waitFor("state 1 0"));
    EXPECT_EQ(m_monitor->table().count(), 0);
}

TEST_F(DeviceMonitorTest, StopWhileWatchersSleepIsPromptAndSilent) {
    m_monitor->setAdbPeriodForTesting(AdbWatcher::kPeriod);
    startAndWaitRunning();
    std::this_thread::sleep_for(400ms); // both watchers are now sleeping
    const auto begin = Clock::now();
    m_monitor->stop();
    EXPECT_LT(Clock::now() - begin, 1s);
    EXPECT_FALSE(m_monitor->started());
    const std::size_t before = m_links.lines().size();
    m_sysfs.plug("1-1", "04e8", "6860");
    ASSERT_TRUE(m_sim->control("state PSIM1 device"));
    std::this_thread::sleep_for(800ms);
    EXPECT_EQ(m_links.lines().size(), before);
}

TEST_F(DeviceMonitorTest, StopWhileAdbHangsIsPrompt) {
    ASSERT_TRUE(m_sim->control("fault host:devices stall"));
    startAndWaitRunning();
    std::this_thread::sleep_for(500ms); // the first listing is stuck in adb
    const auto begin = Clock::now();
    m_monitor->stop();
    EXPECT_LT(Clock::now() - begin, 1s);
}
