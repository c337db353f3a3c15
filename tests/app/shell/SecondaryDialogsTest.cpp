// The about box with its real skins and Config.ini texts.
#include "ShellTestSupport.h"
#include "UiTestSupport.h"

#include "app/shell/CAboutDlg.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivImage.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <filesystem>

class SecondaryDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() { RemoveDialogHook(); }

    void aboutBoxShowsTheConfiguredTexts() {
        uitest::TestProgramFolder folder;
        SetApplicationName(QStringLiteral("Penlow"));
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.size(), QSize(416, 264));
        QCOMPARE(about.nameLabel()->text(), QStringLiteral("Penlow"));
        QCOMPARE(about.versionLabel()->text(), QStringLiteral("版本: 1.0.0"));
        QCOMPARE(about.websiteLabel()->text(), QStringLiteral("官网: http://localhost/"));
        QCOMPARE(about.companyLabel()->text(), QStringLiteral("Penlow Studio"));
        QCOMPARE(about.okButton()->size(), QSize(74, 27));
        // The logo (logo.png, 72 x 72) fills its place at (20, 20) of the client area.
        const QImage shown = about.grab().toImage();
        QVERIFY(uitest::CountNear(shown, QRect(20, 50, 72, 72), QColor(0x2E, 0x74, 0xF0), 40) >
                500);
        uitest::SaveScreenshot(&about, QStringLiteral("about-box"));
        QTest::mouseClick(about.okButton(), Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void aboutBoxWritesMissingKeysBackEmpty() {
        uitest::TestProgramFolder folder("[Application]\nappname=Penlow\n");
        CAboutDlg about;
        const std::string text = folder.configText();
        for (const char* key : {"company=\n", "website=\n", "version=\n"}) {
            QVERIFY2(text.find(key) != std::string::npos, text.c_str());
        }
        about.initialise();
        QCOMPARE(about.versionLabel()->text(), QStringLiteral("版本: "));
    }

    // Config.ini's texts are words, not markup: a picture tag stays text and loads nothing.
    void aboutBoxShowsMarkupAsText() {
        uitest::TestProgramFolder folder("[Application]\nappname=Penlow\n"
                                         "company=<img src=\"/etc/hostname\">\n"
                                         "website=<a href=\"x\">site</a>\nversion=<h1>2</h1>\n");
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QCOMPARE(about.companyLabel()->text(), QStringLiteral("<img src=\"/etc/hostname\">"));
        for (QLabel* label : about.findChildren<QLabel*>()) {
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->text()));
        }
        uitest::SaveScreenshot(&about, QStringLiteral("about-box-markup-as-text"));
    }

    void aboutBoxWithoutLogoLeavesItEmpty() {
        uitest::TestProgramFolder folder;
        std::filesystem::remove(folder.path() + "/logo.png");
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QImage shown = about.grab().toImage();
        QCOMPARE(uitest::CountNear(shown, QRect(20, 50, 72, 72), QColor(0x2E, 0x74, 0xF0), 40), 0);
    }
};

QTEST_MAIN(SecondaryDialogsTest)
#include "SecondaryDialogsTest.moc"
