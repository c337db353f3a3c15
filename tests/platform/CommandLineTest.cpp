// Every command text the program hands to the runners must split into the argv adb expects.
#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using Argv = std::vector<std::string>;

struct SplitCase {
    const char* line;
    Argv argv;
};

class CommandCatalogue : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandCatalogue, SplitsLikeTheWindowsRuntime) {
    EXPECT_EQ(platform::CommandLineToArgv(GetParam().line), GetParam().argv);
}

INSTANTIATE_TEST_SUITE_P(
    AdbCommands, CommandCatalogue,
    ::testing::Values(
        SplitCase{R"(bin\Korvash\adb devices)", {"bin/Korvash/adb", "devices"}},
        SplitCase{R"(bin\Korvash\adb kill-server)", {"bin/Korvash/adb", "kill-server"}},
        SplitCase{R"(bin\Korvash\adb start-server)", {"bin/Korvash/adb", "start-server"}},
        SplitCase{R"(bin\Korvash\adb shell su -c "getprop")",
                  {"bin/Korvash/adb", "shell", "su", "-c", "getprop"}},
        SplitCase{R"(bin\Korvash\adb shell "getprop")", {"bin/Korvash/adb", "shell", "getprop"}},
        SplitCase{R"(bin\Korvash\adb shell "getprop ro.product.model")",
                  {"bin/Korvash/adb", "shell", "getprop ro.product.model"}},
        SplitCase{R"(bin\Korvash\adb shell su -c "cat /sys/class/power_supply/battery/capacity")",
                  {"bin/Korvash/adb", "shell", "su", "-c",
                   "cat /sys/class/power_supply/battery/capacity"}},
        SplitCase{R"(bin\Korvash\adb shell su -c "find -name "capacity"")",
                  {"bin/Korvash/adb", "shell", "su", "-c", "find -name capacity"}},
        SplitCase{R"(bin\Korvash\adb shell cat /sys/class/power_supply/battery/capacity)",
                  {"bin/Korvash/adb", "shell", "cat", "/sys/class/power_supply/battery/capacity"}},
        SplitCase{R"(bin\Korvash\adb shell pm setInstallLocation 2)",
                  {"bin/Korvash/adb", "shell", "pm", "setInstallLocation", "2"}},
        SplitCase{R"(bin\Korvash\adb -s 0123 ABC shell pm uninstall com.x.y)",
                  {"bin/Korvash/adb", "-s", "0123", "ABC", "shell", "pm", "uninstall", "com.x.y"}},
        SplitCase{R"(bin\Korvash\adb -s 0123 install -r "/home/u/Documents/a b.apk")",
                  {"bin/Korvash/adb", "-s", "0123", "install", "-r", "/home/u/Documents/a b.apk"}},
        SplitCase{
            R"(bin\Korvash\adb push "/opt/Penlow/bin/Korvash/busybox" /data/local/tmp)",
            {"bin/Korvash/adb", "push", "/opt/Penlow/bin/Korvash/busybox", "/data/local/tmp"}}));

INSTANTIATE_TEST_SUITE_P(
    QuotingRules, CommandCatalogue,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"   ", {}}, SplitCase{"a\t b", {"a", "b"}},
                      SplitCase{R"(x "a \"q\" b")", {"x", R"(a "q" b)"}},
                      SplitCase{R"(x a\\\\"b c")", {"x", R"(a\\b c)"}},
                      SplitCase{R"(x a\\\"b)", {"x", R"(a\"b)"}},
                      SplitCase{R"(x a\b)", {"x", R"(a\b)"}},
                      SplitCase{R"(x "" y)", {"x", "", "y"}},
                      SplitCase{R"(x "a""b")", {"x", R"(a"b)"}},
                      SplitCase{R"(x "unterminated arg)", {"x", "unterminated arg"}}));

TEST(CommandLine, OnlyTheProgramPathLosesItsBackslashes) {
    Argv argv = platform::CommandLineToArgv(R"(bin\Korvash\adb shell echo a\b)");
    EXPECT_EQ(argv, (Argv{"bin/Korvash/adb", "shell", "echo", R"(a\b)"}));
}
