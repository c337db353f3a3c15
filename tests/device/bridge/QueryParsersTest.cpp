// The parsers behind the phone queries, table-driven over captured-style output: getprop
// listings, MAC and IMEI answers, install outputs, battery answers, find output and the df
// layouts. No adb here.
#include "device/bridge/ListeningSockets.h"
#include "device/bridge/BatteryParsers.h"
#include "device/bridge/DfParser.h"
#include "device/bridge/GetpropParser.h"
#include "device/bridge/IdentityParsers.h"
#include "device/bridge/InstallOutcome.h"
#include "device/bridge/OutputText.h"
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

const std::string kGetprop = "[dalvik.vm.heapsize]: [64m]\r\n"
                             "[gsm.version.baseband]: [I9100XXLQ6]\r\n"
                             "[ro.bootloader]: [I9100XXLQ6]\r\n"
                             "[ro.build.version.release]: [4.1.2]\r\n"
                             "[ro.product.manufacturer]: [samsung]\r\n"
                             "[ro.product.model]: [GT-I9100]\r\n";

} // namespace

TEST(OutputText, BetweenNeedsBothMarkersInOrder) {
    EXPECT_EQ(Between("a[x]b", "[", "]"), "x");
    EXPECT_EQ(Between("a[]b", "[", "]"), "");
    EXPECT_EQ(Between("a]b[c", "[", "]"), std::nullopt); // the end marker must follow
    EXPECT_EQ(Between("abc", "[", "]"), std::nullopt);
    EXPECT_EQ(Between("", "[", "]"), std::nullopt);
    EXPECT_EQ(Between("k: [v] k: [w]", "k: [", "]"), "v");
}

TEST(OutputText, TextToIntReadsLikeTheRuntimeAndSaturates) {
    std::size_t digits = 9;
    EXPECT_EQ(TextToInt("  277 ", &digits), 277);
    EXPECT_EQ(digits, 3u);
    EXPECT_EQ(TextToInt("1.5G"), 1);
    EXPECT_EQ(TextToInt("-12x"), -12);
    EXPECT_EQ(TextToInt("abc", &digits), 0);
    EXPECT_EQ(digits, 0u);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
}

TEST(OutputText, CharExcerptStaysInsideTheText) {
    std::u32string text = DecodeChars("ab数据cd");
    ASSERT_EQ(text.size(), 6u); // characters, not bytes
    EXPECT_EQ(EncodeChars(CharExcerpt(text, 1, 3)), "b数据");
    EXPECT_EQ(EncodeChars(CharExcerpt(text, -5, 2)), "ab");  // negative start counts from 0
    EXPECT_EQ(EncodeChars(CharExcerpt(text, 4, 100)), "cd"); // long count is shortened
    EXPECT_EQ(EncodeChars(CharExcerpt(text, 6, 1)), "");
    EXPECT_EQ(EncodeChars(CharExcerpt(text, 100, 1)), "");
    EXPECT_EQ(EncodeChars(CharExcerpt(text, 0, -1)), "");
    EXPECT_EQ(DecodeChars("a\xff"
                          "b")
                  .size(),
              3u); // a stray byte is one character
}

TEST(GetpropParser, ReadsEveryFieldOfACrLfListing) {
    PhoneInfo info;
    info.root = "kept";
    ReadGetpropFields(kGetprop, info);
    EXPECT_EQ(info.model, "GT-I9100");
    EXPECT_EQ(info.manufacturer, "samsung");
    EXPECT_EQ(info.release, "4.1.2");
    EXPECT_EQ(info.baseband, "I9100XXLQ6");
    EXPECT_EQ(info.bootloader, "I9100XXLQ6");
    EXPECT_EQ(info.root, "kept");
    EXPECT_FALSE(IdentityUnknown(info));
}

