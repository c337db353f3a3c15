// Package files the user opens, through the downloaded page: each is read, gets a row named
// from its manifest and is installed by the same install queue as a finished download, on a
// phonesim phone through the real adb client; files that are no packages get a message box
// and no row.
#include "DownloadPagesFixture.h"

#include "ApkBuilder.h"

#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/KivInstallQueue.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/cKivDownList.h"
#include "ui/toolkit/cKivDownListCell.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <filesystem>

using namespace pagetest;
using testsupport::BuildApk;
using testsupport::ManifestFields;

namespace {

constexpr int kWaitMs = 30000;

ManifestFields Weather() {
    ManifestFields fields;
    fields.package = "com.example.weather";
    fields.label = "天气预报";
    fields.versionName = "3.1";
    fields.codeBytes = 2 * 1024 * 1024;
    return fields;
}

} // namespace

class OpenedPackagesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void anOpenedPackageIsInstalledOnThePhone() {
        PagesFixture f;
        f.startPhone();
        f.openManager();
        f.manager()->selectTab(1);
        testsupport::TempDir mine;
        const std::string bytes = BuildApk(Weather(), false); // stored: a package of 2 MiB
        const std::string path = mine.file("weather-3.1.apk");
        testsupport::WriteFile(path, bytes);
        f.manager()->downloadedPage()->openPackages({path});

