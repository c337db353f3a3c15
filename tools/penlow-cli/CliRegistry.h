// Sub-commands of penlow-cli. Each subsystem registers its own in a Commands<Area>.cpp file:
//
//     static const CliRegistration kSerial{"serial", "serial [--force]", "prints the serial",
//                                          runSerial};
//
// A command receives the arguments after its name, prints plain text (one value per line) and
// returns the process exit code (0 on success, 1 on failure, 2 on bad usage). A command that
// asks the attached phone registers with CliPhone::Follow: penlow-cli then picks one phone
// first (PhoneChoice.h) and every adb child it starts is pointed at it.
#pragma once

#include <string>
#include <vector>

using CliArgs = std::vector<std::string>;
using CliHandler = int (*)(const CliArgs& args);

enum class CliPhone { Ignore, Follow };

struct CliCommand {
    std::string name;
    std::string usage;
    std::string summary;
    CliHandler run;
    CliPhone phone = CliPhone::Ignore;
};

/// Adds a command at static-initialisation time.
struct CliRegistration {
    CliRegistration(const char* name, const char* usage, const char* summary, CliHandler run,
                    CliPhone phone = CliPhone::Ignore);
};

/// All registered commands, sorted by name.
std::vector<CliCommand> RegisteredCommands();

/// Prints "usage: penlow-cli <usage>" to stderr and returns 2.
int CliUsageError(const std::string& usage);