TEST(GetpropParser, MissingOrUnknownValuesGetTheMarker) {
    PhoneInfo info;
    ReadGetpropFields("[ro.product.model]: [X1]\n[ro.bootloader]: [unknown]\n"
                      "[ro.build.version.release]: [2.3.6]\n",
                      info);
    EXPECT_EQ(info.model, "X1");
    EXPECT_EQ(info.bootloader, kUnknownMarker);
    EXPECT_TRUE(info.isRead(PhoneFact::Bootloader)); // the phone's own "unknown"
    EXPECT_EQ(info.baseband, "");                    // no radio: nothing to read
    EXPECT_TRUE(info.isRead(PhoneFact::Baseband));
    EXPECT_EQ(info.manufacturer, kUnknownMarker); // every build sets it: the listing was cut
    EXPECT_FALSE(info.isRead(PhoneFact::Manufacturer));
    EXPECT_FALSE(IdentityUnknown(info));
}

TEST(GetpropParser, ErrorTextsAndBrokenLinesTellNothing) {
    PhoneInfo info;
    ReadGetpropFields("error: device not found\n", info);
    EXPECT_TRUE(IdentityUnknown(info));
    EXPECT_EQ(info.unread.count(), 5u); // root is not the listing's
    // A line cut off before its bracket does not take the next lines as its value.
    ReadGetpropFields("[ro.product.model]: [Cut\r\n[ro.bootloader]: [B1]\r\n", info);
    EXPECT_EQ(info.model, "Cut");
    EXPECT_EQ(info.bootloader, "B1");
    // Truncated output ends without the closing bracket.
    ReadGetpropFields("[ro.product.model]: [Trunc", info);
    EXPECT_EQ(info.model, kUnknownMarker);
}

// What counts as a listing: a complete "[key]: [value]" line somewhere; adb's and su's own
// words, an empty answer or a first line cut off are none.
TEST(GetpropParser, ListingsAndNonListings) {
    struct Case {
        const char* output;
        bool listing;
    } cases[] = {{"[ro.product.model]: [X1]\r\n", true},
                 {"* daemon started successfully *\n[a]: []\n", true},
                 {"[gsm.version.baseband]: []", true},
                 {"", false},
                 {"error: device not found\n", false},
                 {"error: protocol fault (no status)\n", false},
                 {"su: permission denied\n", false},
                 {"/system/bin/sh: getprop: not found\n", false},
                 {"[ro.product.model]: [Trunc", false},
                 {"[]: [x]\n", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsGetpropListing(c.output), c.listing) << c.output;
    }
}

// An empty baseband is a phone without a radio: blank and read, never asked again.
TEST(GetpropParser, EmptyBasebandIsReadAsBlank) {
    PhoneInfo info;
    ReadGetpropFields("[gsm.version.baseband]: []\n[ro.product.model]: [Tab]\n"
                      "[ro.product.manufacturer]: [M]\n[ro.build.version.release]: [9]\n"
                      "[ro.bootloader]: [B]\n",
                      info);
    EXPECT_EQ(info.baseband, "");
    EXPECT_TRUE(info.propertiesRead());
}

TEST(IdentityParsers, MacAnswers) {
    EXPECT_EQ(MacFromOutput("02:00:00:00:00:01\r\n"), "02:00:00:00:00:01");
    EXPECT_EQ(MacFromOutput("\r\n02:00:00:00:00:01\r\n"), "02:00:00:00:00:01");
    EXPECT_EQ(MacFromOutput("aa:bb:cc:dd:ee:01\r\naa:bb:cc:dd:ee:02\r\n"), "aa:bb:cc:dd:ee:01");
    EXPECT_EQ(MacFromOutput(""), std::nullopt);
    EXPECT_EQ(MacFromOutput("/system/bin/sh: su: not found\r\n"), std::nullopt);
    EXPECT_EQ(MacFromOutput("cat: /sys/class/net/usb*/address: No such file or directory\r\n"),
              std::nullopt);
    EXPECT_EQ(MacFromOutput("cat: /sys/class/net/usb0/address: Permission denied\r\n"),
              std::nullopt);
    EXPECT_EQ(MacFromOutput("error: closed\n"), std::nullopt);
}

