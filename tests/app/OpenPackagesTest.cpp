// Package files reaching the running program: the command line's file arguments, the message a
// second start sends (a real second Penlow process against this process's channel and main
// window), and files dropped on the main window. Each ends as a row of the downloaded page.
#include "DownloadPagesFixture.h"

#include "ApkBuilder.h"
#include "TestProgramServices.h"

#include "app/FileHandoff.h"
#include "app/InstanceChannel.h"
#include "app/ProgramMain.h"
#include "app/shell/CKivOrviaDlg.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "platform/ChildProcess.h"
#include "platform/SingleInstanceLock.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/cKivDownList.h"
#include "ui/toolkit/cKivDownListCell.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QtTest>

#include <unistd.h>

#include <filesystem>

using pagetest::PagesFixture;

namespace {

constexpr int kWaitMs = 30000;

struct RunResult {
    int exitCode = -1;
    std::string output;
};

// Runs a copy of the built program named `name` in `folder` with `arguments`, offscreen, as a
// later start of the instance that holds the lock of that name.
RunResult RunSecondStart(const std::string& folder, const std::string& name,
                         const std::vector<std::string>& arguments) {
    const std::string built = std::string(std::getenv("PENLOW_PROGRAM_DIR")) + "/Penlow";
    const std::string copy = folder + "/" + name;
    std::filesystem::copy_file(built, copy, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::permissions(copy, std::filesystem::perms(0755));
    std::string command = "cd '" + folder + "' && exec ./" + name;
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    platform::ChildProcess child;
    RunResult result;
    if (!child.start({"/bin/sh", "-c", command}, true)) {
        return result;
    }
    // The child's wait for the receipt needs this process's event loop: read without blocking
    // it.
    char buffer[4096];
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        const long n = child.readSome(buffer, sizeof buffer, std::chrono::milliseconds(20));
        if (n == 0 || n == -1) {
            break;
        }
        if (n > 0) {
            result.output.append(buffer, static_cast<std::size_t>(n));
        }
    }
    const int status = child.wait();
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Join(const std::vector<std::string>& paths) {
    std::string joined;
    for (const std::string& path : paths) {
        joined += path + "|";
    }
    return joined;
}

QStringList Titles(cKivDownList* list) {
    QStringList titles;
    for (int i = 0; i < list->rowCount(); ++i) {
        titles << list->cellAt(i)->title;
    }
    return titles;
}

// The main window over an install queue with no phone attached, shown.
struct ShownWindow {
    ShownWindow() {
        f.phoneAttached = false;
        window.show();
    }
    PagesFixture f;
    ProgramServices services{testsupport::WindowTestCollaborators()};
    CKivOrviaDlg window{services.devicePage(), f.installServices()};
};

} // namespace

class OpenPackagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() { RemoveDialogHook(); }

    void commandLineFiles() {
        const QString cwd = QDir::currentPath();
        const std::vector<std::string> files =
            FilesFromArguments({"Penlow", "a.apk", "-platform", "/x/b.apk", "--unknown",
                                "file:///y/c%20d.apk", "--", "-e.apk"});
        // Options are left out; after "--" everything is a file.
        const std::vector<std::string> expected = {(cwd + "/a.apk").toStdString(), "/x/b.apk",
                                                   "/y/c d.apk", (cwd + "/-e.apk").toStdString()};
        QCOMPARE(QString::fromStdString(Join(files)), QString::fromStdString(Join(expected)));
        QVERIFY(FilesFromArguments({"Penlow"}).empty());
    }

    void handoffMessages() {
        const std::vector<std::string> paths = {"/home/u/a.apk", "/tmp/天气 预报.apk"};
        const std::string message = EncodeFileHandoff(paths);
        const FileHandoff whole = DecodeFileHandoff(message);
        QCOMPARE(whole.state, FileHandoff::State::Complete);
        QCOMPARE(whole.paths, paths);
        // Every cut short of the end is incomplete, never a shorter list.
        for (std::size_t n = 0; n < message.size(); ++n) {
            QCOMPARE(DecodeFileHandoff(std::string_view(message).substr(0, n)).state,
                     FileHandoff::State::Incomplete);
        }
        const std::string header(kHandoffHeader);
        const struct {
            const char* what;
            std::string bytes;
        } malformed[] = {
            {"other header", "penlow-open 2\n/a\0\0"},
            {"relative path", header + std::string("a.apk\0\0", 7)},
            {"bytes after the end", message + "x"},
            {"over-long path", header + "/" + std::string(kMaxHandoffPathBytes, 'a')},
            {"too many paths", EncodeFileHandoff({}).substr(0, header.size()) +
                                   [] {
                                       std::string many;
                                       for (std::size_t i = 0; i <= kMaxHandoffFiles; ++i) {
                                           many += std::string("/p\0", 3);
                                       }
                                       return many;
                                   }()},
        };
        for (const auto& c : malformed) {
            QVERIFY2(DecodeFileHandoff(c.bytes).state == FileHandoff::State::Malformed, c.what);
        }
        std::vector<std::string> many(kMaxHandoffFiles + 5, "/p.apk");
        QCOMPARE(DecodeFileHandoff(EncodeFileHandoff(many)).paths.size(), kMaxHandoffFiles);
    }

