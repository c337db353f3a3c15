// The adb watcher's listing comparison, from captured `adb devices` outputs.
#include "device/connection/AdbWatcher.h"
#include "device/connection/DeviceTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class AdbWatcherListing : public ::testing::Test {
protected:
    void SetUp() override {
        m_table.setEventHandler([this](DeviceEvent event, int index) {
            m_events.push_back(std::to_string(static_cast<int>(event)) + "@" +
                               std::to_string(index));
        });
        m_table.Add("04E8", "6860", "SAMSUNG");
        m_events.clear();
    }
    std::string serialOf(int index) const {
        DeviceSlot slot;
        return m_table.Copy(index, slot) ? slot.serial : "<free>";
    }
    DeviceTable m_table;
    AdbWatcher m_watcher{m_table};
    std::vector<std::string> m_events;
};

const char* kProgramHeader = "List of devices attached \r\n";
const char* kClientHeader = "List of devices attached\n";

} // namespace

TEST_F(AdbWatcherListing, OfflineLineBeforeDeviceLineGivesOneSetState) {
    m_watcher.applyOutput(std::string(kProgramHeader) + "OFF1\toffline\r\nPSIM1\tdevice\r\n\r\n");
    EXPECT_EQ(m_events, (std::vector<std::string>{"3@0"}));
    EXPECT_EQ(serialOf(0), "PSIM1"); // the offline serial was never offered to the slot
}

TEST_F(AdbWatcherListing, OutputWithoutHeaderChangesNothing) {
    for (const char* output : {"fail", "", "* daemon not running; starting now at tcp:5037\n",
                               "error: protocol fault\nPSIM1\tdevice\n"}) {
        m_watcher.applyOutput(output);
    }
    EXPECT_TRUE(m_events.empty());
    EXPECT_EQ(serialOf(0), "");
}

TEST_F(AdbWatcherListing, IdenticalListingMakesNoTableCall) {
    const std::string listing = std::string(kClientHeader) + "PSIM1\tdevice\n\n";
    m_watcher.applyOutput(listing);
    m_watcher.applyOutput("* daemon started successfully\n" + listing);
    m_watcher.applyOutput(listing);
    EXPECT_EQ(m_events, (std::vector<std::string>{"3@0"}));
}

// Every change into and out of "device" reaches the table, also while the serial stays listed:
// a phone authorised late, or back from "offline", must connect.
TEST_F(AdbWatcherListing, EveryChangeIntoAndOutOfDeviceIsRaised) {
    m_watcher.applyOutput(std::string(kClientHeader) + "PSIM1\tunauthorized\n\n");
    EXPECT_TRUE(m_events.empty());
    m_watcher.applyOutput(std::string(kClientHeader) + "PSIM1\tdevice\n\n");
    m_watcher.applyOutput(std::string(kClientHeader) + "PSIM1\toffline\n\n");
    m_watcher.applyOutput(std::string(kClientHeader) + "PSIM1\tdevice\n\n");
    m_watcher.applyOutput(std::string(kClientHeader) + "\n");
    EXPECT_EQ(m_events, (std::vector<std::string>{"3@0", "4@0", "3@0", "4@0"}));
}

TEST_F(AdbWatcherListing, SerialsAreComparedWholeNotAsSubstrings) {
    m_table.Add("18D1", "4EE2", "GOOGLE");
    m_events.clear();
    m_watcher.applyOutput(std::string(kClientHeader) + "ABCD\tdevice\n\n");
    // "ABC" is part of "ABCD" but a different phone: it must reach the second slot.
    m_watcher.applyOutput(std::string(kClientHeader) + "ABCD\tdevice\nABC\tdevice\n\n");
    EXPECT_EQ(m_events, (std::vector<std::string>{"3@0", "3@1"}));
    EXPECT_EQ(serialOf(1), "ABC");
}

TEST_F(AdbWatcherListing, EmptySerialIsNotOfferedToASlot) {
    m_watcher.applyOutput(std::string(kClientHeader) + "\tdevice\nPSIM1\tdevice\n\n");
    EXPECT_EQ(serialOf(0), "PSIM1");
}