TEST(IdentityParsers, ImeiIsTheRestOfTheIdLine) {
    EXPECT_EQ(ImeiFromDumpsys("Phone Subscriber Info:\r\n  Phone Type = GSM\r\n"
                              "  Device ID = 356938035643809\r\n"),
              "356938035643809");
    EXPECT_EQ(ImeiFromDumpsys("  Device ID = 356938035643809\r\n  Device SVN = 01\r\n"),
              "356938035643809");
    EXPECT_EQ(ImeiFromDumpsys("Permission Denial: can't dump iphonesubinfo\r\n"), std::nullopt);
    EXPECT_EQ(ImeiFromDumpsys("su: permission denied\r\n  Device ID = 1\r\n"), std::nullopt);
    EXPECT_EQ(ImeiFromDumpsys(""), std::nullopt);
    EXPECT_TRUE(NeedsRootRetry(""));
    EXPECT_TRUE(NeedsRootRetry("Permission Denial: can't dump iphonesubinfo"));
    EXPECT_FALSE(NeedsRootRetry("  Device ID = 1"));
}

struct InstallCase {
    const char* output;
    InstallCode code;
};

class InstallClassification : public ::testing::TestWithParam<InstallCase> {};

TEST_P(InstallClassification, FollowsTheTestOrder) {
    EXPECT_EQ(ClassifyInstallOutput(GetParam().output), GetParam().code) << GetParam().output;
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, InstallClassification,
    ::testing::Values(
        InstallCase{"\tpkg: /data/local/tmp/a.apk\r\nSuccess\r\n", InstallCode::Installed},
        InstallCase{"Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]\r\n", InstallCode::NoStorage},
        InstallCase{"adb: error: ... No space left on device\n", InstallCode::NoStorage},
        InstallCase{"Success\nerror: device not found\n", InstallCode::Installed},
        InstallCase{"No space left on device\nSuccess\n", InstallCode::NoStorage},
        InstallCase{"error: device not found\n", InstallCode::Unreachable},
        InstallCase{"adb: error: failed to get feature set: device 'PSIM0001' not found\n",
                    InstallCode::Unreachable},
        InstallCase{"adb: error: failed to get feature set: device not found\n",
                    InstallCode::Unreachable},
        InstallCase{"error: no devices/emulators found\n", InstallCode::Unreachable},
        InstallCase{"Failure [INSTALL_PARSE_FAILED_NOT_APK]\r\n", InstallCode::Failed},
        InstallCase{"error: more than one device/emulator\n", InstallCode::Failed},
        InstallCase{"fail", InstallCode::Failed}, InstallCase{"", InstallCode::Failed}));

TEST(InstallOutcome, PackageNamesThePhoneShellCannotMisread) {
    EXPECT_TRUE(IsSafePackageName("com.penlow.market"));
    EXPECT_TRUE(IsSafePackageName("Market_penlow.apk"));
    EXPECT_FALSE(IsSafePackageName(""));
    EXPECT_FALSE(IsSafePackageName("a;reboot"));
    EXPECT_FALSE(IsSafePackageName("a b"));
    EXPECT_FALSE(IsSafePackageName("$(reboot)"));
    EXPECT_FALSE(IsSafePackageName("-k"));
    EXPECT_FALSE(IsSafePackageName(std::string(256, 'a')));
}

TEST(InstallOutcome, QuotedArgumentSurvivesTheCommandLineSplit) {
    EXPECT_EQ(QuoteArgument("/home/u/a b.apk"), "\"/home/u/a b.apk\"");
    for (std::string path : {"/tmp/a \"b\".apk", "/tmp/end\\", "/tmp/x\\\"y", "/tmp/\\\\a"}) {
        std::vector<std::string> argv =
            platform::SplitCommandLine("adb install -r " + QuoteArgument(path) + " tail");
        ASSERT_EQ(argv.size(), 5u) << path;
        EXPECT_EQ(argv[3], path);
        EXPECT_EQ(argv[4], "tail");
    }
}

TEST(InstallOutcome, SerialStaysOneArgument) {
    EXPECT_EQ(SerialCommandLine("0123456789ABCDEF"), "bin\\Korvash\\adb -s 0123456789ABCDEF");
    for (std::string serial : {"a b", "x\" install -r \"/tmp/evil.apk", "c:\\", ""}) {
        std::vector<std::string> argv =
            platform::SplitCommandLine(SerialCommandLine(serial) + " shell pm uninstall x");
        ASSERT_EQ(argv.size(), 7u) << serial;
        EXPECT_EQ(argv[2], serial);
        EXPECT_EQ(argv[3], "shell");
    }
}

