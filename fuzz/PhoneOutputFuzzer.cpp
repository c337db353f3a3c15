// What shell commands on a phone print: getprop, df in both layouts, battery files, the
// identity commands (MAC, IMEI, su) and pm's install and uninstall answers.
#include "FuzzCheck.h"

#include "device/bridge/BatteryParsers.h"
#include "device/bridge/DfParser.h"
#include "device/bridge/GetpropParser.h"
#include "device/bridge/IdentityParsers.h"
#include "device/bridge/InstallOutcome.h"
#include "device/bridge/PhoneInfo.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void CheckDf(const DfValues& values) {
    FUZZ_CHECK(!values.sdcard || *values.sdcard >= 0);
    FUZZ_CHECK(!values.data || *values.data >= 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    PhoneInfo info;
    ReadGetpropFields(output, info);
    (void)IdentityUnknown(info);

    CheckDf(ParseBusyboxDf(output));
    CheckDf(ParseToolboxDf(output));

    if (IsBatteryLevel(output)) {
        // A level is a percentage: digits only, at most 100.
        const std::size_t first = output.find_first_not_of(" \t\r\n");
        const std::size_t last = output.find_last_not_of(" \t\r\n");
        FUZZ_CHECK(first != std::string_view::npos);
        const std::string_view digits = output.substr(first, last - first + 1);
        long long level = 0;
        for (char c : digits) {
            FUZZ_CHECK(c >= '0' && c <= '9');
            level = level > 1000 ? level : level * 10 + (c - '0');
        }
        FUZZ_CHECK(level <= 100);
    }
    (void)IsLongerThanLevel(output);
    if (auto path = CapacityPathFromFind(output)) {
        FUZZ_CHECK(path->find_first_of("\r\n") == std::string::npos);
    }

    (void)NeedsRootRetry(output);
    // Values that go into one field of a report or a line of the page: one line each.
    if (auto mac = MacFromOutput(output)) {
        FUZZ_CHECK(mac->find_first_of("\r\n") == std::string::npos);
    }
    if (auto imei = ImeiFromDumpsys(output)) {
        FUZZ_CHECK(imei->find_first_of("\r\n") == std::string::npos);
    }

    const int code = static_cast<int>(ClassifyInstallOutput(output));
    FUZZ_CHECK(code >= static_cast<int>(InstallCode::NoStorage) &&
               code <= static_cast<int>(InstallCode::Failed));
    (void)IsDeviceNotFoundText(output);
    if (IsSafePackageName(output)) {
        // A name that reaches a shell command line carries nothing the shell would act on.
        FUZZ_CHECK(output.find_first_of(" \t\r\n\"'`$;&|<>\\()*?") == std::string_view::npos);
    }
    return 0;
}
