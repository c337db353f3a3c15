// The tour executable: the program with its scripted walk (PenlowTour.h), for the demo and the
// full-journey test. The shipped Penlow carries no tour.
#include "PenlowTour.h"

#include "app/ProgramMain.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    PrepareApplication();
    QApplication application(argc, argv);
    std::unique_ptr<PenlowTour> tour = PenlowTour::FromEnvironment();
    if (!tour) {
        std::fprintf(stderr, "penlow-tour: PENLOW_TOUR=screens|check names the tour\n");
        return 2;
    }
    tour->start();
    const int code = RunProgram();
    return tour->exitCode() != 0 ? tour->exitCode() : code;
}
