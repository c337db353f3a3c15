// The store tab of the main window with the real engine and the devservices store: browsing,
// search, the failure picture, script requests end to end, and screenshots of each state.
#include "StoreServer.h"
#include "TestEnvironment.h"
#include "UiTestSupport.h"

#include "TestProgramServices.h"

#include "app/shell/CKivOrviaDlg.h"
#include "pages/store/CKivYyyxDlg.h"
#include "pages/store/StoreScriptReceiver.h"
#include "ui/browser/BrowserPage.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/browser/WebEngineBackend.h"
#include "ui/toolkit/KivFolderAnimation.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QWebEnginePage>

#include <vector>

namespace {

constexpr int kTimeout = 30000;

std::vector<std::vector<std::string>> g_downloads;

int RecordDownload(const ScriptRequest& r, const InstallQueueView&) {
    g_downloads.push_back(
        {r.iconUrl(), r.downloadUrl(), r.name(), r.type(), r.version(), r.packageName(), r.md5()});
    return 1;
}

QImage BrowserArea(QWidget* window) {
    return window->grab().toImage().copy(QRect(169 + 20, 30 + 60, 760, 480));
}

// Pixels of the browser's area that are not white: the page has been drawn.
int InkInBrowserArea(QWidget* window) {
    const QImage image = window->grab().toImage();
    const QRect area(169 + 20, 30 + 60, 760, 480);
    return area.width() * area.height() - uitest::CountNear(image, area, Qt::white, 4);
}

} // namespace

class StoreWebEngineTest : public QObject {
    Q_OBJECT

private:
    uitest::TestProgramFolder m_folder;
    std::unique_ptr<testsupport::StoreServer> m_server;
    std::unique_ptr<testsupport::ScopedEnv> m_host;
    std::unique_ptr<ProgramServices> m_services;
    std::unique_ptr<CKivOrviaDlg> m_window;
    std::unique_ptr<StoreScriptReceiver> m_receiver;
    QImage m_homeArea; // the home page as first drawn

