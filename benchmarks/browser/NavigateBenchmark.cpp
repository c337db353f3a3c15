// Navigate benchmark: time from Navigate to status code 2 for a devservices store page,
// against a bare QWebEngineView::load of the same page to loadFinished, in one run (offscreen).
// Prints medians and the ratio; the goal is at most 1.15.
//
//   bench_navigate [loads]     (default 30 of each, alternating)
#include "StoreServer.h"
#include "TestEnvironment.h"

#include "ui/browser/BrowserSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWebEngineView>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Runs the event loop until `done` is set or 30 s have passed; the elapsed milliseconds, or -1.
template <class Start> double Timed(bool& done, Start start) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done) {
            loop.quit();
        }
    });
    poll.start(1);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    done = false;
    QElapsedTimer timer;
    timer.start();
    start();
    loop.exec();
    return done ? timer.nsecsElapsed() / 1e6 : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    int loads = 30;
    if (argc > 1) {
        std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), loads);
        loads = std::max(1, loads);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);

    testsupport::StoreServer server;
    if (!server.ok()) {
        return 1;
    }
    setenv("PENLOW_STORE_HOST", server.host().c_str(), 1);
    InitBrowserSupport(nullptr);
    const std::string url = server.url("/index.php");

    QWidget parent;
    parent.resize(811, 590);
    bool finished = false;
    CKivWebBrowser* browser = CreateBrowser(0, 40, 811, 585, &parent, [&](BrowserStatus status) {
        if (status == BrowserStatus::LoadingFinished) {
            finished = true;
        }
    });
    QWebEngineView bare(&parent);
    bare.setGeometry(0, 40, 811, 545);
    bool bareFinished = false;
    QObject::connect(&bare, &QWebEngineView::loadFinished, [&](bool) { bareFinished = true; });
    parent.show();
    if (!browser) {
        return 1;
    }

    std::vector<double> ours, theirs;
    for (int i = -2; i < loads; ++i) { // two warm-up rounds
        const double a = Timed(finished, [&] { Navigate(url, browser); });
        const double b = Timed(bareFinished, [&] { bare.load(QUrl(QString::fromStdString(url))); });
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "a load did not finish\n");
            return 1;
        }
        if (i >= 0) {
            ours.push_back(a);
            theirs.push_back(b);
        }
    }
    const double o = Median(ours), t = Median(theirs);
    std::printf("store page load, median of %d (Navigate -> code 2 / load -> loadFinished):\n",
                loads);
    std::printf("  CKivWebBrowser Navigate   %8.2f ms\n", o);
    std::printf("  bare QWebEngineView load  %8.2f ms\n", t);
    std::printf("  ratio                     %8.2f   goal <= 1.15 -> %s\n", o / t,
                o / t <= 1.15 ? "met" : "NOT met");
    return 0;
}
