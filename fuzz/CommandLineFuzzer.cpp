// Command-line splitting with the Windows C runtime's rules, which every program the system
// starts goes through: quoted arguments come back unchanged, and a serial given to adb
// stays one argument whatever it contains.
#include "FuzzCheck.h"

#include "device/bridge/InstallOutcome.h"
#include "platform/CommandLine.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string serial = input.ConsumeRandomLengthString(64);
    std::vector<std::string> args;
    std::string line;
    while (input.remaining_bytes() > 0 && args.size() < 16) {
        args.push_back(input.ConsumeRandomLengthString(32));
        line += (line.empty() ? "" : " ") + QuoteArgument(args.back());
    }
    FUZZ_CHECK(platform::SplitCommandLine(line) == args);

    // Any text splits without a crash; no argument is longer than the line.
    for (const std::string& arg : platform::CommandLineToArgv(serial)) {
        FUZZ_CHECK(arg.size() <= serial.size());
    }

    // Any serial, the empty one included, stays exactly one argument after "-s".
    const std::vector<std::string> argv =
        platform::CommandLineToArgv(SerialCommandLine(serial) + " shell pm list packages");
    FUZZ_CHECK(argv.size() == 7);
    FUZZ_CHECK(argv[0] == "bin/Korvash/adb" && argv[1] == "-s" && argv[2] == serial);
    FUZZ_CHECK(argv[3] == "shell");
    return 0;
}
