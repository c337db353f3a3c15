// Enumerating USB devices from fixture sysfs trees.
#include "device/connection/UsbEnumeration.h"

#include "ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

TEST(UsbEnumeration, OneRecordPerDeviceInNameOrder) {
    FakeSysfs sysfs;
    sysfs.plug("usb1", "1d6b", "0002");  // root hub
    sysfs.plug("1-2", "18d1", "4ee2");   // phone, lower case as the kernel writes it
    sysfs.plug("1-1", "046d", "c077");   // mouse
    sysfs.plug("1-1.4", "04E8", "6860"); // phone behind a hub
    EXPECT_EQ(EnumerateUsbDevices(sysfs.root()), "046DC077"
                                                 "04E86860"
                                                 "18D14EE2"
                                                 "1D6B0002");
}

// adb names a USB phone by the serial it gives on USB; what could not be an adb serial is
// no serial.
TEST(UsbEnumeration, DevicesCarryTheirUsbSerials) {
    FakeSysfs sysfs;
    sysfs.plug("1-1", "18d1", "4ee2", "0123456789ABCDEF");
    sysfs.plug("1-2", "04e8", "6860");
    sysfs.plug("1-3", "04e8", "6860", std::string(99, 'S'));
    sysfs.plug("1-4", "04e8", "6860", std::string(100, 'S'));
    sysfs.plug("1-5", "04e8", "6860", "two words");
    EXPECT_EQ(ListUsbDevices(sysfs.root()),
              (std::vector<UsbDevice>{{"18D14EE2", "0123456789ABCDEF"},
                                      {"04E86860", ""},
                                      {"04E86860", std::string(99, 'S')},
                                      {"04E86860", ""},
                                      {"04E86860", ""}}));
}

TEST(UsbEnumeration, InterfacesAndHiddenEntriesAreNotDevices) {
    FakeSysfs sysfs;
    sysfs.plug("1-1", "18d1", "4ee2");
    WriteFile(sysfs.root() + "/bus/usb/devices/1-1:1.0/bInterfaceClass", "ff\n");
    WriteFile(sysfs.root() + "/bus/usb/devices/.hidden/idVendor", "04e8\n");
    EXPECT_EQ(EnumerateUsbDevices(sysfs.root()), "18D14EE2");
    EXPECT_FALSE(IsUsbDeviceEntry("1-1:1.0"));
    EXPECT_TRUE(IsUsbDeviceEntry("usb2"));
}

TEST(UsbEnumeration, MissingOrMalformedIdsGiveZeros) {
    FakeSysfs sysfs;
    WriteFile(sysfs.root() + "/bus/usb/devices/1-1/idVendor", "18d1\n");  // no idProduct
    WriteFile(sysfs.root() + "/bus/usb/devices/1-2/idProduct", "4ee2\n"); // no idVendor
    sysfs.plug("1-3", "18d1x", "4e");
    sysfs.plug("1-4", std::string(5000, 'a'), "zzzz");
    EXPECT_EQ(EnumerateUsbDevices(sysfs.root()), "18D10000"
                                                 "00004EE2"
                                                 "00000000"
                                                 "00000000");
}

TEST(UsbEnumeration, IdentifiersFromAttributeText) {
    EXPECT_EQ(UsbIdFromAttribute("18d1\n"), "18D1");
    EXPECT_EQ(UsbIdFromAttribute("  0bB4 \r\n"), "0BB4");
    EXPECT_EQ(UsbIdFromAttribute(""), "0000");
    EXPECT_EQ(UsbIdFromAttribute("18d"), "0000");
    EXPECT_EQ(UsbIdFromAttribute("18 d1"), "0000");
    EXPECT_EQ(UsbIdFromAttribute("-1d1"), "0000");
}

TEST(UsbEnumeration, TwoIdenticalDevicesGiveTwoRecords) {
    FakeSysfs sysfs;
    sysfs.plug("1-1", "04e8", "6860");
    sysfs.plug("1-2", "04e8", "6860");
    EXPECT_EQ(EnumerateUsbDevices(sysfs.root()), "04E86860"
                                                 "04E86860");
}

TEST(UsbEnumeration, RootComesFromTheEnvironment) {
    FakeSysfs sysfs;
    sysfs.plug("1-1", "12d1", "1038");
    {
        ScopedEnv root(kSysfsRootVariable, sysfs.root());
        EXPECT_EQ(SysfsRoot(), sysfs.root());
        EXPECT_EQ(EnumerateUsbDevices(), "12D11038");
    }
    ScopedEnv empty(kSysfsRootVariable, "");
    EXPECT_EQ(SysfsRoot(), "/sys");
    EXPECT_EQ(EnumerateUsbDevices(sysfs.root() + "/missing"), "");
}
