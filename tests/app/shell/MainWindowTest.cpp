// The main window with its real skins: tabs and pages, the store's first visit, URLs sent to
// the store, the download badge, the connection icon, the caption buttons right to left, Esc
// and Enter, dragging by an empty spot; and screenshots of each tab.
#include "ShellTestSupport.h"
#include "UiTestSupport.h"

#include "app/shell/CAboutDlg.h"
#include "app/shell/CKivMenuDlg.h"
#include "app/shell/CKivOrviaDlg.h"
#include "pages/store/CKivYyyxDlg.h"
#include "pages/device/CKivSbxxDlg.h"
#include "pages/downloads/CKivXzglDlg.h"
#include "TestProgramServices.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivImage.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"
#include "webservices/MachineEventReport.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

using shelltest::WhenShown;

namespace {

QImage Skin(int number) {
    KivImage image;
    LoadSkin(image, number);
    return image.image();
}

// The centre of a caption button: 40 x 30 pictures from the right edge of the 980-wide
// window, in the order close, minimise, menu, feedback.
QPoint CaptionButton(int fromRight) {
    return QPoint(980 - 40 * fromRight - 20, 15);
}

void Click(QWidget* widget, QPoint at) {
    QTest::mouseMove(widget, at);
    QTest::mousePress(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() {
        RemoveDialogHook();
        // The program-start reports run on threads of their own.
        QVERIFY(webservices::WaitForMachineEvents(std::chrono::seconds(10)));
    }

    void init() {
        m_folder = std::make_unique<uitest::TestProgramFolder>();
        // The device page's own tests drive the device monitor; here it does not run.
        m_services = std::make_unique<ProgramServices>(testsupport::WindowTestCollaborators());
        m_window =
            std::make_unique<CKivOrviaDlg>(m_services->devicePage(), m_services->installServices());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() {
        m_window.reset();
        m_services.reset();
        m_folder.reset();
    }

    void opensOnTheDevicePageAtItsFixedSize() {
        QCOMPARE(m_window->size(), QSize(980, 620));
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Penlow"));
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabDevice));
        QVERIFY(m_window->devicePage()->isVisible());
        QVERIFY(!m_window->storePage()->isVisible());
        QVERIFY(!m_window->tabButton(0)->isEnabled());
        QVERIFY(m_window->tabButton(1)->isEnabled());
        QCOMPARE(m_window->tabButton(1)->geometry(), QRect(0, 30 + 30 + 63, 169, 63));
        QCOMPARE(m_window->devicePage()->geometry(), QRect(169, 30, 811, 590));
        // The device page's welcome state has already told the window: not connected.
        QVERIFY(m_window->connectionIcon()->isVisible());
        QVERIFY(WindowHandle(KivWindowRole::MainWindow) == m_window->handle());
        uitest::SaveScreenshot(m_window.get(), QStringLiteral("main-device"));
    }

    void selectedTabIsTheDisabledButtonWithItsSelectedPicture() {
        QTest::mouseClick(m_window->tabButton(2), Qt::LeftButton);
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabDownloads));
        QVERIFY(m_window->downloadManager()->isVisible());
        QVERIFY(!m_window->devicePage()->isVisible());
        QVERIFY(!m_window->tabButton(2)->isEnabled());
        QCOMPARE(m_window->tabButton(2)->grab().toImage().pixelColor(60, 31),
                 Skin(1032).pixelColor(60, 31));
        QCOMPARE(m_window->tabButton(0)->grab().toImage().pixelColor(60, 31),
                 Skin(1010).pixelColor(60, 31));
        uitest::SaveScreenshot(m_window.get(), QStringLiteral("main-downloads"));
    }

    void firstStoreVisitLoadsTheHomePageOnce() {
        QTest::mouseClick(m_window->tabButton(1), Qt::LeftButton);
        QTRY_COMPARE(m_window->storePage()->requestCount(), 1);
        QCOMPARE(m_window->storePage()->lastRequest().kind, KivWParam(kStoreHome));
        QTest::mouseClick(m_window->tabButton(0), Qt::LeftButton);
        QTest::mouseClick(m_window->tabButton(1), Qt::LeftButton);
        QTest::qWait(20);
        QCOMPARE(m_window->storePage()->requestCount(), 1);
        QVERIFY(m_window->storePage()->isVisible());
        QEvent leave(QEvent::Leave); // the pointer has gone from the device tab
        QCoreApplication::sendEvent(m_window->tabButton(0), &leave);
        uitest::SaveScreenshot(m_window.get(), QStringLiteral("main-store"));
    }

    void storeUrlBeforeTheFirstVisitReplacesTheHomePage() {
        static const char kUrl[] = "http://localhost/list.php?type=t";
        SendKivMessage(m_window->handle(), kMsgOpenStoreUrl, 0, reinterpret_cast<KivLParam>(kUrl));
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabStore));
        QVERIFY(!m_window->tabButton(1)->isEnabled());
        QTRY_COMPARE(m_window->storePage()->requestCount(), 1);
        QCOMPARE(m_window->storePage()->lastRequest().kind, KivWParam(kStoreOpenUrl));
        QCOMPARE(m_window->storePage()->lastRequest().url, std::string(kUrl));
        QTest::mouseClick(m_window->tabButton(0), Qt::LeftButton);
        QTest::mouseClick(m_window->tabButton(1), Qt::LeftButton);
        QTest::qWait(20);
        QCOMPARE(m_window->storePage()->requestCount(), 1);
    }

    void badgeShowsTheCountAndZeroDropsThePicture() {
        QPushButton* tab = m_window->tabButton(2);
        SendKivMessage(m_window->handle(), kMsgDownloadBadge, 3, 0);
        QCOMPARE(tab->text(), QStringLiteral("3"));
        QImage shown = tab->grab().toImage();
        QCOMPARE(shown.pixelColor(50, 10), Skin(1070).pixelColor(50, 10));
        QVERIFY(uitest::CountNear(shown, QRect(50, 2, 20, 17), Qt::white, 40) > 8); // the "3"
        uitest::SaveScreenshot(m_window.get(), QStringLiteral("main-badge"));
        // More than the pill holds reads 999+.
        SendKivMessage(m_window->handle(), kMsgDownloadBadge, 999, 0);
        QCOMPARE(tab->text(), QStringLiteral("999"));
        SendKivMessage(m_window->handle(), kMsgDownloadBadge, 1000, 0);
        QCOMPARE(tab->text(), QStringLiteral("999+"));
        uitest::SaveScreenshot(m_window.get(), QStringLiteral("main-badge-many"));

        SendKivMessage(m_window->handle(), kMsgDownloadBadge, 0, 0);
        QCOMPARE(tab->text(), QStringLiteral("0")); // the text stays, the plain skin hides it
        shown = tab->grab().toImage();
        const QImage plain = Skin(1030);
        QCOMPARE(uitest::CountNear(shown, shown.rect(), Qt::white, 0),
                 uitest::CountNear(plain, plain.rect(), Qt::white, 0));
        QCOMPARE(shown.pixelColor(60, 10), plain.pixelColor(60, 10));
    }

    void connectedIconForAnyNonZeroValue() {
        QLabel* icon = m_window->connectionIcon();
        QCOMPARE(icon->textFormat(), Qt::PlainText);
        SendKivMessage(m_window->handle(), kMsgConnectionIcon, 7, 0);
        QVERIFY(icon->isVisible());
        QCOMPARE(icon->geometry(), QRect(20, 30 + 590 - 35, 120, 27));
        QCOMPARE(icon->grab().toImage().pixelColor(106, 13).rgb() & 0xFFFFFF,
                 Skin(91).pixelColor(106, 13).rgb() & 0xFFFFFF);
        SendKivMessage(m_window->handle(), kMsgConnectionIcon, 0, 0);
        QVERIFY(uitest::Near(icon->grab().toImage().pixelColor(106, 13), QColor(0xB4, 0xBA, 0xC3),
                             12)); // the grey dot of 0090
        SendKivMessage(m_window->handle(), kMsgConnectionIcon, 1, 0);
        uitest::SaveScreenshot(m_window.get(), QStringLiteral("main-connected"));
    }

    void captionButtonsFromTheRightCloseMinimiseMenuFeedback() {
        shelltest::OpenedUrls opened;
        Click(m_window.get(), CaptionButton(3)); // feedback
        QTRY_COMPARE(opened.urls, QStringList{QStringLiteral("http://localhost/feedback.html")});

        bool menuShown = false;
        WhenShown<CKivMenuDlg>([&](CKivMenuDlg* menu) {
            menuShown = true;
            const QRect frame = m_window->frameGeometry();
            QCOMPARE(menu->geometry(), QRect(frame.x() + 980 - 120, frame.y() + 25, 116, 120));
            uitest::SaveScreenshot(menu, QStringLiteral("menu"));
            menu->reject();
        });
        Click(m_window.get(), CaptionButton(2)); // menu
        QTRY_VERIFY(menuShown);

        Click(m_window.get(), CaptionButton(1)); // minimise
        QTRY_VERIFY(m_window->isMinimized());
        m_window->showNormal();

        Click(m_window.get(), CaptionButton(0)); // close
        QTRY_VERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Rejected));
    }

    void menuItemsOpenTheirLinksAndAboutOpensAfterTheMenuCloses() {
        shelltest::OpenedUrls opened;
        bool aboutShown = false;
        bool menuGoneFirst = false;
        WhenShown<CKivMenuDlg>([&](CKivMenuDlg* menu) {
            QVERIFY(menu->item(CKivMenuDlg::kPrivacy)->isHidden());
            QCOMPARE(menu->item(CKivMenuDlg::kHelp)->geometry(), QRect(0, 90, 116, 30));
            WhenShown<CAboutDlg>([&](CAboutDlg* about) {
                aboutShown = true;
                menuGoneFirst = !QApplication::activePopupWidget();
                about->accept();
            });
            QTest::mouseClick(menu->item(CKivMenuDlg::kAbout), Qt::LeftButton);
        });
        OpenDropDownMenu(m_window.get());
        QTRY_VERIFY(aboutShown);
        QVERIFY(menuGoneFirst);

        WhenShown<CKivMenuDlg>([](CKivMenuDlg* menu) {
            QTest::mouseClick(menu->item(CKivMenuDlg::kWebsite), Qt::LeftButton);
        });
        OpenDropDownMenu(m_window.get());
        WhenShown<CKivMenuDlg>([](CKivMenuDlg* menu) {
            QTest::mouseClick(menu->item(CKivMenuDlg::kChangeLog), Qt::LeftButton);
        });
        OpenDropDownMenu(m_window.get());
        QCOMPARE(opened.urls, (QStringList{QStringLiteral("http://localhost/"),
                                           QStringLiteral("http://localhost/changelog.html")}));
    }

    void menuClosesWhenTheUserClicksElsewhere() {
        bool closedByClick = false;
        WhenShown<CKivMenuDlg>([&](CKivMenuDlg* menu) {
            QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, QPoint(500, 300));
            closedByClick = !menu->isVisible();
            if (menu->isVisible()) {
                menu->reject();
            }
        });
        OpenDropDownMenu(m_window.get());
        QVERIFY(closedByClick);
    }

    void escapeOnAPageEndsTheProgramAndEnterDoesNothing() {
        m_window->devicePage()->setFocus();
        QTest::keyClick(m_window->devicePage(), Qt::Key_Return);
        QTest::keyClick(m_window.get(), Qt::Key_Enter);
        QVERIFY(m_window->isVisible());
        QTest::keyClick(m_window->devicePage(), Qt::Key_Escape);
        QTRY_VERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Rejected));
    }

    void downloadManagerIgnoresEscape() {
        QTest::mouseClick(m_window->tabButton(2), Qt::LeftButton);
        QTest::keyClick(m_window->downloadManager(), Qt::Key_Escape);
        QVERIFY(m_window->isVisible());
    }

    void pressOnAnEmptySpotDragsTheWindow() {
        const QPoint start = m_window->pos();
        QWidget* page = m_window->devicePage();
        QTest::mousePress(page, Qt::LeftButton, {}, QPoint(400, 300));
        QMouseEvent move(QEvent::MouseMove, QPointF(430, 320), page->mapToGlobal(QPointF(430, 320)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(page, &move);
        QTest::mouseRelease(page, Qt::LeftButton, {}, QPoint(430, 320));
        QCOMPARE(m_window->pos(), start + QPoint(30, 20));
    }

private:
    std::unique_ptr<uitest::TestProgramFolder> m_folder;
    std::unique_ptr<ProgramServices> m_services;
    std::unique_ptr<CKivOrviaDlg> m_window;
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
