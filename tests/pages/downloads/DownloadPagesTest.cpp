// The download manager end to end: store requests through StartAppDownload, the real engine
// against a devservices file server, real SQLite files, the install queue with the real adb
// client and a phonesim phone, and the pages' rows and buttons under the offscreen platform.
#include "DownloadPagesFixture.h"

#include "downloads/CKivAppDownMgr.h"
#include "downloads/CMiniDlLib.h"
#include "downloads/DownAppInfoDatabase.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/CKivXzglZzxzDlg.h"
#include "pages/downloads/FlyingIcon.h"
#include "pages/downloads/StartAppDownload.h"
#include "platform/ThreadStart.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/cKivButtonEx.h"
#include "ui/toolkit/cKivDownList.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QCursor>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/mount.h>
#include <sys/stat.h>

using namespace pagetest;
using testsupport::Md5Hex;
using testsupport::PatternBytes;

namespace {

constexpr int kWaitMs = 30000;

int Request(const std::string& url, const std::string& name, const std::string& md5,
            const std::string& package = "com.penlow.demo", const std::string& icon = "") {
    const std::string iconUrl = icon.empty() ? url + "-icon" : icon;
    return StartAppDownload(iconUrl.c_str(), url.c_str(), name.c_str(), "游戏", "1.0",
                            package.c_str(), md5.c_str(), *PagesFixture::Active()->installQueue);
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

/// Posts a finished package to the downloaded page as the downloading page does.
void AddFinished(PagesFixture& f, const std::string& name, const std::string& package,
                 const std::string& bytes, const std::string& md5) {
    std::filesystem::create_directories(f.apkFolder());
    auto entry = std::make_unique<cKivDownloadInfo>();
    entry->Url = "http://example.invalid/" + package;
    entry->Name = name;
    entry->Type = "应用";
    entry->Ver = "2.0";
    entry->PackageName = package;
    entry->path = f.apkFolder() + "/" + name + ".apk";
    entry->ValidType = "MD5";
    entry->ValidValue = md5;
    entry->fileSize = bytes.size();
    testsupport::WriteFile(entry->path, bytes);
    PostKivMessageWith(f.manager()->downloadedPage()->handle(), kMsgAddFinished, 0,
                       std::move(entry));
}

} // namespace

class DownloadPagesTest : public QObject {
    Q_OBJECT

private slots:
    void requestsRunTwoAtATime() {
        PagesFixture f;
        f.openManager();
        QCOMPARE(StartAppDownload(nullptr, "u", "n", "t", "v", "p", nullptr, *f.installQueue), -1);
        QCOMPARE(StartAppDownload("i", "u", "n", "t", "v", nullptr, nullptr, *f.installQueue), -1);
        const std::string bytes = PatternBytes(200 * 1024, 3);
        std::vector<std::string> urls;
        for (int i = 0; i < 5; ++i) {
            urls.push_back(f.serve("slow" + std::to_string(i) + ".apk", bytes, "?rate=20000"));
            QCOMPARE(Request(urls.back(), "App" + std::to_string(i), Md5Hex(bytes)), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.downloading()->rowCount(), 5, kWaitMs);
        // The same URL again: refused, no row.
        QCOMPARE(Request(urls[0], "App0", Md5Hex(bytes)), 1);
        QTest::qWait(200);
        QCOMPARE(f.downloading()->rowCount(), 5);
        QTRY_COMPARE_WITH_TIMEOUT(CountStatus(f.downloading(), "正在下载"), 2, kWaitMs);
        QCOMPARE(CountStatus(f.downloading(), "等待开始下载"), 3);
        QCOMPARE(f.manager()->tab(0)->text(), QString("正在下载（5）"));
        QCOMPARE(f.manager()->tab(1)->text(), QString("已下载"));
        QCOMPARE(f.manager()->tab(0)->isEnabled(), false);

        // Tick all and delete: every row, its database row and the badge go.
        f.downloading()->setSelectAllChecked(true);
        for (int i = 0; i < 5; ++i) {
            f.downloading()->rows().SetRowChecked(f.downloading()->cellAt(i), true);
        }
        cKivButtonEx* remove = f.manager()->downloadingPage()->button(2);
        remove->setEnabled(true);
        remove->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.downloading()->rowCount(), 0, kWaitMs);
        QTRY_COMPARE(f.manager()->tab(0)->text(), QString("正在下载"));
        QVERIFY(!f.manager()->downloadingPage()->busy());
        QVERIFY(!CKivAppDownMgr::Instance().database().apps().hasUnfinished(urls[0]));
    }

