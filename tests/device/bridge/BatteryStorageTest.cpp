// Battery level, busybox and free space end to end: the real adb client against phonesim
// phones with the df layouts and battery files phones of the time have.
#include "device/bridge/BatteryQuery.h"
#include "device/bridge/Busybox.h"
#include "device/bridge/PhoneInfo.h"
#include "device/bridge/StorageQuery.h"

#include "PhoneQueryFixture.h"
#include "TempDir.h"

#include <filesystem>

using namespace phonetest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

constexpr const char* kSuCat = "$ su -c cat /sys/class/power_supply/battery/capacity";
constexpr const char* kRootCat = "# cat /sys/class/power_supply/battery/capacity";
constexpr const char* kPlainCat = "$ cat /sys/class/power_supply/battery/capacity";

std::string phoneWith(const std::string& extra) {
    return R"({"serial": "PSIM0001", )" + extra + "}";
}

// Busybox already pushed by an earlier run and executable.
const char* const kBusyboxOnPhone =
    R"("files": {"/data/local/tmp/busybox": {"content": "busybox", "mode": "755"}})";

class BatteryStorage : public PhoneQueryTest {};

} // namespace

TEST_F(BatteryStorage, LevelIsReadThroughSu) {
    startPhones({phoneWith(R"("battery": {"value": "85"})")});
    std::string level;
    EXPECT_TRUE(QueryBattery(level));
    EXPECT_EQ(level, "85\r\n");
    EXPECT_THAT(commands(), ElementsAre(kSuCat, kRootCat));
}

TEST_F(BatteryStorage, MissingSuSwitchesToThePlainRead) {
    startPhones({phoneWith(R"("su": "missing", "battery": {"value": "7"})")});
    std::string level;
    EXPECT_TRUE(QueryBattery(level));
    EXPECT_EQ(level, "7\r\n");
    EXPECT_THAT(commands(), ElementsAre(kSuCat, kPlainCat));
}

TEST_F(BatteryStorage, NoCapacityFileAnywhereGivesUnknownAfterFourPasses) {
    startPhones({phoneWith(R"("battery": false)")});
    std::string level;
    EXPECT_FALSE(QueryBattery(level));
    EXPECT_EQ(level, kUnknownMarker);
    std::vector<std::string> ran = commands();
    EXPECT_EQ(CountContaining(ran, kSuCat), 4u);
    // The third and fourth passes search for the file: find through su, then busybox's find.
    EXPECT_EQ(CountContaining(ran, "$ su -c find -name capacity"), 2u);
    EXPECT_GE(CountContaining(ran, "/data/local/tmp/busybox find -name capacity"), 2u);
}

TEST_F(BatteryStorage, CapacityFileElsewhereIsFoundOnTheThirdPass) {
    startPhones({phoneWith(
        R"("battery": {"path": "/sys/class/power_supply/bms/capacity", "value": "64"})")});
    std::string level;
    EXPECT_TRUE(QueryBattery(level));
    EXPECT_EQ(level, "64\r\n");
    std::vector<std::string> ran = commands();
    EXPECT_EQ(CountContaining(ran, kSuCat), 3u);
    EXPECT_EQ(ran.back(), "$ cat ./sys/class/power_supply/bms/capacity");
}