    // A second start with a file hands it to the running instance and leaves with 0; the
    // running instance shows the downloaded tab with the package's row.
    void aSecondStartHandsItsFileToTheRunningInstance() {
        ShownWindow shown;
        CKivOrviaDlg& window = shown.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        const std::string name = "PenlowHandoff" + std::to_string(::getpid());
        platform::SingleInstanceLock lock;
        QVERIFY(lock.tryAcquire(name));
        InstanceChannel channel;
        QVERIFY(channel.listen(platform::SingleInstanceLock::socketPathFor(name)));
        QObject::connect(
            &channel, &InstanceChannel::filesReceived, &window,
            [&window](const std::vector<std::string>& files) { window.openPackages(files); });

        testsupport::TempDir mine;
        testsupport::ManifestFields fields;
        fields.label = "Hello Handoff";
        testsupport::WriteFile(mine.file("hello.apk"), testsupport::BuildApk(fields));
        // Relative to the second start's folder.
        const RunResult second = RunSecondStart(mine.path(), name, {"hello.apk"});
        QCOMPARE(second.exitCode, 0);
        QVERIFY2(second.output.find("handed 1 file(s) to the running instance") !=
                     std::string::npos,
                 second.output.c_str());
        QVERIFY(second.output.find("软件已经在运行") == std::string::npos);

        cKivDownList* list = window.downloadManager()->downloadedPage()->list();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, kWaitMs);
        QCOMPARE(list->cellAt(0)->title, QStringLiteral("Hello Handoff"));
        // It goes to the install queue at once, which finds no phone.
        QTRY_COMPARE_WITH_TIMEOUT(list->cellAt(0)->statusText,
                                  QStringLiteral("设备未连接，无法安装"), kWaitMs);
        QCOMPARE(window.selectedTab(), int(CKivOrviaDlg::kTabDownloads));
        QVERIFY(window.downloadManager()->downloadedPage()->isVisible());
        uitest::SaveScreenshot(&window, QStringLiteral("main-window-opened-package"));
    }

    // Without a running instance to take them (the lock is held but nobody listens), the
    // second start says the program is running, as it does without files.
    void aSecondStartWithNobodyListeningSaysSo() {
        const std::string name = "PenlowNoHandoff" + std::to_string(::getpid());
        platform::SingleInstanceLock lock;
        QVERIFY(lock.tryAcquire(name));
        testsupport::TempDir mine;
        qputenv("PENLOW_DISMISS_MESSAGES_FOR_TESTING", "1");
        const RunResult second = RunSecondStart(mine.path(), name, {"/nowhere/x.apk"});
        QVERIFY2(second.output.find("软件已经在运行") != std::string::npos, second.output.c_str());
        QVERIFY(second.output.find("handed") == std::string::npos);
    }

    void droppedPackageFilesAreOpened() {
        ShownWindow shown;
        CKivOrviaDlg& window = shown.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        testsupport::TempDir mine;
        testsupport::ManifestFields one;
        one.label = "One";
        testsupport::ManifestFields two;
        two.label = "Two";
        testsupport::WriteFile(mine.file("one.APK"), testsupport::BuildApk(one));
        testsupport::WriteFile(mine.file("two.apk"), testsupport::BuildApk(two));
        testsupport::WriteFile(mine.file("readme.txt"), "text");

        QMimeData text;
        text.setUrls({QUrl::fromLocalFile(QString::fromStdString(mine.file("readme.txt"))),
                      QUrl("http://example.invalid/remote.apk")});
        QDragEnterEvent refused(QPoint(400, 300), Qt::CopyAction, &text, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &refused);
        QVERIFY(!refused.isAccepted());

        QMimeData packages;
        packages.setUrls({QUrl::fromLocalFile(QString::fromStdString(mine.file("one.APK"))),
                          QUrl::fromLocalFile(QString::fromStdString(mine.file("readme.txt"))),
                          QUrl::fromLocalFile(QString::fromStdString(mine.file("two.apk")))});
        QDragEnterEvent enter(QPoint(400, 300), Qt::CopyAction, &packages, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(400, 300), Qt::CopyAction, &packages, Qt::LeftButton, {});
        QApplication::sendEvent(&window, &drop);
        QVERIFY(drop.isAccepted());

        cKivDownList* list = window.downloadManager()->downloadedPage()->list();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 2, kWaitMs);
        QCOMPARE(Titles(list), (QStringList{"Two", "One"})); // the newest on top
        QCOMPARE(window.selectedTab(), int(CKivOrviaDlg::kTabDownloads));
    }
};

QTEST_MAIN(OpenPackagesTest)
#include "OpenPackagesTest.moc"
