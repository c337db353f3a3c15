// Penlow's process entry: start-up, the main window, exit.
#include "ProgramMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    PrepareApplication();
    QApplication application(argc, argv);
    return RunProgram();
}
