// Penlow's process entry: start-up, the main window, exit.
#include "CKivOrviaApp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    CKivOrviaApp app;
    int code = 0;
    if (app.InitInstance()) {
        code = app.Run();
    }
    int exitCode = app.ExitInstance();
    return code != 0 ? code : exitCode;
}