TEST(BatteryParsers, LevelAnswers) {
    EXPECT_TRUE(IsBatteryLevel("85\r\n"));
    EXPECT_TRUE(IsBatteryLevel("0\n"));
    EXPECT_TRUE(IsBatteryLevel("100\r\n"));
    EXPECT_FALSE(IsBatteryLevel("101\r\n"));
    EXPECT_FALSE(IsBatteryLevel("-1\r\n"));
    EXPECT_FALSE(IsBatteryLevel("abc\n")); // no digits is no level, not 0
    EXPECT_FALSE(IsBatteryLevel("8 5\n"));
    EXPECT_FALSE(IsBatteryLevel("\r\n"));
    EXPECT_FALSE(IsBatteryLevel(""));
    EXPECT_TRUE(IsLongerThanLevel("cat: /sys/class/power_supply/battery/capacity: No such file"));
    EXPECT_FALSE(IsLongerThanLevel("100\r\n"));
    EXPECT_FALSE(IsLongerThanLevel("电量五十")); // four characters, twelve bytes
}

TEST(BatteryParsers, CapacityPathFromFindOutput) {
    EXPECT_EQ(CapacityPathFromFind("./sys/class/power_supply/battery/capacity\r\n"),
              "./sys/class/power_supply/battery/capacity");
    // Complaints on earlier lines are not part of the path.
    EXPECT_EQ(CapacityPathFromFind("find: ./proc/1/fd: Permission denied\r\n"
                                   "./sys/devices/bms/capacity_level\r\n"),
              "./sys/devices/bms/capacity");
    EXPECT_EQ(CapacityPathFromFind("/system/bin/sh: find: not found\r\n"), std::nullopt);
    EXPECT_EQ(CapacityPathFromFind(""), std::nullopt);
    EXPECT_EQ(CapacityPathFromFind("./x;reboot;/capacity"), std::nullopt);
    EXPECT_EQ(CapacityPathFromFind("./a b/capacity"), std::nullopt);
}

struct DfCase {
    const char* name;
    bool busybox;
    std::string output;
    std::optional<std::int64_t> sdcard;
    std::optional<std::int64_t> data;
};

class DfLayouts : public ::testing::TestWithParam<DfCase> {};

TEST_P(DfLayouts, FixedOffsetsFindTheFreeColumn) {
    const DfCase& c = GetParam();
    DfValues values = c.busybox ? ParseBusyboxDf(c.output) : ParseToolboxDf(c.output);
    EXPECT_EQ(values.data, c.data);
    EXPECT_EQ(values.sdcard, c.sdcard);
}

const std::string kBusyboxDf =
    "Filesystem           1M-blocks      Used Available Use% Mounted on\n"
    "tmpfs                      400       120       280  30% /dev\n"
    "/dev/block/mtdblock3       400       120       280  30% /system\n"
    "/dev/block/mtdblock5       400       123       277  31% /data\n"
    "/dev/block/mtdblock4       400       120       280  30% /cache\n"
    "/dev/block/vold/179:1      7580      1234      6346  17% /mnt/sdcard\n";

const std::string kPercentDf =
    "Filesystem                   Size     Used     Free Use% Mounted on\r\n"
    "tmpfs                         400      120      280  30% /dev\r\n"
    "/dev/block/mtdblock5         2048      724     1324  36% /data\r\n"
    "/dev/block/vold/179:1        7580     1234     6346  17% /mnt/sdcard\r\n"
    "/dev/block/vold/179:9       15000     3000    12000  20% /mnt/sdcard2\r\n";

const std::string kKBlocksDf =
    "Filesystem           1K-blocks      Used Available Use% Mounted on\n"
    "tmpfs                   409600    122880    286720  30% /dev\n"
    "/dev/block/mtdblock5   2097152    741376   1355776  36% /data\n"
    "/dev/block/vold/179:1   7761920   1263616   6498304  17% /mnt/sdcard\n";

const std::string kBlockSizeDf = "Filesystem             Size   Used   Free   Blksize\r\n"
                                 "/dev                   400M   120M   280M   4096\r\n"
                                 "/system                400M   120M   280M   4096\r\n"
                                 "/data                  2.0G   512M   1.5G   4096\r\n"
                                 "/mnt/sdcard            7.4G   1.2G   487M   4096\r\n"
                                 "/mnt/sdcard2          14.6G   2.9G    12G   4096\r\n";

