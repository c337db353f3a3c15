// The device table: slot rules, events, and events raised outside the lock.
#include "device/connection/DeviceTable.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class DeviceTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_table.setEventHandler([this](DeviceEvent event, int index) {
            m_events.push_back(std::to_string(static_cast<int>(event)) + "@" +
                               std::to_string(index));
        });
    }
    DeviceTable m_table;
    std::vector<std::string> m_events;
};

} // namespace

TEST_F(DeviceTableTest, AddTakesTheFirstFreeSlotAndRemoveFreesTheFirstMatch) {
    m_table.Add("04E8", "6860", "SAMSUNG");
    m_table.Add("18D1", "4EE2", "GOOGLE");
    m_table.Add("04E8", "6860", "SAMSUNG");
    m_table.Remove("04E8", "6860");
    m_table.Add("12D1", "1038", "");
    m_table.Remove("0000", "0000"); // no match: nothing
    EXPECT_EQ(m_events, (std::vector<std::string>{"1@0", "1@1", "1@2", "2@0", "1@0"}));
    EXPECT_EQ(m_table.count(), 3);
    DeviceSlot slot;
    ASSERT_TRUE(m_table.Copy(0, slot));
    EXPECT_EQ(slot.vid, "12D1");
    EXPECT_EQ(slot.vendor, "");
    EXPECT_EQ(slot.serial, "");
    EXPECT_EQ(slot.adbState, 0);
    ASSERT_TRUE(m_table.Copy(2, slot));
    EXPECT_EQ(slot.vendor, "SAMSUNG");
}

TEST_F(DeviceTableTest, CopyRejectsFreeAndOutOfRangeSlots) {
    DeviceSlot slot;
    EXPECT_FALSE(m_table.Copy(0, slot));
    EXPECT_FALSE(m_table.Copy(-1, slot));
    EXPECT_FALSE(m_table.Copy(64, slot));
    m_table.Add("04E8", "6860", "SAMSUNG");
    EXPECT_TRUE(m_table.Copy(0, slot));
    m_table.Remove("04E8", "6860");
    EXPECT_FALSE(m_table.Copy(0, slot));
}

TEST_F(DeviceTableTest, AFullTableIgnoresFurtherPhones) {
    for (int i = 0; i < DeviceTable::kSlotCount; ++i) {
        m_table.Add("04E8", "6860", "SAMSUNG");
    }
    m_events.clear();
    m_table.Add("18D1", "4EE2", "GOOGLE");
    EXPECT_TRUE(m_events.empty());
    EXPECT_EQ(m_table.count(), 64);
}

TEST_F(DeviceTableTest, SlotsLearnTheirSerialFromTheFirstReport) {
    m_table.Add("04E8", "6860", "SAMSUNG");
    m_table.Add("18D1", "4EE2", "GOOGLE");
    m_table.SetState("AAA", true);  // slot 0 takes it
    m_table.SetState("BBB", true);  // slot 1 takes it
    m_table.SetState("AAA", false); // found again in slot 0
    m_table.SetState("CCC", true);  // no empty serial, no match: nothing
    EXPECT_EQ(m_events, (std::vector<std::string>{"1@0", "1@1", "3@0", "3@1", "4@0"}));
    DeviceSlot slot;
    ASSERT_TRUE(m_table.Copy(1, slot));
    EXPECT_EQ(slot.serial, "BBB");
    EXPECT_EQ(slot.adbState, 1);
    ASSERT_TRUE(m_table.Copy(0, slot));
    EXPECT_EQ(slot.adbState, 0);
}

