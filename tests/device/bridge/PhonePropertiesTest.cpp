// Property record, root probe, model/device, MAC addresses and IMEI, end to end: the real adb
// client against phonesim phones.
#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/QueryPhoneInfo.h"

#include "PhoneQueryFixture.h"

#include <atomic>
#include <thread>

using namespace phonetest;
using ::testing::ElementsAre;

namespace {

// A phone of the time: su works, /data closed to the shell user.
const char* const kPhone = R"({"serial": "PSIM0001", "su": "works",
  "props": {"ro.product.model": "Penlow P1", "ro.product.manufacturer": "Penlow",
            "ro.product.device": "p1", "ro.build.version.release": "4.4.2",
            "ro.bootloader": "P1BOOT01", "gsm.version.baseband": "P1-BB-2.0"}})";

std::string phoneWith(const std::string& extra) {
    return R"({"serial": "PSIM0001", )" + extra + "}";
}

class PhoneProperties : public PhoneQueryTest {};

} // namespace

TEST_F(PhoneProperties, SuListingFillsEveryFieldAndSuProbeGrantsRoot) {
    startPhones({kPhone});
    PhoneInfo info;
    EXPECT_TRUE(QueryPhoneInfo(info));
    EXPECT_EQ(info.model, "Penlow P1");
    EXPECT_EQ(info.manufacturer, "Penlow");
    EXPECT_EQ(info.release, "4.4.2");
    EXPECT_EQ(info.baseband, "P1-BB-2.0");
    EXPECT_EQ(info.bootloader, "P1BOOT01");
    EXPECT_EQ(info.root, "true");
    EXPECT_THAT(commands(),
                ElementsAre("$ su -c getprop", "# getprop", "$ mkdir /data/abdddgdgdgdg", "$ su",
                            "# mkdir /data/abdddgdgdgdg", "# exit", "$ exit"));
}

