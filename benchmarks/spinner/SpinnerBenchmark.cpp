// The loading spinner's cost. A page-sized window runs its event loop for a few seconds idle,
// then as long again with the spinner (the folder animation the pages show while loading);
// the process's CPU time of each phase is printed as a share of one core, with their ratio.
// Goal: the spinning page below 1 % of a core.
#include "platform/config/AppPaths.h"
#include "ui/toolkit/KivFolderAnimation.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kPhaseMs = 4000;

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// CPU share of one core used by this process while the event loop runs for a phase.
double CoreShareOfPhase() {
    const double before = ProcessCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(kPhaseMs, &loop, &QEventLoop::quit);
    loop.exec();
    return (ProcessCpuSeconds() - before) / (kPhaseMs / 1000.0) * 100.0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    const char* folder = std::getenv("PENLOW_PROGRAM_DIR");
    OverrideModuleFolder(folder ? folder : PENLOW_PROGRAM_DIR_AT_BUILD);
    QWidget page;
    page.resize(811, 590);
    page.show();

    const double idle = CoreShareOfPhase();
    KivFolderAnimation spinner(&page, QRect(120, 170, 40, 40), SkinFolderPath(3));
    spinner.start();
    const double spinning = CoreShareOfPhase();
    const int frames = spinner.framesShownForTesting();
    spinner.stop();

    std::printf("page idle:            %6.2f %% of a core\n", idle);
    std::printf("page with spinner:    %6.2f %% of a core (%d frames shown)\n", spinning, frames);
    std::printf("spinner alone:        %6.2f %% of a core (goal: under 1 %%)\n", spinning - idle);
    std::printf("ratio spinning/idle:  %6.2f\n", idle > 0 ? spinning / idle : 0.0);
    return frames > 0 ? 0 : 1;
}