INSTANTIATE_TEST_SUITE_P(
    Layouts, DfLayouts,
    ::testing::Values(
        DfCase{"BusyboxMegabytes", true, kBusyboxDf, 6346, 277},
        DfCase{"PercentPrefersSdcard2", false, kPercentDf, 12000, 1324},
        DfCase{"KBlocksDividedBy1024", false, kKBlocksDf, 6346, 1324},
        DfCase{"BlockSizeGigabytesAndSdcard2", false, kBlockSizeDf, 12 * 1024, 1024},
        DfCase{"BlockSizeMegabytes", false,
               "Filesystem             Size   Used   Free   Blksize\n"
               "/data                  2.0G   512M   487M   4096\n"
               "/mnt/sdcard            7.4G   1.2G    32K   4096\n",
               0, 487},
        DfCase{"BlockSizeWithoutSdcard", false,
               "/data                  2.0G   512M   1.5G   4096\n", std::nullopt, 1024},
        // Offsets count characters, not bytes: three 3-byte characters between the number
        // and its "%" would push a byte-counted excerpt off the number.
        DfCase{"BusyboxCharactersNotBytes", true,
               "Filesystem           1M-blocks      Used Available Use% Mounted on\n"
               "/dev/block/mtdblock5       400       123       277 满满满% /data\n",
               std::nullopt, 277},
        DfCase{"NoMountRows", false, "Filesystem Size Used Free Use% Mounted on\n", std::nullopt,
               std::nullopt},
        DfCase{"AdbError", false, "error: no devices/emulators found\n", std::nullopt,
               std::nullopt},
        DfCase{"Empty", true, "", std::nullopt, std::nullopt},
        // Markers near the start: the window before a marker is cut at the start of the text
        // and never reaches past the marker.
        DfCase{"ShortRowClampsToTheText", true, "31% /data", std::nullopt, 31},
        DfCase{"MountOnly", false, "/data", std::nullopt, std::nullopt},
        // A minus sign in the column (a cut or garbled row) is no amount of free space.
        DfCase{"NegativeIsNotASize", true, "-7% /mnt/sdcard\n    -12 30% /data\n", std::nullopt,
               std::nullopt},
        // A row without its "%" does not borrow one from elsewhere in the output.
        DfCase{"PercentElsewhere", true,
               "/dev/block/mtdblock5       400       123       277       /data\n"
               "/dev/block/vold/179:1      7580      1234      6346  17% /mnt/sdcard\n",
               6346, std::nullopt}),
    [](const ::testing::TestParamInfo<DfCase>& info) { return std::string(info.param.name); });

// The adb server's socket among the kernel's socket table lines: listening (0A), on the port,
// of the user; everything else is skipped.
TEST(ListeningInodes, OnlyTheListeningSocketOfThePortAndUser) {
    const char* table =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
        "timeout inode\n"
        "   0: 0100007F:13AD 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000 "
        "       0 4711 1 0000000000000000 100 0 0 10 0\n"
        "   1: 0100007F:13AD 0100007F:C350 01 00000000:00000000 00:00000000 00000000  1000 "
        "       0 4712 1 0000000000000000 20 4 30 10 -1\n"
        "   2: 00000000:13AD 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0 "
        "       0 4713 1 0000000000000000 100 0 0 10 0\n"
        "   3: 0100007F:13AE 00000000:0000 0A 00000000:00000000 00:00000000 00000000  1000 "
        "       0 4714 1 0000000000000000 100 0 0 10 0\n"
        "   4: 00000000000000000000000001000000:13AD 00000000000000000000000000000000:0000 0A "
        "00000000:00000000 00:00000000 00000000  1000        0 4715 1 0000000000000000 100 0 0\n"
        "garbage\n";
    EXPECT_EQ(ParseListeningInodes(table, 5037, 1000), (std::vector<unsigned long>{4711, 4715}));
    EXPECT_TRUE(ParseListeningInodes(table, 5037, 1001).empty());
    EXPECT_EQ(ParseListeningInodes(table, 5038, 1000), (std::vector<unsigned long>{4714}));
}