TEST_F(BatteryStorage, PhoneWithoutFindSearchesWithPushedBusybox) {
    startPhones({phoneWith(R"("find": "missing",
        "battery": {"path": "/sys/class/power_supply/bms/capacity", "value": "51"})")});
    std::string level;
    EXPECT_TRUE(QueryBattery(level));
    EXPECT_EQ(level, "51\r\n");
    EXPECT_THAT(StartingWith(commands(), "$ /data/local/tmp/busybox"),
                ElementsAre("$ /data/local/tmp/busybox find -name capacity",
                            "$ /data/local/tmp/busybox find -name capacity"));
    EXPECT_EQ(CountContaining(events(), "sync\tPSIM0001\tSEND /data/local/tmp/busybox"), 1u);
}

TEST_F(BatteryStorage, BusyboxAlreadyOnThePhoneRunsOnceAndPushesNothing) {
    startPhones({phoneWith(kBusyboxOnPhone)});
    std::string output = RunBusybox("df -m");
    EXPECT_THAT(output, HasSubstr("1M-blocks"));
    EXPECT_THAT(commands(), ElementsAre("$ /data/local/tmp/busybox df -m"));
    EXPECT_EQ(CountContaining(events(), "sync:"), 0u);
}

TEST_F(BatteryStorage, BusyboxIsPushedThroughSuInOrder) {
    startPhones({phoneWith(R"("su": "works")")});
    EXPECT_THAT(RunBusybox("df -m"), HasSubstr("1M-blocks"));
    EXPECT_THAT(
        commands(),
        ElementsAre("$ /data/local/tmp/busybox df -m", "$ su -c chmod 777 /data/local/tmp",
                    "# chmod 777 /data/local/tmp", "$ su -c chmod 777 /data/local/tmp/busybox",
                    "# chmod 777 /data/local/tmp/busybox", "$ /data/local/tmp/busybox df -m"));
    // The push comes between the two chmods.
    std::vector<std::string> all = events();
    auto at = [&](const std::string& needle) {
        return std::find_if(
                   all.begin(), all.end(),
                   [&](const std::string& e) { return e.find(needle) != std::string::npos; }) -
               all.begin();
    };
    EXPECT_LT(at("# chmod 777 /data/local/tmp"), at("SEND /data/local/tmp/busybox"));
    EXPECT_LT(at("SEND /data/local/tmp/busybox"), at("# chmod 777 /data/local/tmp/busybox"));
}

// The program folder holds a static 32-bit ARM busybox, which reaches the phone whole.
TEST_F(BatteryStorage, ShippedBusyboxIsAnArmProgramThatIsPushedWhole) {
    const std::string binary = testsupport::ReadFile(ShippedBusybox());
    ASSERT_GT(binary.size(), 52u);
    EXPECT_EQ(binary.substr(0, 4), "\x7f"
                                   "ELF");
    EXPECT_EQ(binary[4], 1); // 32-bit
    EXPECT_EQ(binary[5], 1); // little-endian
    EXPECT_EQ(static_cast<unsigned char>(binary[18]) |
                  (static_cast<unsigned char>(binary[19]) << 8),
              40);                                              // EM_ARM
    EXPECT_EQ(binary.find("/lib/ld-linux"), std::string::npos); // no dynamic loader

    startPhones({phoneWith(R"("su": "works")")});
    EXPECT_THAT(RunBusybox("df -m"), HasSubstr("1M-blocks"));
    const std::vector<std::string> stored = control("file PSIM0001 /data/local/tmp/busybox");
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored[0].size(), (binary.size() + 2) / 3 * 4); // its Base64 text
}

// Without the program's busybox there is nothing to push: one run on the phone, then nothing.
TEST_F(BatteryStorage, MissingBusyboxSkipsEveryInstallStep) {
    const std::string local = ProgramFolder() + "/bin/Korvash/busybox";
    std::filesystem::rename(local, local + ".away");
    startPhones({phoneWith(R"("su": "works")")});
    const std::string output = RunBusybox("df -m");
    std::filesystem::rename(local + ".away", local);
    EXPECT_EQ(output, "");
    EXPECT_THAT(commands(), ElementsAre("$ /data/local/tmp/busybox df -m"));
    EXPECT_EQ(CountContaining(events(), "sync"), 0u);
}

TEST_F(BatteryStorage, BusyboxWithoutSuIsPushedThePlainWay) {
    startPhones({phoneWith(R"("su": "refused")")});
    EXPECT_THAT(RunBusybox("df -m"), HasSubstr("1M-blocks"));
    EXPECT_THAT(commands(),
                ElementsAre("$ /data/local/tmp/busybox df -m", "$ su -c chmod 777 /data/local/tmp",
                            "$ /data/local/tmp/busybox df -m", "$ chmod 777 /data/local/tmp",
                            "$ chmod 777 /data/local/tmp/busybox",
                            "$ /data/local/tmp/busybox df -m"));
}

TEST_F(BatteryStorage, FullTmpFolderIsClearedOnceBeforeTheSecondPush) {
    startPhones({phoneWith(R"("push_space": "full_until_rm")")});
    EXPECT_THAT(RunBusybox("df -m"), HasSubstr("1M-blocks"));
    EXPECT_EQ(CountContaining(commands(), "# rm /data/local/tmp/*"), 1u);
    std::vector<std::string> pushes;
    for (const std::string& event : events()) {
        if (event.find("stored /data/local/tmp/busybox") != std::string::npos) {
            pushes.push_back(event);
        } else if (event.find("# rm /data/local/tmp/*") != std::string::npos) {
            pushes.push_back("rm");
        }
    }
    ASSERT_EQ(pushes.size(), 3u);
    EXPECT_NE(pushes[0].find("No space left on device"), std::string::npos);
    EXPECT_EQ(pushes[1], "rm");
    EXPECT_EQ(pushes[2].find("No space"), std::string::npos);
}

TEST_F(BatteryStorage, BusyboxDfRowGivesAvailableMegabytes) {
    startPhones({phoneWith(std::string(kBusyboxOnPhone) + R"(, "df": {
        "data": {"size_mb": 400, "used_mb": 123, "free_mb": 277},
        "sdcard": {"size_mb": 7580, "used_mb": 1234, "free_mb": 6346}})")});
    std::int64_t sdcard = -1;
    std::int64_t data = -1;
    EXPECT_TRUE(QueryStorage(sdcard, data));
    EXPECT_EQ(data, 277);
    EXPECT_EQ(sdcard, 6346);
    EXPECT_THAT(commands(), ElementsAre("$ /data/local/tmp/busybox df -m"));
}

// Busybox cannot be installed (every push finds the folder full), so the phone's own df is
// read.
class ToolboxStorage : public PhoneQueryTest {
protected:
    void startWithDf(const std::string& df) {
        startPhones({phoneWith(R"("push_space": "full", "df": )" + df)});
    }
};

TEST_F(ToolboxStorage, BlockSizeTableWithGigabytes) {
    startWithDf(R"({"toolbox": "4096",
        "data": {"size_mb": 2048, "used_mb": 512, "free_mb": 1536},
        "sdcard": {"size_mb": 7580, "used_mb": 1234, "free_mb": 487}})");
    std::int64_t sdcard = -1;
    std::int64_t data = -1;
    EXPECT_TRUE(QueryStorage(sdcard, data));
    EXPECT_EQ(data, 1024); // "1.5G": the whole gigabytes times 1024
    EXPECT_EQ(sdcard, 487);
    EXPECT_EQ(CountContaining(commands(), "$ df"), 1u);
}

TEST_F(ToolboxStorage, KBlocksTableIsDividedBy1024) {
    startWithDf(R"({"toolbox": "kblocks",
        "data": {"size_mb": 2048, "used_mb": 724, "free_mb": 1324},
        "sdcard": {"size_mb": 7580, "used_mb": 1234, "free_mb": 6346}})");
    std::int64_t sdcard = -1;
    std::int64_t data = -1;
    EXPECT_TRUE(QueryStorage(sdcard, data));
    EXPECT_EQ(data, 1324);
    EXPECT_EQ(sdcard, 6346);
}

TEST_F(ToolboxStorage, PercentTablePrefersTheSecondSdCard) {
    startWithDf(R"({"toolbox": "percent",
        "data": {"size_mb": 2048, "used_mb": 724, "free_mb": 1324},
        "sdcard": {"size_mb": 7580, "used_mb": 1234, "free_mb": 6346},
        "sdcard2": {"size_mb": 15000, "used_mb": 3000, "free_mb": 12000}})");
    std::int64_t sdcard = -1;
    std::int64_t data = -1;
    EXPECT_TRUE(QueryStorage(sdcard, data));
    EXPECT_EQ(data, 1324);
    EXPECT_EQ(sdcard, 12000);
}

TEST_F(ToolboxStorage, NoPhoneGivesFalseAndZeros) {
    startPhones({});
    std::int64_t sdcard = -1;
    std::int64_t data = -1;
    EXPECT_FALSE(QueryStorage(sdcard, data));
    EXPECT_EQ(sdcard, 0);
    EXPECT_EQ(data, 0);
}