    CKivYyyxDlg* page() const { return m_window->storePage(); }
    QWebEnginePage* webPage() const {
        return static_cast<WebEngineBackend*>(page()->browser()->engine())->page();
    }
    void js(const QString& script) { webPage()->runJavaScript(script); }
    bool shows(const std::string& path) const {
        return page()->pageState() == CKivYyyxDlg::kIdle &&
               webPage()->url().toString().toStdString() == m_server->url(path) &&
               !webPage()->isLoading();
    }

private slots:
    void initTestCase() {
        m_server = std::make_unique<testsupport::StoreServer>();
        QVERIFY(m_server->ok());
        m_host = std::make_unique<testsupport::ScopedEnv>("PENLOW_STORE_HOST", m_server->host());
        InstallFontSubstitutions();
        InstallDialogHook();
        InitBrowserSupport(StoreScriptRequestEntry);
        ProgramServices::Collaborators parts = testsupport::WindowTestCollaborators();
        parts.startDownload = RecordDownload;
        parts.flyingIcon = [] {};
        m_services = std::make_unique<ProgramServices>(std::move(parts));
        m_window =
            std::make_unique<CKivOrviaDlg>(m_services->devicePage(), m_services->installServices());
        m_receiver =
            std::make_unique<StoreScriptReceiver>(m_services->storeActions(m_window->handle()));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanupTestCase() {
        m_receiver.reset();
        m_window.reset();
        m_services.reset();
        ExitBrowserSupport();
        RemoveDialogHook();
    }

    void theStoreTabShowsTheHomePage() {
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        QTRY_VERIFY_WITH_TIMEOUT(shows("/index.php"), kTimeout);
        QVERIFY(page()->browser()->isVisible());
        QVERIFY(!page()->button(CKivYyyxDlg::kHome)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(InkInBrowserArea(m_window.get()) > 20000, kTimeout);
        m_homeArea = BrowserArea(m_window.get());
        QVERIFY(!uitest::SaveScreenshot(m_window.get(), "store-home").isEmpty());
    }

    void theSectionButtonsOpenTheirPages_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("path");
        QTest::newRow("store-app-categories") << int(CKivYyyxDlg::kAppCategories) << "/softdir.php";
        QTest::newRow("store-game-categories")
            << int(CKivYyyxDlg::kGameCategories) << "/gamedir.php";
        QTest::newRow("store-topics") << int(CKivYyyxDlg::kTopics) << "/subject.php";
        QTest::newRow("store-home") << int(CKivYyyxDlg::kHome) << "/index.php";
    }
    void theSectionButtonsOpenTheirPages() {
        QFETCH(int, button);
        QFETCH(QString, path);
        const QImage before = BrowserArea(m_window.get());
        QAbstractButton* pressed = page()->button(static_cast<CKivYyyxDlg::Control>(button));
        QTest::mouseClick(pressed, Qt::LeftButton);
        // The offscreen platform sends no leave event when the pointer moves on.
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(pressed, &leave);
        QTRY_VERIFY_WITH_TIMEOUT(shows(path.toStdString()), kTimeout);
        QVERIFY(!page()->button(static_cast<CKivYyyxDlg::Control>(button))->isEnabled());
        // The view shows the new page a few frames after the load.
        QTRY_VERIFY_WITH_TIMEOUT(BrowserArea(m_window.get()) != before, kTimeout);
        QVERIFY(!uitest::SaveScreenshot(m_window.get(), QTest::currentDataTag()).isEmpty());
    }

    void aDownloadButtonStartsADownloadWithTheCardsFields() {
        g_downloads.clear();
        js("document.querySelector('.card[data-package=\"com.penlow.game.racer\"] .dl').click()");
        QTRY_COMPARE_WITH_TIMEOUT(g_downloads.size(), std::size_t(1), kTimeout);
        const std::vector<std::string>& d = g_downloads[0];
        QCOMPARE(d[0], m_server->url("/files/com.penlow.game.racer.png"));
        QCOMPARE(d[1], m_server->url("/files/com.penlow.game.racer.apk"));
        QCOMPARE(d[2], std::string("极速飞驰"));
        QCOMPARE(d[3], std::string("游戏"));
        QCOMPARE(d[4], std::string("2.3.4"));
        QCOMPARE(d[5], std::string("com.penlow.game.racer"));
        QCOMPARE(d[6].size(), std::size_t(32));
    }

    void aStoreLinkOpensItsPageInTheStoreTab() {
        m_window->selectTab(CKivOrviaDlg::kTabDevice);
        js("document.querySelector('.more').click()");
        QTRY_VERIFY_WITH_TIMEOUT(shows("/softdir.php"), kTimeout);
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabStore));
        for (auto id : {CKivYyyxDlg::kHome, CKivYyyxDlg::kAppCategories,
                        CKivYyyxDlg::kGameCategories, CKivYyyxDlg::kTopics}) {
            QVERIFY(page()->button(id)->isEnabled());
        }
        QTRY_VERIFY_WITH_TIMEOUT(page()->button(CKivYyyxDlg::kBack)->isEnabled(), kTimeout);
    }

    void aSearchShowsItsResults() {
        const QImage before = BrowserArea(m_window.get());
        QLineEdit* edit = page()->searchEdit();
        edit->setFocus();
        edit->setText(QStringLiteral("音乐"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(page()->pageState() == CKivYyyxDlg::kIdle &&
                                     webPage()->url().toString().contains("/s.php?s=") &&
                                     !webPage()->isLoading(),
                                 kTimeout);
        bool found = false;
        webPage()->runJavaScript("document.getElementById('query').textContent",
                                 [&](const QVariant& v) { found = v.toString() == "音乐"; });
        QTRY_VERIFY_WITH_TIMEOUT(found, kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(BrowserArea(m_window.get()) != before, kTimeout);
        QVERIFY(!uitest::SaveScreenshot(m_window.get(), "store-search").isEmpty());
    }

    // The text travels as one query value: the site gets it back whole.
    void aSearchTextWithQuerySignsArrivesWhole_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("ampersand and equals") << "R&B fault=500";
        QTest::newRow("hash") << "C# lang";
    }
    void aSearchTextWithQuerySignsArrivesWhole() {
        QFETCH(QString, text);
        QLineEdit* edit = page()->searchEdit();
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
        QString shown;
        QTRY_VERIFY_WITH_TIMEOUT(page()->pageState() == CKivYyyxDlg::kIdle &&
                                     webPage()->url().toString().contains("/s.php?s=") &&
                                     !webPage()->isLoading(),
                                 kTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                webPage()->runJavaScript("document.getElementById('query').textContent",
                                         [&shown](const QVariant& v) { shown = v.toString(); });
                QTest::qWait(50);
                return shown == text;
            }(),
            kTimeout);
    }

    // A page script asking for other addresses changes nothing, and the browser is free at
    // once for the next section.
    void aPageScriptOpensNoOtherAddresses() {
        const QUrl shownBefore = webPage()->url();
        g_downloads.clear();
        js("document.title = 'store';"
           "window.external.KivSofeware_notify(4, 'javascript:document.title=\"hijacked\"');"
           "window.external.KivSofeware_notify(4, 'file:///etc/hostname');"
           "window.external.KivSofeware_notify(4, 'data:text/html,<b>x</b>');"
           "window.external.KivSofeware_notify(3, btoa('u|1||i||p||m|n||t'));");
        // The download request went last over the same channel: the others have been handled.
        QTRY_COMPARE_WITH_TIMEOUT(g_downloads.size(), std::size_t(1), kTimeout);
        QTest::qWait(500);
        QCOMPARE(webPage()->url(), shownBefore);
        QCOMPARE(webPage()->title(), QString("store"));
        QVERIFY(!page()->browser()->engine()->busy());
        QTest::mouseClick(page()->button(CKivYyyxDlg::kTopics), Qt::LeftButton);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(page()->button(CKivYyyxDlg::kTopics), &leave);
        QTRY_VERIFY_WITH_TIMEOUT(shows("/subject.php"), kTimeout);
    }

    void aPageThatFailsShowsTheFailurePicture() {
        PostKivMessageWith(page()->handle(), kMsgStoreNavigate, kStoreOpenUrl,
                           m_server->url("/index.php?fault=500"));
        QTRY_COMPARE_WITH_TIMEOUT(page()->pageState(), int(CKivYyyxDlg::kFailed), kTimeout);
        QVERIFY(page()->browser()->isHidden());
        const QImage image = m_window->grab().toImage();
        // The failure picture sits at (270, 150) of the page, below the button strip.
        const QRect picture(169 + 270, 30 + 150, 285, 220);
        QVERIFY(picture.width() * picture.height() - uitest::CountNear(image, picture, Qt::white) >
                2000);
        QVERIFY(!uitest::SaveScreenshot(m_window.get(), "store-failed").isEmpty());
    }

    // Near the end: the page never completes, so the browser stays busy with it.
    void aPageStillLoadingShowsTheAnimation() {
        PostKivMessageWith(page()->handle(), kMsgStoreNavigate, kStoreOpenUrl,
                           m_server->url("/index.php?fault=stall"));
        QTRY_COMPARE_WITH_TIMEOUT(page()->pageState(), int(CKivYyyxDlg::kLoading), kTimeout);
        QVERIFY(page()->loadingAnimation()->isRunning());
        QTRY_VERIFY(page()->loadingAnimation()->framesShownForTesting() > 2);
        QVERIFY(!uitest::SaveScreenshot(m_window.get(), "store-loading").isEmpty());
    }

    // The page above still hangs: a section click replaces it instead of waiting for the
    // watchdog.
    void aSectionClickReplacesThePageThatHangs() {
        QCOMPARE(page()->pageState(), int(CKivYyyxDlg::kLoading));
        QTest::mouseClick(page()->button(CKivYyyxDlg::kHome), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(shows("/index.php"), kTimeout);
        QVERIFY(page()->browser()->isVisible());
        // The view draws the new page a few frames after the load.
        QTRY_VERIFY_WITH_TIMEOUT(BrowserArea(m_window.get()) == m_homeArea, kTimeout);
        QVERIFY(!uitest::SaveScreenshot(m_window.get(), "store-after-stall").isEmpty());
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    StoreWebEngineTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StoreWebEngineTest.moc"
