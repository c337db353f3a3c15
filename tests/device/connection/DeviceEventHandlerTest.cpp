// The monitor's reactions to table events with two phones: which one is followed, what the
// page is told, and which adb serial the program's commands go to.
#include "device/connection/DeviceEventHandler.h"
#include "device/connection/DeviceTable.h"

#include "ConnectionTestSupport.h"

#include "device/bridge/FollowedPhone.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class DeviceEventHandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_table.setEventHandler(
            [this](DeviceEvent event, int index) { m_handler.handle(event, index, {}); });
    }
    void TearDown() override {
        SetPhoneFollowed(false);
        SetFollowedSerial("");
    }
    std::vector<std::string> pageCalls() const {
        std::vector<std::string> calls;
        for (const std::string& line : m_links.lines()) {
            if (line.rfind("event", 0) != 0) {
                calls.push_back(line);
            }
        }
        return calls;
    }

    RecordingLinks m_links;
    DeviceTable m_table;
    DeviceEventHandler m_handler{m_links, &m_table};
};

} // namespace

TEST_F(DeviceEventHandlerTest, TheRemainingPhoneIsFollowedWhenTheFollowedOneLeaves) {
    m_table.Add("04E8", "6860", "SAMSUNG", "AAA");
    m_table.Add("18D1", "4EE2", "GOOGLE", "BBB");
    m_table.SetState("BBB", true); // the second phone is online but not followed
    EXPECT_EQ(m_handler.currentDevice(), 0);
    m_links.clear();

    m_table.Remove("04E8", "6860", "AAA");
    EXPECT_EQ(pageCalls(), (std::vector<std::string>{"gone", "state 4 0"}));
    EXPECT_EQ(m_handler.currentDevice(), 1);
    EXPECT_EQ(FollowedSerial(), "BBB");
    EXPECT_TRUE(PhoneFollowed());

    m_links.clear();
    m_table.Remove("18D1", "4EE2", "BBB");
    EXPECT_EQ(pageCalls(), (std::vector<std::string>{"gone", "state 1 0"}));
    EXPECT_EQ(m_handler.currentDevice(), -1);
    EXPECT_EQ(FollowedSerial(), "");
    EXPECT_FALSE(PhoneFollowed());
}

TEST_F(DeviceEventHandlerTest, AnOnlinePhoneIsPreferredToOneAdbHasNotNamed) {
    m_table.Add("04E8", "6860", "SAMSUNG", "AAA");
    m_table.Add("04E8", "6861", "SAMSUNG", "BBB");
    m_table.Add("18D1", "4EE2", "GOOGLE", "CCC");
    m_table.SetState("CCC", true);
    m_table.Remove("04E8", "6860", "AAA");
    EXPECT_EQ(m_handler.currentDevice(), 2);
    EXPECT_EQ(FollowedSerial(), "CCC");
}

TEST(DeviceTableSlotFor, FindsTheSlotWithoutChangingTheTable) {
    DeviceTable table;
    table.Add("04E8", "6860", "SAMSUNG", "AAA");
    table.Add("18D1", "4EE2", "GOOGLE");
    EXPECT_EQ(table.slotFor("AAA"), 0);   // by its USB serial
    EXPECT_EQ(table.slotFor("OTHER"), 1); // a slot without any serial takes an unknown one
    DeviceSlot slot;
    ASSERT_TRUE(table.Copy(1, slot));
    EXPECT_EQ(slot.serial, ""); // only looked at
    EXPECT_EQ(table.slotFor(""), -1);
}
