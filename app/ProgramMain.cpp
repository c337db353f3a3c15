#include "ProgramMain.h"

#include "CKivOrviaApp.h"

#include <QCoreApplication>

#include <unistd.h>

#include <cstdlib>

void PrepareApplication() {
    // The embedded web engine shares OpenGL contexts with the widgets; set before the
    // application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The web engine's sandbox cannot run as root; there it would refuse to show any page.
    if (::geteuid() == 0) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
}

int RunProgram() {
    CKivOrviaApp app;
    int code = 0;
    if (app.InitInstance()) {
        code = app.Run();
    }
    const int exitCode = app.ExitInstance();
    return code != 0 ? code : exitCode;
}