    void downloadThenInstallOnThePhone() {
        PagesFixture f;
        f.startPhone();
        f.openManager();
        const std::string bytes = PatternBytes(300 * 1024, 5);
        const std::string url = f.serve("chess.apk", bytes);
        const std::string icon = f.serve("chess.png", "not really a picture");
        QCOMPARE(Request(url, "象棋大师", Md5Hex(bytes), "com.penlow.chess", icon), 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.downloaded()->rowCount(), 1, kWaitMs);
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.penlow.chess") == (std::vector<int>{0, 2, 99}),
                                 kWaitMs);
        QCOMPARE(f.downloading()->rowCount(), 0);
        const std::string path = f.apkFolder() + "/象棋大师.apk";
        QCOMPARE(Md5Hex(ReadAll(path)), Md5Hex(bytes));
        // adb was given an ASCII temporary name; the package has its own name back.
        const auto installs = f.pmInstalls();
        QCOMPARE(installs.size(), std::size_t(1));
        QVERIFY(installs[0].find("象棋") == std::string::npos);
        QVERIFY(installs[0].find("_0.apk") != std::string::npos);
        QCOMPARE(f.reports.size(), std::size_t(1));
        QCOMPARE(std::get<1>(f.reports[0]), std::string("象棋大师"));
        QCOMPARE(std::get<2>(f.reports[0]), 2);
        QTRY_COMPARE(f.manager()->tab(1)->text(), QString("已下载（1）"));
        QVERIFY(f.downloaded()->cellAt(0)->statusText.isEmpty());

        // Requested again while its package is in the folder: installed, not downloaded.
        QCOMPARE(Request(url, "象棋大师", Md5Hex(bytes), "com.penlow.chess", icon), 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.statusesOf("com.penlow.chess").size(), std::size_t(6), kWaitMs);
        QCOMPARE(f.downloading()->rowCount(), 0);
        QCOMPARE(f.downloaded()->rowCount(), 1);
        QCOMPARE(f.pmInstalls().size(), std::size_t(2));
    }

