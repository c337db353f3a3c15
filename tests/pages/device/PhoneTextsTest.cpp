// The connected screen's value texts.
#include "pages/device/PhoneTexts.h"

#include <gtest/gtest.h>

TEST(PhoneTexts, StorageSwitchesToGigabytesAt1024) {
    EXPECT_EQ(StorageText(0).value, "0");
    EXPECT_EQ(StorageText(1023).value, "1023");
    EXPECT_EQ(StorageText(1023).unit, "MB");
    EXPECT_EQ(StorageText(1024).value, "1.00");
    EXPECT_EQ(StorageText(1024).unit, "G");
    EXPECT_EQ(StorageText(44536).value, "43.49");
    EXPECT_EQ(StorageText(10 * 1024 * 1024 + 512).value, "10240.50");
}

TEST(PhoneTexts, BatteryLevels) {
    EXPECT_EQ(BatteryText(true, "85\r\n").value, "85");
    EXPECT_EQ(BatteryText(true, "85\r\n").unit, "%");
    EXPECT_EQ(BatteryText(true, " 7").value, "7");
    EXPECT_EQ(BatteryText(true, "未知").value, "未知");
    EXPECT_EQ(BatteryText(true, "未知").unit, "");
    EXPECT_EQ(BatteryText(false, "whatever").value, "未知");
    EXPECT_EQ(BatteryText(false, "whatever").unit, "");
    EXPECT_EQ(BatteryText(true, "full").value, "0"); // no number: read as 0, like the C runtime
}

TEST(PhoneTexts, MissingSdCardIsNoneNotEmpty) {
    EXPECT_EQ(SdCardText(std::nullopt).value, "无");
    EXPECT_EQ(SdCardText(std::nullopt).unit, "");
    EXPECT_EQ(SdCardText(0).value, "0"); // a full card is still a card
    EXPECT_EQ(SdCardText(0).unit, "MB");
    EXPECT_EQ(SdCardText(2048).unit, "G");
}