// A phone without a radio lists no baseband: blank, and read. A bootloader the phone itself
// calls unknown shows the marker, but it was read: nothing to ask again.
TEST_F(PhoneProperties, MissingBasebandIsBlankAndUnknownBootloaderGetsTheMarker) {
    startPhones({phoneWith(R"("getprop_text": "[ro.product.model]: [GT-I9100]\n)"
                           R"([ro.product.manufacturer]: [samsung]\n)"
                           R"([ro.build.version.release]: [4.0.4]\n)"
                           R"([ro.bootloader]: [unknown-0x1]\n")")});
    PhoneInfo info;
    EXPECT_TRUE(QueryPhoneInfo(info));
    EXPECT_EQ(info.model, "GT-I9100");
    EXPECT_EQ(info.manufacturer, "samsung");
    EXPECT_EQ(info.release, "4.0.4");
    EXPECT_EQ(info.baseband, "");
    EXPECT_EQ(info.bootloader, kUnknownMarker);
    EXPECT_EQ(info.root, "true"); // the model was read, so the probe ran
    EXPECT_TRUE(info.complete());
}

TEST_F(PhoneProperties, SuRefusedUsesPlainListingAndProbeSaysNoRoot) {
    startPhones({phoneWith(R"("su": "refused", "props": {"ro.product.model": "NoRoot"})")});
    PhoneInfo info;
    EXPECT_TRUE(QueryPhoneInfo(info));
    EXPECT_EQ(info.model, "NoRoot");
    EXPECT_EQ(info.root, "false");
    EXPECT_THAT(commands(),
                ElementsAre("$ su -c getprop", "$ getprop", "$ mkdir /data/abdddgdgdgdg", "$ su",
                            "$ mkdir /data/abdddgdgdgdg", "$ exit"));
}

TEST_F(PhoneProperties, PlainMkdirPermittedMeansRootWithoutSu) {
    startPhones({phoneWith(R"("data_writable": true, "su": "missing")")});
    PhoneInfo info;
    EXPECT_TRUE(QueryPhoneInfo(info));
    EXPECT_EQ(info.root, "true");
    EXPECT_THAT(commands(),
                ElementsAre("$ su -c getprop", "$ getprop", "$ mkdir /data/abdddgdgdgdg"));
    // The probe leaves its folder; the next probe finds it and removes it.
    EXPECT_NE(dump().find("\"path\": \"/data/abdddgdgdgdg\""), std::string::npos);
    clearLog();
    EXPECT_EQ(ProbeRoot(), "true");
    EXPECT_THAT(commands(),
                ElementsAre("$ mkdir /data/abdddgdgdgdg", "$ rmdir /data/abdddgdgdgdg"));
    EXPECT_EQ(dump().find("/data/abdddgdgdgdg"), std::string::npos);
}

TEST_F(PhoneProperties, LeftoverFolderIsRemovedThroughSu) {
    startPhones({phoneWith(R"("files": {"/data/abdddgdgdgdg": {"dir": true}})")});
    EXPECT_EQ(ProbeRoot(), "true");
    EXPECT_THAT(commands(), ElementsAre("$ mkdir /data/abdddgdgdgdg", "$ rmdir /data/abdddgdgdgdg",
                                        "$ su", "# mkdir /data/abdddgdgdgdg", "# exit", "$ exit",
                                        "$ su", "# rmdir /data/abdddgdgdgdg", "# exit", "$ exit"));
    EXPECT_EQ(dump().find("/data/abdddgdgdgdg"), std::string::npos);
}

TEST_F(PhoneProperties, ProtocolFaultEndsAtOnceWithoutProbe) {
    // The phone closes every shell stream: adb reports "error: protocol fault".
    startPhones({phoneWith(R"("faults": {"shell": "close"})")});
    PhoneInfo info;
    EXPECT_FALSE(QueryPhoneInfo(info));
    EXPECT_EQ(info.unread.count(), kPhoneFactCount); // every fact is asked again later
    for (const std::string* field :
         {&info.model, &info.manufacturer, &info.release, &info.baseband, &info.bootloader}) {
        EXPECT_EQ(*field, kUnknownMarker);
    }
    EXPECT_EQ(info.root, "");
    EXPECT_EQ(CountContaining(events(), "service\tPSIM0001\tshell:"), 1u);
}

TEST_F(PhoneProperties, NoPhoneGivesThreePassesOfUnknownsAndNoProbe) {
    startPhones({});
    PhoneInfo info;
    EXPECT_FALSE(QueryPhoneInfo(info));
    EXPECT_EQ(info.unread.count(), kPhoneFactCount);
    EXPECT_EQ(info.model, kUnknownMarker);
    EXPECT_EQ(info.manufacturer, kUnknownMarker);
    EXPECT_EQ(info.release, kUnknownMarker);
    EXPECT_EQ(info.baseband, kUnknownMarker);
    EXPECT_EQ(info.bootloader, kUnknownMarker);
    EXPECT_EQ(info.root, "");
    // adb asks for the phone's features once per command: three su listings, nothing more.
    EXPECT_EQ(CountContaining(events(), "host:features"), 3u);
}

// A getprop that answers after the limit leaves every fact unread (not blank); once the phone
// answers in time, reading again fills them, the root probe included.
TEST_F(PhoneProperties, SlowGetpropLeavesFactsUnreadUntilReadAgain) {
    startPhones({phoneWith(R"("delays": {"getprop": 7}, "su": "refused")")});
    PhoneInfo info;
    EXPECT_FALSE(QueryPhoneInfo(info));
    EXPECT_EQ(info.unread.count(), kPhoneFactCount);
    EXPECT_EQ(info.model, kUnknownMarker);
    EXPECT_EQ(info.baseband, kUnknownMarker);
    // su was refused at once, the plain listing ran out of time: no second pass, no probe.
    EXPECT_EQ(CountContaining(events(), "shell:getprop"), 1u);
    EXPECT_EQ(CountContaining(events(), "mkdir"), 0u);
    control(R"(set PSIM0001 {"delays": {"getprop": 0}})");
    EXPECT_TRUE(RereadPhoneInfo(info));
    EXPECT_EQ(info.model, "Penlow Phone");
    EXPECT_EQ(info.baseband, "BB-1.0");
    EXPECT_EQ(info.root, "false");
}

// Facts already read stay as they are: a second pass asks only for what is missing.
TEST_F(PhoneProperties, RereadLeavesReadFactsAlone) {
    startPhones({kPhone});
    PhoneInfo info;
    ASSERT_TRUE(QueryPhoneInfo(info));
    clearLog();
    EXPECT_TRUE(RereadPhoneInfo(info));
    EXPECT_TRUE(commands().empty());
    info.root.clear();
    info.setRead(PhoneFact::Root, false);
    EXPECT_TRUE(RereadPhoneInfo(info));
    EXPECT_EQ(info.root, "true");
    EXPECT_EQ(CountContaining(commands(), "getprop"), 0u);
}

TEST_F(PhoneProperties, ModelAndDeviceAreCachedUntilForced) {
    startPhones({kPhone});
    std::string model;
    std::string device;
    ASSERT_TRUE(GetModel(model, true));
    ASSERT_TRUE(GetProductDevice(device, true));
    EXPECT_EQ(model, "Penlow P1");
    EXPECT_EQ(device, "p1");
    control(R"(set PSIM0001 {"props": {"ro.product.model": "Penlow P2"}})");
    clearLog();
    ASSERT_TRUE(GetModel(model, false));
    EXPECT_EQ(model, "Penlow P1");
    EXPECT_TRUE(commands().empty());
    ASSERT_TRUE(GetModel(model, true));
    EXPECT_EQ(model, "Penlow P2");
    EXPECT_THAT(commands(), ElementsAre("$ getprop ro.product.model"));
}

TEST_F(PhoneProperties, AdbErrorClearsTheModelCache) {
    startPhones({kPhone});
    std::string model;
    ASSERT_TRUE(GetModel(model, true));
    control("unplug PSIM0001");
    EXPECT_FALSE(GetModel(model, true));
    EXPECT_EQ(model, "");
    // Nothing cached any more: even a non-forced call asks the phone again.
    control("plug PSIM0001");
    clearLog();
    ASSERT_TRUE(GetModel(model, false));
    EXPECT_EQ(model, "Penlow P1");
    EXPECT_THAT(commands(), ElementsAre("$ getprop ro.product.model"));
}

TEST_F(PhoneProperties, UsbMacAndImeiAreReadAndCached) {
    startPhones({phoneWith(R"("imei": "356938035643809",
                              "wifi": {"usb_mac": "02:1a:11:f0:00:07"})")});
    std::string mac;
    std::string imei;
    ASSERT_TRUE(GetUsbMac(mac, true));
    ASSERT_TRUE(GetImei(imei, true));
    EXPECT_EQ(mac, "02:1a:11:f0:00:07");
    EXPECT_EQ(imei, "356938035643809");
    EXPECT_THAT(commands(),
                ElementsAre("$ cat /sys/class/net/usb*/address", "$ dumpsys iphonesubinfo"));
    clearLog();
    mac.clear();
    imei.clear();
    EXPECT_TRUE(GetUsbMac(mac, false));
    EXPECT_TRUE(GetImei(imei, false));
    EXPECT_EQ(mac, "02:1a:11:f0:00:07");
    EXPECT_EQ(imei, "356938035643809");
    EXPECT_TRUE(commands().empty());
}

TEST_F(PhoneProperties, MissingUsbInterfaceFailsAndClearsTheCache) {
    startPhones({phoneWith(R"("wifi": {"usb_mac": null})")});
    std::string mac = "old";
    EXPECT_FALSE(GetUsbMac(mac, true));
    EXPECT_EQ(mac, "");
    EXPECT_TRUE(GetUsbMac(mac, false));
    EXPECT_EQ(mac, "");
}

TEST_F(PhoneProperties, RootOnlyValuesAreReadThroughSu) {
    startPhones({phoneWith(R"("imei": {"value": "860000000000042", "root_only": true},
                              "wifi": {"usb_mac": "02:00:00:00:00:09", "root_only": true})")});
    std::string mac;
    std::string imei;
    ASSERT_TRUE(GetUsbMac(mac, true));
    ASSERT_TRUE(GetImei(imei, true));
    EXPECT_EQ(mac, "02:00:00:00:00:09");
    EXPECT_EQ(imei, "860000000000042");
    EXPECT_EQ(CountContaining(commands(), "# cat /sys/class/net/usb*/address"), 1u);
    EXPECT_EQ(CountContaining(commands(), "# dumpsys iphonesubinfo"), 1u);
}

TEST_F(PhoneProperties, RootOnlyImeiWithoutSuIsNotRead) {
    startPhones({phoneWith(R"("su": "missing",
                              "imei": {"value": "860000000000042", "root_only": true})")});
    std::string imei = "old";
    EXPECT_FALSE(GetImei(imei, true));
    EXPECT_EQ(imei, "");
}

TEST_F(PhoneProperties, WifiMacOfRunningWifiIsReadWithoutSwitching) {
    startPhones({phoneWith(R"("wifi": {"mac": "a0:0b:ba:12:34:56"})")});
    std::string mac;
    EXPECT_TRUE(GetWifiMac(mac, true));
    EXPECT_EQ(mac, "a0:0b:ba:12:34:56");
    EXPECT_THAT(commands(), ElementsAre("$ getprop init.svc.wpa_supplicant",
                                        "$ cat /sys/class/net/wlan*/address"));
    mac.clear();
    EXPECT_FALSE(GetWifiMac(mac, false)); // non-forced: the cached text, reported as false
    EXPECT_EQ(mac, "a0:0b:ba:12:34:56");
}

TEST_F(PhoneProperties, StoppedWifiIsSwitchedOnReadAndSwitchedOff) {
    startPhones({phoneWith(R"("wifi": {"supplicant": "stopped", "mac": "a0:0b:ba:12:34:57"})")});
    std::string mac;
    EXPECT_TRUE(GetWifiMac(mac, true));
    EXPECT_EQ(mac, "a0:0b:ba:12:34:57");
    EXPECT_THAT(commands(),
                ElementsAre("$ getprop init.svc.wpa_supplicant", "$ svc wifi enable",
                            "$ getprop init.svc.wpa_supplicant",
                            "$ cat /sys/class/net/wlan*/address", "$ svc wifi disable"));
    EXPECT_NE(dump().find("\"wifi_on\": false"), std::string::npos);
}

TEST_F(PhoneProperties, StoppedWifiWithoutAddressIsStillSwitchedOff) {
    startPhones({phoneWith(R"("wifi": {"supplicant": "stopped", "mac": null})")});
    std::string mac = "old";
    EXPECT_TRUE(GetWifiMac(mac, true));
    EXPECT_EQ(mac, "");
    EXPECT_THAT(commands(), ElementsAre("$ getprop init.svc.wpa_supplicant", "$ svc wifi enable",
                                        "$ getprop init.svc.wpa_supplicant",
                                        "$ cat /sys/class/net/wlan*/address",
                                        "$ cat /sys/class/net/eth*/address", "$ svc wifi disable"));
    EXPECT_NE(dump().find("\"wifi_on\": false"), std::string::npos);
}

TEST_F(PhoneProperties, WifiMacFailsWhenAdbReportsAnError) {
    startPhones({});
    std::string mac = "old";
    EXPECT_FALSE(GetWifiMac(mac, true));
    EXPECT_EQ(mac, "");
}

// Readers on other threads see the old or the new model, never a mixture or a torn text,
// while the phone worker keeps replacing it.
TEST_F(PhoneProperties, CachedModelIsSafeForConcurrentReaders) {
    const std::string first(200, 'A');
    const std::string second(300, 'B');
    startPhones({phoneWith(R"("props": {"ro.product.model": ")" + first + R"("})")});
    std::string model;
    ASSERT_TRUE(GetModel(model, true));
    std::atomic<bool> done{false};
    std::atomic<int> bad{0};
    std::atomic<long> reads{0};
    auto reader = [&] {
        std::string seen;
        while (!done.load()) {
            (void)GetModel(seen, false);
            if (seen != first && seen != second) {
                ++bad;
            }
            ++reads;
        }
    };
    std::thread a(reader);
    std::thread b(reader);
    for (int round = 0; round < 6; ++round) {
        const std::string& next = round % 2 == 0 ? second : first;
        control(R"(set PSIM0001 {"props": {"ro.product.model": ")" + next + R"("}})");
        EXPECT_TRUE(GetModel(model, true));
        EXPECT_EQ(model, next);
    }
    done = true;
    a.join();
    b.join();
    EXPECT_EQ(bad.load(), 0);
    EXPECT_GT(reads.load(), 0);
}
