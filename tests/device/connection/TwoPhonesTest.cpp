// Two phones on USB and in adb at once: the monitor follows the first to arrive, its slot
// and every adb command go to that phone, whatever order adb lists them in. The real adb
// client talks to phonesim, whose sysfs tree gives each phone's USB serial.
#include "device/connection/DeviceMonitor.h"
#include "device/connection/UsbWatcher.h"

#include "ConnectionTestSupport.h"

#include "device/bridge/AdbHostClient.h"
#include "device/bridge/BatteryQuery.h"
#include "device/bridge/FollowedPhone.h"
#include "device/bridge/InstallPackage.h"
#include "device/bridge/QueryPhoneInfo.h"

#include <gtest/gtest.h>

#include <sys/inotify.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// Two phones of one model; adb lists PHONE-A first.
const char* kPhoneA = R"({"serial": "PHONE-A", "state": "none", "plugged": false,
    "props": {"ro.product.model": "Model A"}, "battery": {"value": "11"}})";
const char* kPhoneB = R"({"serial": "PHONE-B", "state": "none",
    "props": {"ro.product.model": "Model B"}, "battery": {"value": "77"}})";

class TwoPhonesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSerialCacheForTesting();
        ASSERT_TRUE(m_sim.started());
    }
    void TearDown() override {
        m_monitor.stop();
        SetFollowedSerial("");
        ResetSerialCacheForTesting();
    }

    std::string dump(const std::string& serial) const {
        std::string text;
        for (const std::string& line :
             m_sim.control("dump " + serial).value_or(std::vector<std::string>{})) {
            text += line + "\n";
        }
        return text;
    }

    TestProgramFolder m_folder;
    PhoneSimProcess m_sim{{kPhoneA, kPhoneB}};
    ScopedEnv m_port{"ANDROID_ADB_SERVER_PORT", std::to_string(m_sim.port())};
    RecordingLinks m_links;
    RecordingWebServices m_web;
    DeviceMonitor m_monitor{m_links, m_web,
                            DeviceMonitorSettings{m_sim.sysfsRoot(), m_folder.knownPhoneDb()}};
};

} // namespace

TEST_F(TwoPhonesTest, EveryQueryGoesToTheFollowedPhone) {
    m_monitor.setUsbPeriodForTesting(50ms);
    m_monitor.setAdbPeriodForTesting(100ms);
    m_monitor.start();
    ASSERT_TRUE(m_links.waitFor("state 4 0")); // PHONE-B arrives first: followed, slot 0
    EXPECT_TRUE(PhoneFollowed());              // before adb has named it
    ASSERT_TRUE(m_sim.control("plug PHONE-A"));
    ASSERT_TRUE(m_links.waitFor("event 1 1"));
    ASSERT_TRUE(m_sim.control("state PHONE-A device"));
    ASSERT_TRUE(m_sim.control("state PHONE-B device"));
    ASSERT_TRUE(m_links.waitFor("state 3 0"));

    DeviceSlot slot;
    ASSERT_TRUE(m_monitor.copyCurrentDevice(slot));
    EXPECT_EQ(slot.serial, "PHONE-B");
    ASSERT_TRUE(m_links.waitFor("event 3 1"));
    ASSERT_TRUE(m_monitor.table().Copy(1, slot));
    EXPECT_EQ(slot.serial, "PHONE-A");

    PhoneInfo info;
    EXPECT_TRUE(QueryPhoneInfo(info));
    EXPECT_EQ(info.model, "Model B");
    std::string level;
    EXPECT_TRUE(QueryBattery(level));
    EXPECT_EQ(level.substr(0, 2), "77");
    SetInstallLocation("2");
    EXPECT_NE(dump("PHONE-B").find("\"install_location\": 2"), std::string::npos);
    EXPECT_EQ(dump("PHONE-A").find("\"install_location\": 2"), std::string::npos);
    EXPECT_EQ(GetSerial(true).serial, "PHONE-B");

    // The followed phone leaves: the other one is followed and adb commands go to it.
    ASSERT_TRUE(m_sim.control("unplug PHONE-B"));
    ASSERT_TRUE(m_links.waitFor("state 4 0", 2));
    EXPECT_EQ(FollowedSerial(), "PHONE-A");
    EXPECT_EQ(GetSerial(true).serial, "PHONE-A");
    // That one leaves too: adb commands name no phone again.
    ASSERT_TRUE(m_sim.control("unplug PHONE-A"));
    ASSERT_TRUE(m_links.waitFor("state 1 0"));
    EXPECT_EQ(FollowedSerial(), "");
    EXPECT_FALSE(PhoneFollowed());
}

// Phones that the filter reorders (a file hit goes first) make the same list on every pass:
// the known-phone file is read once, not on every pass.
TEST(UsbWatcherPasses, AnUnchangedListReadsTheKnownPhoneFileOnce) {
    TestProgramFolder folder;
    FakeSysfs sysfs;
    sysfs.plug("1-1", "04e8", "6860", "ALWAYS"); // a maker that is always accepted
    sysfs.plug("1-2", "18d1", "4ee2", "INFILE"); // a pair from the file
    DeviceTable table;
    RecordingWebServices web;
    UsbWatcher watcher(table, web, sysfs.root(), folder.knownPhoneDb());

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.knownPhoneDb().c_str(), IN_OPEN), 0);
    // Events are read after every pass: inotify merges an unread event with an equal new one.
    const auto opened = [watch] {
        bool any = false;
        alignas(inotify_event) char buffer[4096];
        ssize_t n = 0;
        while ((n = ::read(watch, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                any = any || (event->mask & IN_OPEN) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return any;
    };
    int opens = 0;
    for (int pass = 0; pass < 10; ++pass) {
        watcher.poll({});
        opens += opened() ? 1 : 0;
    }
    ::close(watch);
    EXPECT_EQ(opens, 1); // passes that read the file
    EXPECT_EQ(table.count(), 2);
}
