// penlow-cli: runs one operation of the program per sub-command, in a program folder given by
// --program-folder (default: the working directory), and prints what the program sees. A
// phone command follows one phone: --serial S, else ANDROID_SERIAL, else the attached one.
#include "CliRegistry.h"
#include "PhoneChoice.h"

#include "app/parts/ProgramParts.h"
#include "device/bridge/AdbHostClient.h"
#include "device/bridge/FollowedPhone.h"
#include "platform/config/AppPaths.h"

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

void printHelp() {
    std::printf("usage: penlow-cli [--program-folder DIR] [--serial S] COMMAND [ARGS...]\n\n"
                "--serial S: the phone that phone commands follow (else ANDROID_SERIAL, else\n"
                "the one `penlow-cli serial` names)\n\ncommands:\n");
    for (const CliCommand& command : RegisteredCommands()) {
        std::printf("  %-44s %s\n", command.usage.c_str(), command.summary.c_str());
    }
}

// The program runs with its folder as working directory (adb is named relative to it).
bool enterProgramFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
    if (ec || !std::filesystem::is_directory(absolute, ec)) {
        std::fprintf(stderr, "penlow-cli: no such program folder: %s\n", folder.c_str());
        return false;
    }
    std::filesystem::current_path(absolute, ec);
    if (ec) {
        return false;
    }
    OverrideModuleFolder(absolute.lexically_normal().string());
    return true;
}

// Points the process's adb children at one phone, as the program does for the phone it
// follows, and says which on stderr.
void followOnePhone(const std::string& option) {
    const PhoneChoice choice =
        ChoosePhone(option, std::getenv("ANDROID_SERIAL"), [] { return GetSerial(false).serial; });
    SetFollowedSerial(choice.serial);
    std::fprintf(stderr, "%s\n", DescribePhoneChoice(choice).c_str());
}

} // namespace

int main(int argc, char* argv[]) {
    std::signal(SIGPIPE, SIG_IGN);
    CliArgs args(argv + 1, argv + argc);
    std::string folder = ".";
    std::string serial;
    while (args.size() >= 2 && (args[0] == "--program-folder" || args[0] == "--serial")) {
        (args[0] == "--serial" ? serial : folder) = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty() || args[0] == "--help" || args[0] == "help") {
        printHelp();
        return args.empty() ? 2 : 0;
    }
    if (!enterProgramFolder(folder)) {
        return 1;
    }
    for (const CliCommand& command : RegisteredCommands()) {
        if (command.name == args[0]) {
            if (command.phone == CliPhone::Follow) {
                followOnePhone(serial);
            }
            const int code = command.run(CliArgs(args.begin() + 1, args.end()));
            // As the program does at exit: background work a command left (a report, a job)
            // is stopped and its threads joined before static objects go away.
            StopProgramWork();
            return code;
        }
    }
    std::fprintf(stderr, "penlow-cli: unknown command %s\n", args[0].c_str());
    printHelp();
    return 2;
}
