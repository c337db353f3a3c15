// Penlow's process entry: start-up, the main window, exit. --version and --help answer without
// a display or a program folder.
#include "ProgramMain.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// True when the command line only asked about the program; the answer is printed.
bool AnswerQuestion(int argc, char* argv[]) {
    if (argc != 2) {
        return false;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("Penlow %s\n", PENLOW_VERSION);
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::printf("Usage: penlow [--version | --help | FILE.apk ...]\n"
                    "Desktop assistant for Android phones: plug a phone in by USB (with USB\n"
                    "debugging on) to see it, install apps from the store page, and keep their\n"
                    "downloads. Package files given (FILE.apk) are installed on the phone from\n"
                    "the downloads tab; when Penlow is already running they go to it. The\n"
                    "program works in its program folder; the installed launcher gives each\n"
                    "user one in ~/.local/share/penlow.\n");
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (AnswerQuestion(argc, argv)) {
        return 0;
    }
    PrepareApplication();
    QApplication application(argc, argv);
    return RunProgram(FilesFromArguments(QCoreApplication::arguments()));
}