// adb lists phones in its own order; each serial goes to the slot of the phone that gives it
// on USB, and a departed phone's last report names no other slot.
TEST_F(DeviceTableTest, AdbSerialsGoToTheSlotsOfTheirUsbSerials) {
    m_table.Add("18D1", "4EE2", "GOOGLE", "SECOND");
    m_table.Add("18D1", "4EE2", "GOOGLE", "FIRST");
    m_table.Add("04E8", "6860", "SAMSUNG"); // its USB serial could not be read
    m_table.SetState("FIRST", true);
    m_table.SetState("OTHER", true); // no USB serial matches: the slot without one
    m_table.SetState("SECOND", true);
    DeviceSlot slot;
    for (const auto& [index, serial] :
         std::vector<std::pair<int, std::string>>{{0, "SECOND"}, {1, "FIRST"}, {2, "OTHER"}}) {
        ASSERT_TRUE(m_table.Copy(index, slot));
        EXPECT_EQ(slot.serial, serial) << index;
    }
    // FIRST is unplugged (the USB side learns it first) and another phone takes its slot.
    m_table.Remove("18D1", "4EE2", "FIRST");
    m_table.Add("18D1", "4EE2", "GOOGLE", "THIRD");
    m_events.clear();
    m_table.SetState("FIRST", false);
    EXPECT_TRUE(m_events.empty());
    ASSERT_TRUE(m_table.Copy(1, slot));
    EXPECT_EQ(slot.serial, "");
    m_table.SetState("THIRD", true);
    ASSERT_TRUE(m_table.Copy(1, slot));
    EXPECT_EQ(slot.serial, "THIRD");
    ASSERT_TRUE(m_table.Copy(0, slot));
    EXPECT_EQ(slot.serial, "SECOND"); // the other phone of the same model kept its slot
}

TEST_F(DeviceTableTest, LongSerialsAreKeptToNinetyNineBytes) {
    m_table.Add("04E8", "6860", "SAMSUNG");
    const std::string serial = std::string(98, 'S') + "\xC3\xA9" + "tail"; // é straddles 99
    m_table.SetState(serial, true);
    DeviceSlot slot;
    ASSERT_TRUE(m_table.Copy(0, slot));
    EXPECT_EQ(slot.serial, std::string(98, 'S'));
    m_table.SetState(serial, false); // the same report finds the same slot
    EXPECT_EQ(m_events.back(), "4@0");
}

TEST_F(DeviceTableTest, DisabledOrMissingHandlerRaisesNothing) {
    m_table.setEventsEnabled(false);
    m_table.Add("04E8", "6860", "SAMSUNG");
    m_table.setEventsEnabled(true);
    m_table.setEventHandler(nullptr);
    m_table.Remove("04E8", "6860");
    EXPECT_TRUE(m_events.empty());
}

// The handler runs after the lock is released: it may read the table (as the page's workers
// do on the watcher's thread) without deadlocking, and sees the change already made.
TEST(DeviceTable, HandlerMayUseTheTable) {
    DeviceTable table;
    std::string seenVendor;
    table.setEventHandler([&](DeviceEvent event, int index) {
        DeviceSlot slot;
        if (event == DeviceEvent::Arrived && table.Copy(index, slot)) {
            seenVendor = slot.vendor;
        }
        (void)table.count();
    });
    std::thread writer([&] { table.Add("04E8", "6860", "SAMSUNG"); });
    writer.join();
    EXPECT_EQ(seenVendor, "SAMSUNG");
}

// Two writers and a reader at once: every Add is matched by one slot, none is lost.
TEST(DeviceTable, ConcurrentWritersLoseNothing) {
    DeviceTable table;
    std::atomic<int> arrived{0};
    table.setEventHandler(
        [&](DeviceEvent event, int) { arrived += event == DeviceEvent::Arrived ? 1 : 0; });
    auto adder = [&](const char* vid) {
        for (int i = 0; i < 30; ++i) {
            table.Add(vid, "0001", "");
        }
    };
    std::thread a(adder, "04E8");
    std::thread b(adder, "18D1");
    std::thread reader([&] {
        DeviceSlot slot;
        for (int i = 0; i < 1000; ++i) {
            (void)table.Copy(i % 64, slot);
        }
    });
    a.join();
    b.join();
    reader.join();
    EXPECT_EQ(table.count(), 60);
    EXPECT_EQ(arrived.load(), 60);
}
