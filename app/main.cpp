// Penlow's process entry: start-up, the main window, exit.
#include "CKivOrviaApp.h"
#include "tour/PenlowTour.h"

#include <QApplication>

#include <unistd.h>

#include <cstdlib>
#include <memory>

int main(int argc, char* argv[]) {
    // The embedded web engine shares OpenGL contexts with the widgets; set before the
    // application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The web engine's sandbox cannot run as root; there it would refuse to show any page.
    if (::geteuid() == 0) {
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    }
    QApplication application(argc, argv);
    // The demo and the full-journey test walk through the program when the environment asks.
    std::unique_ptr<PenlowTour> tour = PenlowTour::FromEnvironment();
    if (tour) {
        tour->start();
    }
    CKivOrviaApp app;
    int code = 0;
    if (app.InitInstance()) {
        code = app.Run();
    }
    int exitCode = app.ExitInstance();
    if (tour && tour->exitCode() != 0) {
        return tour->exitCode();
    }
    return code != 0 ? code : exitCode;
}