    // Removed from the disk, a downloaded package is downloaded again when the store asks for
    // it, and its new row replaces the old one.
    void aPackageRemovedFromTheDiskIsDownloadedAgain() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        const std::string bytes = PatternBytes(40 * 1024, 7);
        const std::string url = f.serve("maps.apk", bytes);
        QCOMPARE(Request(url, "Maps", Md5Hex(bytes), "com.maps"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.maps") == (std::vector<int>{3, 99}), kWaitMs);
        const std::string path = f.apkFolder() + "/Maps.apk";
        QVERIFY(std::filesystem::remove(path));
        QCOMPARE(Request(url, "Maps", Md5Hex(bytes), "com.maps"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(path), kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(f.statusesOf("com.maps").size(), std::size_t(4), kWaitMs);
        QCOMPARE(f.downloaded()->rowCount(), 1);
        QCOMPARE(Md5Hex(ReadAll(path)), Md5Hex(bytes));
        f.closeManager();
        f.openManager(); // one row in the database too
        QCOMPARE(f.downloaded()->rowCount(), 1);
    }

    // A store click on a paused download resumes it; failures say why in plain words.
    void aPausedDownloadResumesOnRequestAndFailuresSayWhy() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        const std::string bytes = PatternBytes(400 * 1024, 2);
        const std::string url = f.serve("slow.apk", bytes, "?rate=40000");
        QCOMPARE(Request(url, "Slow", Md5Hex(bytes), "com.slow"), 0);
        cKivDownList* list = f.downloading();
        QTRY_VERIFY_WITH_TIMEOUT(list->rowCount() == 1 && list->cellAt(0)->progress >= 5, kWaitMs);
        ClickRowButton(list, 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(list->cellAt(0)->statusText, QString("下载暂停"), kWaitMs);
        QCOMPARE(Request(url, "Slow", Md5Hex(bytes), "com.slow"), 1); // under way already
        QTRY_VERIFY_WITH_TIMEOUT(list->cellAt(0)->statusText.startsWith("正在"), kWaitMs);
        QCOMPARE(list->rowCount(), 1);

        const std::string small = PatternBytes(10 * 1024, 3);
        QCOMPARE(Request(f.serve("gone.apk", small, "?status=404"), "Gone", Md5Hex(small), "c.g"),
                 0);
        QCOMPARE(Request(f.serve("err.apk", small, "?status=503"), "Err", Md5Hex(small), "c.e"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(CountStatus(list, "文件不存在，无法下载"), 1, kWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(CountStatus(list, "服务器错误，无法下载"), 1, kWaitMs);
        uitest::SaveScreenshot(f.manager(), QStringLiteral("downloads-failures"));
    }

    // A download that fills the disk says so, and keeps the size and the share it reached.
    // The package folder is a small tmpfs of its own (where the test may mount one).
    void aFullDiskSaysSoAndKeepsTheSizeAndShare() {
        PagesFixture f;
        f.phoneAttached = false;
        const std::string folder = f.apkFolder();
        std::filesystem::create_directories(folder);
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=256k") != 0) {
            QSKIP("no tmpfs can be mounted here");
        }
        struct Unmount {
            std::string path;
            ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
        } unmount{folder};
        f.openManager();
        const std::string bytes = PatternBytes(1024 * 1024, 11);
        QCOMPARE(Request(f.serve("big.apk", bytes), "Big", Md5Hex(bytes), "com.big"), 0);
        cKivDownList* list = f.downloading();
        QTRY_COMPARE_WITH_TIMEOUT(CountStatus(list, "磁盘空间不足，无法下载"), 1, kWaitMs);
        QCOMPARE(list->cellAt(0)->size, std::uint64_t(bytes.size()));
        QVERIFY(list->cellAt(0)->progress > 0);
        uitest::SaveScreenshot(f.manager(), QStringLiteral("downloads-disk-full"));
        f.closeManager();
    }

    // Killed while a package with a non-ASCII name was installed under its temporary name:
    // at the next start the package gets its name back before the rows are restored, so its
    // row stays.
    void aPackageParkedByAKilledInstallKeepsItsRow() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        const std::string bytes = PatternBytes(40 * 1024, 5);
        QCOMPARE(Request(f.serve("chess.apk", bytes), "象棋大师", Md5Hex(bytes), "com.chess"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.chess") == (std::vector<int>{3, 99}), kWaitMs);
        f.closeManager();
        const std::string path = f.apkFolder() + "/象棋大师.apk";
        const std::string parked = f.apkFolder() + "/123456_1.apk";
        std::filesystem::rename(path, parked);
        testsupport::WriteFile(f.programFolder() + "/data/installing.journal",
                               parked + "\n" + path + "\n");
        f.openManager();
        QCOMPARE(f.downloaded()->rowCount(), 1);
        QCOMPARE(f.downloaded()->cellAt(0)->title, QStringLiteral("象棋大师"));
        QCOMPARE(Md5Hex(ReadAll(path)), Md5Hex(bytes));
        QVERIFY(!std::filesystem::exists(parked));
    }

    void takenNameGetsANumber() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        testsupport::WriteFile(f.apkFolder() + "/Tetris.apk", "an older package");
        const std::string bytes = PatternBytes(50 * 1024, 8);
        QCOMPARE(Request(f.serve("t.apk", bytes), "Tetris", Md5Hex(bytes), "com.t"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.t") == (std::vector<int>{3, 99}), kWaitMs);
        QCOMPARE(Md5Hex(ReadAll(f.apkFolder() + "/Tetris(1).apk")), Md5Hex(bytes));
        QCOMPARE(ReadAll(f.apkFolder() + "/Tetris.apk"), std::string("an older package"));
    }

    void withoutAPhoneEachPackageFailsInTurn() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        for (const char* name : {"one", "two", "three"}) {
            const std::string bytes = std::string("package ") + name;
            AddFinished(f, name, std::string("com.") + name, bytes, Md5Hex(bytes));
        }
        QTRY_COMPARE_WITH_TIMEOUT(f.statuses.size(), std::size_t(6), kWaitMs);
        const std::vector<std::pair<std::string, int>> expected = {
            {"com.one", 3},  {"com.one", 99},  {"com.two", 3},
            {"com.two", 99}, {"com.three", 3}, {"com.three", 99}};
        QCOMPARE(f.statuses, expected);
        QVERIFY(f.manager()->downloadedPage()->queueEmpty());
        QVERIFY(f.reports.empty()); // nothing is reported without a phone
    }

    void badPackageAndFullPhone() {
        PagesFixture f;
        f.startPhone(R"("insufficient_storage")");
        f.openManager();
        AddFinished(f, "bad", "com.bad", "the bytes", Md5Hex("other bytes"));
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.bad") == (std::vector<int>{-1, 99}), kWaitMs);
        QVERIFY(f.pmInstalls().empty());
        AddFinished(f, "big", "com.big", "big package", Md5Hex("big package"));
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.big") == (std::vector<int>{0, 1, 99}), kWaitMs);
        QCOMPARE(std::get<2>(f.reports.back()), 1);
    }

    void oneClickInstallFollowsListOrder() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        AddFinished(f, "lower", "com.lower", "lower", Md5Hex("lower"));
        AddFinished(f, "upper", "com.upper", "upper", Md5Hex("upper"));
        QTRY_COMPARE_WITH_TIMEOUT(f.statuses.size(), std::size_t(4), kWaitMs);
        f.startPhone();
        f.phoneAttached = true;
        f.statuses.clear();
        cKivDownList* list = f.downloaded();
        QCOMPARE(list->cellAt(0)->title, QString("upper")); // the newest row is on top
        list->rows().SetRowChecked(list->cellAt(0), true);
        list->rows().SetRowChecked(list->cellAt(1), true);
        f.manager()->downloadedPage()->onOneClickInstall();
        QVERIFY(f.manager()->downloadedPage()->installAllBusy());
        QVERIFY(!f.manager()->downloadedPage()->button(0)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(f.statuses.size(), std::size_t(6), kWaitMs);
        QCOMPARE(f.statuses.front(), std::make_pair(std::string("com.upper"), 0));
        QCOMPARE(f.statuses[3], std::make_pair(std::string("com.lower"), 0));
        QTRY_VERIFY(!f.manager()->downloadedPage()->installAllBusy());
        QVERIFY(f.manager()->downloadedPage()->button(0)->isEnabled());
        QVERIFY(f.manager()->downloadedPage()->button(1)->isEnabled());
    }

    void deletingTheLastUserOfAnIconDeletesIt() {
        PagesFixture f;
        const std::string icon = f.pictureFolder() + "/shared.png";
        {
            std::filesystem::create_directories(f.apkFolder());
            std::filesystem::create_directories(f.pictureFolder());
            DownAppInfoDatabase db;
            QCOMPARE(db.openInProgramFolder(), 0);
            AppRequest app{"http://h/app.apk", "It's", "应用", "3.1", "MD5", "x", "com.q"};
            for (const char* file : {"a.apk", "b.apk"}) {
                testsupport::WriteFile(f.apkFolder() + "/" + file, file);
                db.apps().finish(app, f.apkFolder() + "/", file, 5, std::nullopt);
            }
            db.icons().registerIcon(app.url, app.ver, "http://h/icon.png", f.pictureFolder() + "/");
            db.icons().finish("http://h/icon.png", f.pictureFolder() + "/", "shared.png", 4);
            testsupport::WriteFile(icon, "icon");
        }
        f.phoneAttached = false;
        f.openManager();
        cKivDownList* list = f.downloaded();
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->cellAt(0)->title, QString("It's"));
        ClickRowButton(list, 0, 1);
        QTRY_COMPARE(list->rowCount(), 1);
        QVERIFY(std::filesystem::exists(icon)); // still used by the other row
        ClickRowButton(list, 0, 1);
        QTRY_COMPARE(list->rowCount(), 0);
        QVERIFY(!std::filesystem::exists(icon));
        QVERIFY(!std::filesystem::exists(f.apkFolder() + "/a.apk"));
        QVERIFY(CKivAppDownMgr::Instance().database().listIcons().empty());
        QTRY_COMPARE(f.manager()->tab(1)->text(), QString("已下载"));
    }

    void restartAfterTheEngineLostThePartialFile() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        const std::string bytes = PatternBytes(400 * 1024, 9);
        const std::string url = f.serve("long.apk", bytes, "?rate=40000");
        QCOMPARE(Request(url, "Long", Md5Hex(bytes), "com.long"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(f.downloading()->rowCount() == 1 &&
                                     f.downloading()->cellAt(0)->progress >= 20,
                                 kWaitMs);
        f.closeManager(); // saves the progress
        const std::string partial = f.apkFolder() + "/long.apk";
        const EngineFunctions* engine = CMiniDlLib::Engine();
        QVERIFY(engine);
        engine->delete_tempfile(partial.c_str(), static_cast<int>(partial.size()));

        f.openManager();
        cKivDownList* list = f.downloading();
        QCOMPARE(list->rowCount(), 1);
        QCOMPARE(list->cellAt(0)->statusText, QString("下载暂停"));
        const int saved = list->cellAt(0)->progress;
        QVERIFY(saved >= 20);
        QCOMPARE(list->cellAt(0)->buttonPictures[0][0], 156); // the continue picture
        ClickRowButton(list, 0, 0);
        QTRY_VERIFY(list->cellAt(0)->progress < saved); // started again from nothing
        QTRY_COMPARE_WITH_TIMEOUT(f.downloaded()->rowCount(), 1, kWaitMs);
        QCOMPARE(Md5Hex(ReadAll(f.apkFolder() + "/Long.apk")), Md5Hex(bytes));
    }

    void deleteDuringCompletionKeepsThePackage() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        CKivXzglZzxzDlg::SetCompletionPauseForTesting(std::chrono::milliseconds(1500));
        const std::string bytes = PatternBytes(30 * 1024, 4);
        QCOMPARE(Request(f.serve("quick.apk", bytes), "Quick", Md5Hex(bytes), "com.quick"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(CountStatus(f.downloading(), "下载完成"), 1, kWaitMs);
        // However quickly it came, the finished row says how big it is.
        QCOMPARE(f.downloading()->cellAt(0)->sizeText, QString("0.03MB"));
        f.downloading()->rows().SetRowChecked(f.downloading()->cellAt(0), true);
        cKivButtonEx* remove = f.manager()->downloadingPage()->button(2);
        remove->setEnabled(true);
        remove->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.downloaded()->rowCount(), 1, kWaitMs);
        QTRY_COMPARE(f.downloading()->rowCount(), 0);
        QVERIFY(std::filesystem::exists(f.apkFolder() + "/Quick.apk"));
        QTRY_VERIFY(!f.manager()->downloadingPage()->busy());
    }

    void unpluggingDuringAnInstallKeepsThePackage() {
        PagesFixture f;
        // The push waits 5 s on the phone, so the unplug below meets it under way.
        f.startPhone(R"("success")", R"("delays": {"push": 5.0})");
        f.openManager();
        const std::string bytes = PatternBytes(200 * 1024, 23);
        QCOMPARE(Request(f.serve("cable.apk", bytes), "拔线", Md5Hex(bytes), "com.cable"), 0);
        auto pushing = [&f] {
            for (const std::string& line : f.phoneLog()) {
                if (line.rfind("sync\tPSIM0001\tSEND ", 0) == 0) {
                    return true;
                }
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(pushing(), kWaitMs);
        QVERIFY(f.phoneControl("unplug PSIM0001"));
        f.phoneAttached = false;

        // A failure is shown, then the row is idle again; nothing was installed.
        QTRY_VERIFY_WITH_TIMEOUT(
            !f.statusesOf("com.cable").empty() && f.statusesOf("com.cable").back() == 99, kWaitMs);
        const std::vector<int> seen = f.statusesOf("com.cable");
        QCOMPARE(seen.front(), 0);
        QVERIFY2(std::find(seen.begin(), seen.end(), 2) == seen.end(), "reported as installed");
        QVERIFY(f.pmInstalls().empty());
        cKivDownListCell* row = f.downloaded()->cellAt(0);
        QVERIFY(!row->busy);
        QVERIFY(row->statusText.isEmpty());
        // The package is back under its own name, whole, and nothing else is left beside it.
        QCOMPARE(Md5Hex(ReadAll(f.apkFolder() + "/拔线.apk")), Md5Hex(bytes));
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(f.apkFolder())) {
            ++files;
            QVERIFY2(entry.path().filename() == "拔线.apk", entry.path().c_str());
        }
        QCOMPARE(files, 1);
    }

    void workersThatCannotStartAreReported() {
        PagesFixture f;
        f.phoneAttached = false;
        QStringList shown;
        MessageBoxAnswerer answer(shown);
        // Neither the downloading page's deletion worker nor the install thread can be had.
        platform::FailThreadStartsForTesting(2);
        f.openManager();
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(shown, QStringList({"对不起,初始化失败!", "对不起,初始化失败!"}));

        // Threads can be had again: the downloads carry on, and a deletion starts its worker.
        const std::string bytes = PatternBytes(256 * 1024, 21);
        QCOMPARE(Request(f.serve("stuck.apk", bytes, "?stall=4096"), "Stuck", Md5Hex(bytes)), 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.downloading()->rowCount(), 1, kWaitMs);
        f.downloading()->rows().SetRowChecked(f.downloading()->cellAt(0), true);
        cKivButtonEx* remove = f.manager()->downloadingPage()->button(2);
        remove->setEnabled(true);
        remove->click();
        QTRY_COMPARE_WITH_TIMEOUT(f.downloading()->rowCount(), 0, kWaitMs);
        QTRY_VERIFY(!f.manager()->downloadingPage()->busy());
        QCOMPARE(shown.size(), 2);
    }

    // A store card without a name, type or version still makes a row that says so; without a
    // package name nothing is downloaded and the user reads why.
    void cardsWithMissingFieldsSayWhatIsMissing() {
        PagesFixture f;
        f.phoneAttached = false;
        QStringList shown;
        MessageBoxAnswerer answer(shown);
        f.openManager();
        const std::string bytes = PatternBytes(64 * 1024, 9);
        const std::string url = f.serve("chess_master.apk", bytes);
        QCOMPARE(StartAppDownload("", url.c_str(), "", "", "", "com.chess", Md5Hex(bytes).c_str(),
                                  *f.installQueue),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.downloaded()->rowCount(), 1, kWaitMs);
        QCOMPARE(f.downloaded()->cellAt(0)->title, QString("chess_master"));
        QCOMPARE(f.downloaded()->cellAt(0)->detail, QString("未知类型"));
        // The engine's file already has the name: no "chess_master(1).apk".
        QVERIFY(std::filesystem::exists(f.apkFolder() + "/chess_master.apk"));

        const std::string nameless = f.serve("nameless.apk", bytes);
        QCOMPARE(StartAppDownload("", nameless.c_str(), "", "", "", "", nullptr, *f.installQueue),
                 -1);
        QTRY_COMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains("缺少包名") && shown[0].contains("nameless"),
                 qPrintable(shown[0]));
        QTest::qWait(300);
        QCOMPARE(f.downloading()->rowCount(), 0);
        QCOMPARE(f.downloaded()->rowCount(), 1);
        QVERIFY(!std::filesystem::exists(f.apkFolder() + "/nameless.apk"));
        // Nothing to fetch: refused without a row or a message.
        QCOMPARE(StartAppDownload("", "file:///etc/hostname", "n", "t", "v", "p", nullptr,
                                  *f.installQueue),
                 -1);
        QCOMPARE(
            StartAppDownload("", "http:///x.apk", "n", "t", "v", "p", nullptr, *f.installQueue),
            -1);
        QTest::qWait(100);
        QCOMPARE(shown.size(), 1);
    }

    void displayNameFromUrl_data() {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("name");
        QTest::newRow("decoded, no query") << "http://h/a/Chess%20Master.APK?x=1#f"
                                           << "Chess Master";
        QTest::newRow("utf-8") << "http://h/%E8%B1%A1%E6%A3%8B.apk"
                               << "象棋";
        QTest::newRow("separators") << "http://h/..%2F..%5Cetc.apk"
                                    << ".._.._etc";
        QTest::newRow("control") << "http://h/a%0Ab%00c.apk"
                                 << "a_b_c";
        QTest::newRow("bad escape") << "http://h/50%zz%4.apk"
                                    << "50%zz%4";
        QTest::newRow("only .apk once") << "http://h/x.apk.apk"
                                        << "x.apk";
        QTest::newRow("folder") << "http://h/dir/?n=a.apk"
                                << "未命名应用";
        QTest::newRow("blank") << "http://h/%20%20.apk"
                               << "未命名应用";
    }

    void displayNameFromUrl() {
        QFETCH(QString, url);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(DisplayNameFromUrl(url.toStdString())), name);
    }

    // An icon URL may name anything: a picture served as a web page or a file far larger than
    // an icon is not kept, and the row shows the default picture.
    void iconsAreSmallPicturesOnly() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        QImage picture(16, 16, QImage::Format_ARGB32);
        picture.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(picture.save(&buffer, "PNG"));
        const std::string small = f.serve("small.png", png.toStdString());
        const std::string huge = f.serve("huge.png", PatternBytes(3 * 1024 * 1024, 2));
        const std::string bytes = PatternBytes(100 * 1024, 4);
        struct Case {
            std::string icon;
            bool shown;
        };
        const std::vector<Case> cases{
            {small, true}, {small + "?type=text/html", false}, {huge + "?nolength=1", false}};
        for (std::size_t i = 0; i < cases.size(); ++i) {
            // A slow package: the icon's fate is settled before the row moves on.
            const std::string url =
                f.serve("app" + std::to_string(i) + ".apk", bytes, "?rate=100000");
            QCOMPARE(Request(url, "App" + std::to_string(i), Md5Hex(bytes), "com.p", cases[i].icon),
                     0);
            QTRY_COMPARE_WITH_TIMEOUT(f.downloaded()->rowCount(), static_cast<int>(i + 1), kWaitMs);
            cKivDownListCell* row = nullptr;
            for (int r = 0; r < f.downloaded()->rowCount(); ++r) {
                if (f.downloaded()->cellAt(r)->title == QString("App%1").arg(i)) {
                    row = f.downloaded()->cellAt(r);
                }
            }
            QVERIFY(row);
            QCOMPARE(!row->icon.isNull(), cases[i].shown);
        }
        std::uintmax_t pictures = 0;
        for (const auto& entry : std::filesystem::directory_iterator(f.pictureFolder())) {
            pictures += entry.file_size();
            QVERIFY2(entry.path().filename() == "small.png", entry.path().c_str());
        }
        QCOMPARE(pictures, static_cast<std::uintmax_t>(png.size()));
    }

    void twoRequestsInOneTurnMakeOneRow() {
        PagesFixture f;
        f.openManager();
        const std::string bytes = PatternBytes(100 * 1024, 12);
        const std::string url = f.serve("twice.apk", bytes, "?rate=20000");
        QCOMPARE(Request(url, "Twice", Md5Hex(bytes)), 0);
        QCOMPARE(Request(url, "Twice", Md5Hex(bytes)), 0); // the first is not yet listed
        QTRY_COMPARE(f.downloading()->rowCount(), 1);
        QTest::qWait(200);
        QCOMPARE(f.downloading()->rowCount(), 1);
    }

    void flyingIconPath_data() {
        QTest::addColumn<int>("dx");
        QTest::addColumn<int>("dy");
        QTest::newRow("store button") << 700 << 300;
        QTest::newRow("above the target") << 400 << 60;
        QTest::newRow("just far enough") << 58 << 194;
    }
    void flyingIconPath() {
        QFETCH(int, dx);
        QFETCH(int, dy);
        const std::vector<FlyingIconStep> steps = FlyingIconPath(dx, dy);
        const int a = dx - 38;
        QCOMPARE(static_cast<int>(steps.size()), a / 20);
        // From next to the pointer down to the target corner (38, 194).
        QVERIFY(std::abs(steps.front().x - (dx - 20)) <= 1);
        QCOMPARE(steps.back().x, 38 + (a % 20 == 0 ? 0 : a % 20));
        for (std::size_t i = 1; i < steps.size(); ++i) {
            QVERIFY(steps[i].x < steps[i - 1].x);
        }
        // Half way the curve is 80 pixels above the straight line.
        const double b = 194 - dy;
        const double x = a / 2.0;
        const double curve = -320.0 * x * x / (a * a) + (b + 320.0) * x / a;
        QVERIFY(std::abs(curve - (b / 2 + 80)) < 1e-9);
        // Small at both ends, full size in the middle.
        if (steps.size() >= 4) {
            QVERIFY(steps.front().scale < 1.0);
            QVERIFY(steps.back().scale < 1.0);
            QCOMPARE(steps[steps.size() / 2].scale, 1.0);
        }
        QVERIFY(FlyingIconPath(57, 100).empty()); // a below 20: nothing to fly
    }

    void oneFlightAtATime() {
        PagesFixture f;
        KivDialog* window = f.mainWindow();
        window->resize(980, 620);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QCursor::setPos(window->mapToGlobal(QPoint(600, 330)));
        StartFlyingIcon();
        QVERIFY(FlyingIconActive());
        QVERIFY(window->isEnabled()); // the window stays usable during the flight
        const int overlays = window->findChildren<QWidget*>().size();
        StartFlyingIcon(); // a second request during the flight starts nothing
        QCOMPARE(window->findChildren<QWidget*>().size(), overlays);
        QTRY_VERIFY_WITH_TIMEOUT(!FlyingIconActive(), 5000);
        QVERIFY(window->isEnabled());
    }

    void closingDuringCompletionLosesNothing() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        CKivXzglZzxzDlg::SetCompletionPauseForTesting(std::chrono::milliseconds(800));
        const std::string bytes = PatternBytes(40 * 1024, 14);
        QCOMPARE(Request(f.serve("close.apk", bytes), "Close", Md5Hex(bytes), "com.close"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(CountStatus(f.downloading(), "下载完成"), 1, kWaitMs);
        f.closeManager(); // waits for the completion under way; its messages go nowhere
        CKivXzglZzxzDlg::SetCompletionPauseForTesting(std::chrono::milliseconds(100));
        f.openManager();
        QCOMPARE(f.downloading()->rowCount(), 0);
        QCOMPARE(f.downloaded()->rowCount(), 1);
        QCOMPARE(Md5Hex(ReadAll(f.apkFolder() + "/Close.apk")), Md5Hex(bytes));
    }

    // A download the engine completed just before it was paused sits under the engine's name
    // with no finished row; deleting its row deletes that package too.
    void deletingAPausedRowTakesItsCompletedPackage() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        const std::string bytes = PatternBytes(400 * 1024, 12);
        QCOMPARE(Request(f.serve("late.apk", bytes, "?rate=40000"), "Late", Md5Hex(bytes), "c.l"),
                 0);
        cKivDownList* list = f.downloading();
        QTRY_VERIFY_WITH_TIMEOUT(list->rowCount() == 1 && list->cellAt(0)->progress >= 5, kWaitMs);
        ClickRowButton(list, 0, 0);
        QTRY_COMPARE_WITH_TIMEOUT(list->cellAt(0)->statusText, QString("下载暂停"), kWaitMs);
        const std::string completed = f.apkFolder() + "/late.apk";
        testsupport::WriteFile(completed, bytes); // what the engine had just finished
        list->rows().SetRowChecked(list->cellAt(0), true);
        cKivButtonEx* remove = f.manager()->downloadingPage()->button(2);
        remove->setEnabled(true);
        remove->click();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 0, kWaitMs);
        QVERIFY(!std::filesystem::exists(completed));
    }

    // Opening the folder never waits on the UI thread for the file manager.
    void openFolderNeverWaitsForTheFileManager() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        AddFinished(f, "open", "com.open", "open", Md5Hex("open"));
        QTRY_COMPARE(f.downloaded()->rowCount(), 1);
        QTest::mouseClick(f.downloaded()->viewport(), Qt::LeftButton, {},
                          QPoint(300, f.downloaded()->rowRect(0).center().y()));
        // A file manager that answers late, and then with a failure.
        testsupport::TempDir bin;
        const std::string marker = bin.file("answered");
        testsupport::WriteFile(bin.file("dbus-send"),
                               "#!/bin/sh\n/bin/sleep 2\n: > '" + marker + "'\nexit 1\n");
        ::chmod(bin.file("dbus-send").c_str(), 0755);
        testsupport::ScopedEnv path("PATH", bin.path()); // no xdg-open either
        f.manager()->downloadedPage()->onOpenFolder();
        QVERIFY(!std::filesystem::exists(marker)); // returned while the file manager was asked
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(marker), 10000);
    }

    void openFolderSelectsTheCurrentPackage() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        std::vector<std::pair<std::string, bool>> opened;
        CKivXzglYjxzDlg::SetOpenFolderFunctionForTesting(
            [&](const std::string& path, bool select) { opened.emplace_back(path, select); });
        f.manager()->downloadedPage()->onOpenFolder();
        AddFinished(f, "pick", "com.pick", "pick", Md5Hex("pick"));
        QTRY_COMPARE(f.downloaded()->rowCount(), 1);
        QTest::mouseClick(f.downloaded()->viewport(), Qt::LeftButton, {},
                          QPoint(300, f.downloaded()->rowRect(0).center().y()));
        f.manager()->downloadedPage()->onOpenFolder();
        CKivXzglYjxzDlg::SetOpenFolderFunctionForTesting(nullptr);
        QCOMPARE(opened.size(), std::size_t(2));
        QCOMPARE(opened[0], std::make_pair(f.apkFolder(), false));
        QCOMPARE(opened[1], std::make_pair(f.apkFolder() + "/pick.apk", true));
    }
};

QTEST_MAIN(DownloadPagesTest)
#include "DownloadPagesTest.moc"
