#include "device/bridge/AdbDeviceListing.h"

#include <gtest/gtest.h>

TEST(AdbDeviceListing, ProgramFormWithCrLf) {
    auto entries =
        ParseDeviceListing("List of devices attached \r\n0123456789ABCDEF\tdevice\r\n\r\n");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].serial, "0123456789ABCDEF");
    EXPECT_TRUE((*entries)[0].online());
}

TEST(AdbDeviceListing, CurrentClientFormWithLfAndDaemonStartLines) {
    std::string output = "* daemon not running; starting now at tcp:5037\n"
                         "* daemon started successfully\n"
                         "List of devices attached\n"
                         "emulator-5554\toffline\n"
                         "HT4A1JT01234\tdevice\n"
                         "\n";
    auto entries = ParseDeviceListing(output);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].state, "offline");
    EXPECT_FALSE((*entries)[0].online());
    EXPECT_EQ((*entries)[1].serial, "HT4A1JT01234");
    EXPECT_TRUE(ListingHasOnlineDevice(output));
}

TEST(AdbDeviceListing, OfflineOnlyAndMissingHeader) {
    std::string offline = "List of devices attached \r\nabc\toffline\r\n\r\n";
    auto entries = ParseDeviceListing(offline);
    ASSERT_TRUE(entries);
    EXPECT_FALSE((*entries)[0].online());
    EXPECT_FALSE(ListingHasOnlineDevice(offline));
    EXPECT_FALSE(ParseDeviceListing("error: no devices\n"));
    EXPECT_FALSE(ParseDeviceListing(""));
    EXPECT_FALSE(ParseDeviceListing("fail"));
    auto empty = ParseDeviceListing("List of devices attached\n\n");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

TEST(AdbDeviceListing, EmptyLineEndsTheListingAndSerialsAreBounded) {
    std::string longSerial(150, 'S');
    auto entries = ParseDeviceListing("List of devices attached\n" + longSerial +
                                      "\tdevice\n\nafter\tdevice\n");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 1u);
    EXPECT_EQ((*entries)[0].serial, std::string(99, 'S'));
}

TEST(AdbDeviceListing, SerialWithSpacesAndNoTab) {
    auto entries = ParseDeviceListing("List of devices attached\nmy phone 1\tunauthorized\nodd\n");
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 2u);
    EXPECT_EQ((*entries)[0].serial, "my phone 1");
    EXPECT_EQ((*entries)[0].state, "unauthorized");
    EXPECT_EQ((*entries)[1].serial, "odd");
    EXPECT_EQ((*entries)[1].state, "");
}