        cKivDownList* list = f.downloaded();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, kWaitMs);
        QCOMPARE(list->cellAt(0)->title, QStringLiteral("天气预报"));
        QCOMPARE(list->cellAt(0)->size, std::uint64_t(bytes.size()));
        QTRY_COMPARE(f.manager()->tab(1)->text(), QStringLiteral("已下载（1）"));
        QTRY_VERIFY_WITH_TIMEOUT(
            f.statusesOf("com.example.weather") == (std::vector<int>{0, 2, 99}), kWaitMs);
        // Installed as a download is: an earlier copy of the manifest's package removed, the
        // file installed, the install reported.
        QCOMPARE(f.pmInstalls().size(), std::size_t(1));
        const auto log = f.phoneLog();
        QVERIFY(std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.find("uninstall") != std::string::npos &&
                   line.find("com.example.weather") != std::string::npos;
        }));
        QCOMPARE(f.reports.size(), std::size_t(1));
        QCOMPARE(std::get<0>(f.reports[0]), std::string("com.example.weather"));
        QCOMPARE(std::get<2>(f.reports[0]), 2);
        // The user's file stays where it was.
        QCOMPARE(testsupport::ReadFile(path), bytes);
        uitest::SaveScreenshot(f.manager(), QStringLiteral("downloads-opened-package"));
    }

    void aLabelReferenceShowsThePackageName() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        testsupport::TempDir mine;
        ManifestFields fields = Weather();
        fields.labelIsReference = true;
        testsupport::WriteFile(mine.file("w.apk"), BuildApk(fields, false, false));
        f.manager()->downloadedPage()->openPackages({mine.file("w.apk")});
        cKivDownList* list = f.downloaded();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, kWaitMs);
        QCOMPARE(list->cellAt(0)->title, QStringLiteral("com.example.weather"));
        // Without a phone it says so, as for a download.
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.example.weather") == (std::vector<int>{3, 99}),
                                 kWaitMs);
        QVERIFY(f.pmInstalls().empty());
        // Opened again: its row is replaced, not doubled, and it is tried again.
        f.manager()->downloadedPage()->openPackages({mine.file("w.apk")});
        QTRY_VERIFY_WITH_TIMEOUT(
            f.statusesOf("com.example.weather") == (std::vector<int>{3, 99, 3, 99}), kWaitMs);
        QCOMPARE(list->rowCount(), 1);
    }

    void filesThatAreNoPackagesSayWhyAndAddNoRow() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        QStringList shown;
        MessageBoxAnswerer answerer(shown, QStringLiteral("downloads-not-a-package"));
        testsupport::TempDir mine;
        const std::string good = mine.file("weather.apk");
        testsupport::WriteFile(good, BuildApk(Weather()));
        f.manager()->downloadedPage()->openPackages({good});
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.example.weather") == (std::vector<int>{3, 99}),
                                 kWaitMs);

        testsupport::WriteFile(mine.file("notes.apk"), "not an archive at all\n");
        testsupport::WriteFile(mine.file("<b>empty.apk"),
                               testsupport::BuildZip({{"classes.dex", "dex"}}, true));
        testsupport::WriteFile(
            mine.file("huge.apk"),
            testsupport::BuildZip({{"AndroidManifest.xml", std::string(5 * 1024 * 1024, '\0')}},
                                  true));
        std::filesystem::create_directories(mine.file("folder.apk"));
        f.manager()->downloadedPage()->openPackages(
            {mine.file("notes.apk"), mine.file("<b>empty.apk"), mine.file("gone.apk"),
             mine.file("folder.apk"), mine.file("huge.apk")});
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 5, kWaitMs);
        // The boxes come up together; the order they are found in is not theirs.
        shown.sort();
        QStringList expected = {
            QStringLiteral("无法安装：文件不是有效的安卓安装包\nnotes.apk"),
            QStringLiteral("无法安装：文件不是有效的安卓安装包\n<b>empty.apk"),
            QStringLiteral("无法安装：找不到文件\ngone.apk"),
            QStringLiteral("无法安装：无法读取文件\nfolder.apk"),
            QStringLiteral("无法安装：文件不是有效的安卓安装包\nhuge.apk"),
        };
        expected.sort();
        QCOMPARE(shown, expected);
        // The row that was there stays, alone.
        QCOMPARE(f.downloaded()->rowCount(), 1);
        QCOMPARE(f.downloaded()->cellAt(0)->title, QStringLiteral("天气预报"));
        QCOMPARE(f.statuses.size(), std::size_t(2));
    }

    // The row of an opened package goes with its delete button; the user's file stays.
    void deletingAnOpenedRowKeepsTheFile() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        testsupport::TempDir mine;
        const std::string path = mine.file("weather.apk");
        testsupport::WriteFile(path, BuildApk(Weather()));
        f.manager()->downloadedPage()->openPackages({path});
        QTRY_VERIFY_WITH_TIMEOUT(f.statusesOf("com.example.weather") == (std::vector<int>{3, 99}),
                                 kWaitMs);
        QTRY_VERIFY(f.downloaded()->cellAt(0)->buttonUsable(1));
        ClickRowButton(f.downloaded(), 0, 1);
        QTRY_COMPARE_WITH_TIMEOUT(f.downloaded()->rowCount(), 0, kWaitMs);
        QVERIFY(std::filesystem::exists(path));
    }

    // A file changed after it was opened is no longer the package of its row: refused at
    // install as a download with the wrong digest is.
    void aFileChangedAfterOpeningIsRefusedAtInstall() {
        PagesFixture f;
        f.startPhone();
        f.openManager();
        testsupport::TempDir mine;
        const std::string path = mine.file("weather.apk");
        testsupport::WriteFile(path, BuildApk(Weather()));
        f.manager()->downloadedPage()->openPackages({path});
        QTRY_VERIFY_WITH_TIMEOUT(
            f.statusesOf("com.example.weather") == (std::vector<int>{0, 2, 99}), kWaitMs);
        ManifestFields other = Weather();
        other.package = "com.example.other";
        testsupport::WriteFile(path, BuildApk(other));
        QTRY_VERIFY(f.downloaded()->cellAt(0)->buttonUsable(0));
        ClickRowButton(f.downloaded(), 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.statusesOf("com.example.weather") == (std::vector<int>{0, 2, 99, -1, 99}), kWaitMs);
        QCOMPARE(f.pmInstalls().size(), std::size_t(1));
    }
};

QTEST_MAIN(OpenedPackagesTest)
#include "OpenedPackagesTest.moc"
