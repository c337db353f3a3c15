// penlow-cli commands of the download manager, run headless: the manager window with its two
// pages is created off screen and driven as the store page and the user would drive it, and
// every row status is printed as the pages show it.
//
//   app-download ICONURL URL NAME TYPE VER PACKAGE MD5 [ICONURL URL ... MD5]...
//   app-continue
#include "device/bridge/AdbHostClient.h"
#include "app/parts/ProgramParts.h"
#include "device/bridge/InstallPackage.h"
#include "webservices/InstallLog.h"
#include "CliRegistry.h"

#include "downloads/CKivAppDownMgr.h"
#include "pages/downloads/CKivXzglDlg.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/CKivXzglZzxzDlg.h"
#include "pages/downloads/InstallQueueView.h"
#include "pages/downloads/StartAppDownload.h"
#include "ui/toolkit/cKivButtonEx.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int kFieldsPerApp = 7;

/// Prints every status change of both lists and knows when every package has had its
/// install.
class RowPrinter {
public:
    RowPrinter(CKivXzglDlg& manager, int expected) : m_expected(expected) {
        manager.downloadingPage()->rows()->SetStatusObserver([this](const cKivDownListCell& cell) {
            printChange(m_downloading, cell, "downloading");
            // A download that failed ends this package's run: it will not be installed.
            if (cell.statusText == QStringLiteral("网络连接错误，无法下载")) {
                m_results[cell.title] = cell.statusText;
            }
        });
        manager.downloadedPage()->rows()->SetStatusObserver([this](const cKivDownListCell& cell) {
            const QString before = m_finished[cell.title];
            printChange(m_finished, cell, "downloaded");
            if (!before.isEmpty() && cell.statusText.isEmpty()) {
                m_results[cell.title] = before;
            }
        });
    }

    bool done() const { return static_cast<int>(m_results.size()) >= m_expected; }
    bool allInstalled() const {
        for (const auto& [title, result] : m_results) {
            if (result != QStringLiteral("安装完成")) {
                return false;
            }
        }
        return done();
    }

private:
    static void printChange(std::map<QString, QString>& seen, const cKivDownListCell& cell,
                            const char* list) {
        QString shown = cell.statusText;
        if (!cell.speedText.isEmpty()) {
            shown += QStringLiteral(" ") + cell.speedText;
        }
        auto it = seen.find(cell.title);
        if (it != seen.end() && it->second == shown) {
            return;
        }
        seen[cell.title] = shown;
        std::printf("%s\t%s\t%s\n", list, cell.title.toUtf8().constData(),
                    shown.toUtf8().constData());
        std::fflush(stdout);
    }

    int m_expected;
    std::map<QString, QString> m_downloading;
    std::map<QString, QString> m_finished;
    std::map<QString, QString> m_results;
};

/// Runs the manager until every expected package had its install; 0 when all installed.
int RunManager(const std::function<int(CKivXzglDlg&, const InstallQueueView&)>& start) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int argc = 1;
    char name[] = "penlow-cli";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    // No device monitor runs here: the phone is there when adb names one.
    const auto installQueue = std::make_shared<InstallQueueView>();
    KivInstallServices install(
        [] { return !GetSerial(false).serial.empty(); }, [] { return GetSerial(false).serial; },
        [](const std::string& package, const std::string& serial, const std::string& path) {
            return InstallPackage(package, serial, path);
        },
        [](const std::string& package, const std::string& appName, int code, bool uninstalled,
           const std::string& output) {
            (void)webservices::ReportInstall(package, appName, code, uninstalled, output,
                                             CachedPhoneValues());
        },
        installQueue);
    auto manager = std::make_unique<CKivXzglDlg>(std::move(install), nullptr);
    manager->resize(811, 590);
    manager->initialise();
    CKivAppDownMgr::Open().InitQueues();
    const int expected = start(*manager, *installQueue);
    if (expected < 0) {
        return 1;
    }
    RowPrinter printer(*manager, expected);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (printer.done()) {
            app.quit();
        }
    });
    timer.start(50);
    app.exec();
    const int code = printer.allInstalled() ? 0 : 1;
    manager.reset();
    return code;
}

int RunAppDownload(const CliArgs& args) {
    if (args.empty() || args.size() % kFieldsPerApp != 0) {
        return CliUsageError("app-download ICONURL URL NAME TYPE VER PACKAGE MD5 [...]");
    }
    return RunManager([&](CKivXzglDlg&, const InstallQueueView& installQueue) {
        int requested = 0;
        for (std::size_t i = 0; i < args.size(); i += kFieldsPerApp) {
            const int code = StartAppDownload(
                args[i].c_str(), args[i + 1].c_str(), args[i + 2].c_str(), args[i + 3].c_str(),
                args[i + 4].c_str(), args[i + 5].c_str(), args[i + 6].c_str(), installQueue);
            std::printf("request\t%s\t%d\n", args[i + 2].c_str(), code);
            requested += code == 0 ? 1 : 0;
        }
        std::fflush(stdout);
        return requested;
    });
}

int RunAppContinue(const CliArgs& args) {
    if (!args.empty()) {
        return CliUsageError("app-continue");
    }
    return RunManager([](CKivXzglDlg& manager, const InstallQueueView&) {
        cKivDownList* list = manager.downloadingPage()->list();
        for (int i = 0; i < list->rowCount(); ++i) {
            cKivDownListCell* cell = list->cellAt(i);
            std::printf("restored\t%s\t%s\t%d\n", cell->title.toUtf8().constData(),
                        cell->statusText.toUtf8().constData(), cell->progress);
        }
        std::fflush(stdout);
        const int rows = list->rowCount();
        if (rows > 0) {
            list->setSelectAllChecked(true);
            for (int i = 0; i < rows; ++i) {
                list->rows().SetRowChecked(list->cellAt(i), true);
            }
            manager.downloadingPage()->button(0)->setEnabled(true);
            manager.downloadingPage()->button(0)->click();
        }
        return rows;
    });
}

const CliRegistration kAppDownload{
    "app-download", "app-download ICONURL URL NAME TYPE VER PACKAGE MD5 [...]",
    "downloads apps through the download manager and installs them on the phone", RunAppDownload};
const CliRegistration kAppContinue{
    "app-continue", "app-continue",
    "restores the unfinished app downloads, continues them and installs them", RunAppContinue};

} // namespace
