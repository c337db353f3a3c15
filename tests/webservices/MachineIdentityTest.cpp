// Machine GUID store, adapter choice and the system text.
#include "webservices/MachineIdentity.h"

#include "TempDir.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace webservices;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

// "XXXXXXXX-XXXX-4xxx-YXXX-XXXXXXXXXXXX": upper-case hex, the third group lower-case and
// version 4, Y one of 8, 9, A, B.
bool LooksLikeStoredGuid(const std::string& text) {
    const std::string shape = "UUUUUUUU-UUUU-4lll-VUUU-UUUUUUUUUUUU";
    if (text.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        const bool ok = shape[i] == 'U'   ? digit || (c >= 'A' && c <= 'F')
                        : shape[i] == 'l' ? digit || (c >= 'a' && c <= 'f')
                        : shape[i] == 'V' ? c == '8' || c == '9' || c == 'A' || c == 'B'
                                          : c == shape[i];
        if (!ok) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(MachineGuid, FormatHasLowerCaseThirdGroup) {
    const std::array<std::uint8_t, 16> bytes = {0x6F, 0x96, 0x19, 0xFF, 0x8B, 0x86, 0xD0, 0x11,
                                                0xB4, 0x2D, 0x00, 0xC0, 0x4F, 0xC9, 0x64, 0xFF};
    EXPECT_EQ(FormatMachineGuid(bytes), "6F9619FF-8B86-d011-B42D-00C04FC964FF");
}

TEST(MachineGuid, CreatedOnceThenTheSameText) {
    TempDir config;
    ScopedEnv env("XDG_CONFIG_HOME", config.path());
    std::string first;
    ASSERT_TRUE(GetMachineGuid(first));
    EXPECT_TRUE(LooksLikeStoredGuid(first)) << first;
    EXPECT_EQ(MachineGuidStorePath(), config.path() + "/TarselInst/machine.ini");
    const std::string stored = testsupport::ReadFile(MachineGuidStorePath());
    EXPECT_NE(stored.find("GUID=" + first), std::string::npos) << stored;

    std::string again;
    ASSERT_TRUE(GetMachineGuid(again));
    EXPECT_EQ(again, first);
    EXPECT_EQ(testsupport::ReadFile(MachineGuidStorePath()), stored);
}

TEST(MachineGuid, StoreWithoutGuidIsNotRepaired) {
    TempDir config;
    ScopedEnv env("XDG_CONFIG_HOME", config.path());
    testsupport::WriteFile(config.file("TarselInst/machine.ini"), "[TarselInst]\nOther=1\n");
    std::string guid = "unchanged";
    EXPECT_FALSE(GetMachineGuid(guid));
    EXPECT_EQ(guid, "unchanged");
    EXPECT_EQ(testsupport::ReadFile(config.file("TarselInst/machine.ini")),
              "[TarselInst]\nOther=1\n");
}

TEST(MachineGuid, UnwritableStoreFails) {
    TempDir config;
    testsupport::WriteFile(config.file("TarselInst"), "a file where the folder should be");
    ScopedEnv env("XDG_CONFIG_HOME", config.path());
    std::string guid;
    EXPECT_FALSE(GetMachineGuid(guid));
}

namespace {

InterfaceEntry Link(const std::string& name, std::array<std::uint8_t, 6> mac, bool lo = false) {
    InterfaceEntry entry;
    entry.name = name;
    entry.loopback = lo;
    entry.mac = mac;
    return entry;
}

InterfaceEntry Inet(const std::string& name, const std::string& ip) {
    InterfaceEntry entry;
    entry.name = name;
    entry.ipv4 = ip;
    return entry;
}

} // namespace

TEST(FirstAdapter, FirstNonLoopbackWithMacAndItsFirstIpv4) {
    const std::vector<InterfaceEntry> entries = {
        Link("lo", {}, true),
        Link("dummy0", {0, 0, 0, 0, 0, 0}),
        Link("eth0", {0x02, 0x42, 0xAC, 0x11, 0x00, 0x0b}),
        Link("wlan0", {1, 2, 3, 4, 5, 6}),
        Inet("lo", "127.0.0.1"),
        Inet("wlan0", "192.0.2.7"),
        Inet("eth0", "198.51.100.4"),
        Inet("eth0", "198.51.100.5"),
    };
    std::string mac, ip;
    ASSERT_TRUE(ChooseFirstAdapter(entries, mac, ip));
    EXPECT_EQ(mac, "02-42-AC-11-00-0B");
    EXPECT_EQ(ip, "198.51.100.4");
}

TEST(FirstAdapter, WithoutIpv4ReportsZeroAddressAndWithoutMacFails) {
    std::string mac, ip;
    ASSERT_TRUE(
        ChooseFirstAdapter({Link("eth0", {1, 2, 3, 4, 5, 6}), Inet("eth1", "10.0.0.1")}, mac, ip));
    EXPECT_EQ(ip, "0.0.0.0");
    EXPECT_FALSE(ChooseFirstAdapter({Link("lo", {}, true), Inet("lo", "127.0.0.1")}, mac, ip));
}

TEST(SystemVersionText, PrettyNameKernelAndBitness) {
    EXPECT_EQ(ComposeSystemVersionText("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux "
                                       "12 (bookworm)\"\nID=debian\n",
                                       "6.1.0-18-amd64", "x86_64"),
              "Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64), 64-bit");
    EXPECT_EQ(ComposeSystemVersionText("", "5.10.0", "i686"), "Linux (kernel 5.10.0), 32-bit");
    const std::string longName = "PRETTY_NAME=" + std::string(400, 'n');
    EXPECT_EQ(ComposeSystemVersionText(longName, "1", "aarch64").size(), 256u);
    EXPECT_TRUE(IsMachine64Bit("aarch64"));
    EXPECT_FALSE(IsMachine64Bit("armv7l"));
    std::string text;
    ASSERT_TRUE(GetWindowsVersionText(text));
    EXPECT_NE(text.find("-bit"), std::string::npos);
}
