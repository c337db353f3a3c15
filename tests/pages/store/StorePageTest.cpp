// The store page in the main window, with the scripted engine: sections, search, history
// buttons, the page states, the focus hand-back, the first visit and the script requests.
#include "FakeBrowserEngine.h"
#include "UiTestSupport.h"

#include "TestProgramServices.h"

#include "app/shell/CKivOrviaDlg.h"
#include "platform/config/StoreHost.h"
#include "pages/downloads/FlyingIcon.h"
#include "pages/store/CKivYyyxDlg.h"
#include "pages/store/StoreScriptReceiver.h"
#include "ui/browser/ScriptPayload.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/toolkit/KivFolderAnimation.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"
#include "TestEnvironment.h"

#include <QAbstractButton>
#include <QCursor>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <vector>

namespace {

std::vector<std::string> g_download;
int g_flights = 0;

int RecordDownload(const ScriptRequest& r, const InstallQueueView&) {
    g_download = {r.iconUrl(), r.downloadUrl(), r.name(), r.type(),
                  r.version(), r.packageName(), r.md5()};
    return 1;
}

void RecordFlight() {
    ++g_flights;
}

} // namespace

class StorePageTest : public QObject {
    Q_OBJECT

private:
    uitest::TestProgramFolder m_folder;
    testsupport::ScopedEnv m_host{"PENLOW_STORE_HOST", "store.test:8080"};
    void openWindow(StoreActions::FlyingIcon flyingIcon = RecordFlight) {
        ProgramServices::Collaborators parts = testsupport::WindowTestCollaborators();
        parts.startDownload = RecordDownload;
        parts.flyingIcon = std::move(flyingIcon);
        m_services = std::make_unique<ProgramServices>(std::move(parts));
        m_window =
            std::make_unique<CKivOrviaDlg>(m_services->devicePage(), m_services->installServices());
        m_receiver =
            std::make_unique<StoreScriptReceiver>(m_services->storeActions(m_window->handle()));
        m_window->show();
    }

    std::unique_ptr<ProgramServices> m_services;
    std::unique_ptr<CKivOrviaDlg> m_window;
    std::unique_ptr<StoreScriptReceiver> m_receiver;
    FakeBrowserEngine* m_engine = nullptr;
    bool m_withEngine = true;

    CKivYyyxDlg* page() const { return m_window->storePage(); }
    QAbstractButton* button(CKivYyyxDlg::Control id) const { return page()->button(id); }
    std::vector<bool> sections() const {
        return {button(CKivYyyxDlg::kHome)->isEnabled(),
                button(CKivYyyxDlg::kAppCategories)->isEnabled(),
                button(CKivYyyxDlg::kGameCategories)->isEnabled(),
                button(CKivYyyxDlg::kTopics)->isEnabled()};
    }
    void post(KivStoreRequest request, const char* url = nullptr) {
        const int before = page()->requestCount();
        if (url) {
            PostKivMessageWith(page()->handle(), kMsgStoreNavigate, request, std::string(url));
        } else {
            PostKivMessage(page()->handle(), kMsgStoreNavigate, request, 0);
        }
        QTRY_COMPARE(page()->requestCount(), before + 1);
    }

    static constexpr const char* kMarker = "http://store.test:8080/marker";
    // Requests are handled in the order they were posted: anything posted before the marker
    // has reached the engine when the marker does.
    void postMarker() {
        PostKivMessageWith(page()->handle(), kMsgStoreNavigate, kStoreOpenUrl,
                           std::string(kMarker));
    }

private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() { RemoveDialogHook(); }

    void init() {
        m_engine = nullptr;
        SetBrowserEngineFactoryForTesting([this]() -> std::unique_ptr<BrowserEngine> {
            if (!m_withEngine) {
                return nullptr;
            }
            auto engine = std::make_unique<FakeBrowserEngine>();
            m_engine = engine.get();
            return engine;
        });
        openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() {
        m_receiver.reset();
        m_window.reset();
        m_services.reset();
        m_withEngine = true;
        SetBrowserEngineFactoryForTesting({});
    }

    void theBrowserSitsBelowTheStripAndBackAndForwardStartDisabled() {
        QVERIFY(page()->browser());
        QCOMPARE(page()->browser()->geometry(), QRect(0, 40, 811, 545));
        QVERIFY(!button(CKivYyyxDlg::kBack)->isEnabled());
        QVERIFY(!button(CKivYyyxDlg::kForward)->isEnabled());
        QCOMPARE(button(CKivYyyxDlg::kSearchButton)->geometry(), QRect(768, 8, 25, 24));
    }

    void theStoreTabLoadsHomeOnlyOnce() {
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(1));
        QCOMPARE(m_engine->loads[0], std::string("http://store.test:8080/index.php"));
        m_engine->loadLatest();
        m_window->selectTab(CKivOrviaDlg::kTabDevice);
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        // A second home request would load before this marker.
        postMarker();
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(2));
        QCOMPARE(m_engine->loads[1], std::string(kMarker));
    }

    void sectionButtonsMarkTheSectionShown() {
        QTest::mouseClick(button(CKivYyyxDlg::kAppCategories), Qt::LeftButton);
        QTRY_COMPARE(page()->requestCount(), 1);
        QCOMPARE(sections(), (std::vector<bool>{true, false, true, true}));
        QCOMPARE(m_engine->loads.back(), std::string("http://store.test:8080/softdir.php"));
        m_engine->loadLatest();
        post(kStoreTopics);
        QCOMPARE(sections(), (std::vector<bool>{true, true, true, false}));
        QCOMPARE(m_engine->loads.back(), std::string("http://store.test:8080/subject.php"));
        m_engine->loadLatest();
        static const char kUrl[] = "http://store.test:8080/list.php?type=t";
        post(kStoreOpenUrl, kUrl);
        QCOMPARE(sections(), (std::vector<bool>{true, true, true, true}));
        QCOMPARE(m_engine->loads.back(), std::string(kUrl));
    }

    void anEmptySearchGoesNowhere() {
        post(kStoreGameCategories);
        m_engine->loadLatest();
        QTest::mouseClick(button(CKivYyyxDlg::kSearchButton), Qt::LeftButton);
        QTRY_COMPARE(page()->requestCount(), 2);
        QCOMPARE(m_engine->loads.size(), std::size_t(1));
        QCOMPARE(sections(), (std::vector<bool>{true, true, true, true}));
    }

    void theSearchBoxTakesFiftyCharacters() {
        QLineEdit* edit = page()->searchEdit();
        edit->setFocus();
        QTest::keyClicks(edit, QString(51, QLatin1Char('a')));
        QCOMPARE(edit->text().size(), 50);
        edit->clear();
        for (int i = 0; i < 60; ++i) {
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(QChar(0x5730)),
                                Qt::NoModifier);
        }
        QCOMPARE(edit->text().size(), 50);
    }

    void enterSearchesForTheTextAsTyped() {
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(1));
        m_engine->loadLatest();
        QLineEdit* edit = page()->searchEdit();
        edit->setFocus();
        edit->setText(QStringLiteral("地图 a&b"));
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(2));
        QCOMPARE(m_engine->loads.back(),
                 std::string("http://store.test:8080/s.php?s=%E5%9C%B0%E5%9B%BE%20a%26b"));
        QCOMPARE(page()->lastRequest().kind, KivWParam(kStoreSearch));
    }

    // The text is one query value: "&", "=", "#" and "+" stay part of it.
    void theSearchTextIsPercentEncoded_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::newRow("ampersand and equals") << "R&B fault=500"
                                              << "R%26B%20fault%3D500";
        QTest::newRow("hash") << "C# lang"
                              << "C%23%20lang";
        QTest::newRow("plus and percent") << "1+1 100%"
                                          << "1%2B1%20100%25";
        QTest::newRow("unreserved") << "a-b_c.d~e"
                                    << "a-b_c.d~e";
    }
    void theSearchTextIsPercentEncoded() {
        QFETCH(QString, text);
        QFETCH(QString, query);
        QCOMPARE(QString::fromStdString(CKivYyyxDlg::SearchUrl(text)),
                 "http://store.test:8080/s.php?s=" + query);
    }

    void escInTheSearchBoxClearsItAndTheProgramStays() {
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        QLineEdit* edit = page()->searchEdit();
        edit->setFocus();
        edit->setText(QStringLiteral("音乐"));
        QTest::keyClick(edit, Qt::Key_Escape);
        QCOMPARE(edit->text(), QString());
        QTest::keyClick(edit, Qt::Key_Escape); // an empty box: nothing at all
        QVERIFY(m_window->isVisible());
        QVERIFY(page()->isVisible());
    }

    // A section clicked while a page hangs loads at once instead of waiting for the watchdog.
    void aSectionReplacesAPageThatHasNotFinished() {
        post(kStoreHome);
        m_engine->start(m_engine->loads.back());
        QTest::mouseClick(button(CKivYyyxDlg::kAppCategories), Qt::LeftButton);
        QTRY_COMPARE(page()->requestCount(), 2);
        QCOMPARE(m_engine->loads, (std::vector<std::string>{"http://store.test:8080/index.php",
                                                            "http://store.test:8080/softdir.php"}));
        QVERIFY(!page()->browser()->pending());
        m_engine->loadLatest();
        QCOMPARE(page()->pageState(), int(CKivYyyxDlg::kIdle));
    }

    void backFollowsTheEngineHistory() {
        BrowserEngineEvents* events = m_engine->events();
        events->onCommandStateChange(2, false);
        events->onCommandStateChange(1, false);
        QVERIFY(!button(CKivYyyxDlg::kBack)->isEnabled());
        events->onCommandStateChange(2, true);
        QVERIFY(button(CKivYyyxDlg::kBack)->isEnabled());
        QVERIFY(!button(CKivYyyxDlg::kForward)->isEnabled());
        QTest::mouseClick(button(CKivYyyxDlg::kBack), Qt::LeftButton);
        QCOMPARE(m_engine->backCalls, 1);
        QVERIFY(button(CKivYyyxDlg::kForward)->isEnabled());
    }

    void statusCodesDriveThePageState() {
        post(kStoreHome);
        m_engine->start(m_engine->loads.back());
        QCOMPARE(page()->pageState(), int(CKivYyyxDlg::kLoading));
        QVERIFY(page()->loadingAnimation()->isRunning());
        QVERIFY(page()->browser()->isHidden());
        m_engine->finish();
        QCOMPARE(page()->pageState(), int(CKivYyyxDlg::kIdle));
        QVERIFY(!page()->loadingAnimation()->isRunning());
        QVERIFY(!page()->browser()->isHidden());
        post(kStoreTopics);
        m_engine->start(m_engine->loads.back());
        m_engine->fail();
        QCOMPARE(page()->pageState(), int(CKivYyyxDlg::kFailed));
        QVERIFY(page()->browser()->isHidden());
        QVERIFY(!page()->loadingAnimation()->isRunning());
    }

    void refreshWhileLoadingReloadsTheCurrentUrlAfterwards() {
        post(kStoreHome);
        m_engine->start(m_engine->loads.back());
        QTest::mouseClick(button(CKivYyyxDlg::kRefresh), Qt::LeftButton);
        QCOMPARE(m_engine->loads.size(), std::size_t(1));
        QCOMPARE(page()->browser()->pendingUrl(), std::string("http://store.test:8080/index.php"));
        m_engine->finish();
        QCOMPARE(m_engine->loads.size(), std::size_t(2));
        QCOMPARE(m_engine->loads[1], m_engine->loads[0]);
    }

    void theSearchBoxGetsTheKeyboardBackAfterTheBrowserHadIt() {
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        m_window->activateWindow();
        m_engine->events()->onLeftButtonDown(page()->browser()->mapToGlobal(QPoint(5, 5)));
        QVERIFY(page()->browser()->clicked());
        page()->searchEdit()->setFocus(Qt::MouseFocusReason);
        QVERIFY(!page()->browser()->clicked());
        QTRY_COMPARE(page()->lastRequest().kind, KivWParam(kStoreFocusSearch));
        QTRY_VERIFY(page()->searchEdit()->hasFocus());
    }

    void aDownloadRequestReachesTheDownloadHookThenTheFlyingIcon() {
        g_download.clear();
        g_flights = 0;
        ScriptRequest request = SplitScriptRequest("u|1.0||i.png|com.x||abc|名字||游戏");
        StoreScriptRequestEntry(kScriptDownload, &request);
        QCOMPARE(g_download,
                 (std::vector<std::string>{"i.png", "u", "名字", "游戏", "1.0", "com.x", "abc"}));
        QCOMPARE(g_flights, 1);
        m_receiver.reset();
        g_download.clear();
        StoreScriptRequestEntry(kScriptDownload, &request); // no receiver: dropped
        QVERIFY(g_download.empty());
        QCOMPARE(g_flights, 1);
    }

    void aStoreUrlFromAPageOpensInTheStoreTab() {
        ScriptRequest request;
        request.field[0] = "http://store.test:8080/list.php?type=t";
        StoreScriptRequestEntry(kScriptOpenStoreUrl, &request);
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabStore));
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(1));
        QCOMPARE(m_engine->loads[0], request.field[0]);
        request.field[0] = "http://store.test:8080/" + std::string(1100, 'a');
        m_engine->loadLatest();
        StoreScriptRequestEntry(kScriptOpenStoreUrl, &request); // too long: dropped
        postMarker();
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(2));
        QCOMPARE(m_engine->loads[1], std::string(kMarker));
    }

    // Only web addresses: the rest is dropped before the store tab is even selected.
    void aPageScriptOpensOnlyWebAddresses_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("file") << "file:///etc/hostname";
        QTest::newRow("javascript") << "javascript:document.title='x'";
        QTest::newRow("data") << "data:text/html,<b>x</b>";
        QTest::newRow("empty") << "";
    }
    void aPageScriptOpensOnlyWebAddresses() {
        QFETCH(QString, url);
        ScriptRequest request;
        request.field[0] = url.toStdString();
        StoreScriptRequestEntry(kScriptOpenStoreUrl, &request);
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabDevice));
        request.field[0] = "https://store.test:8080/list.php?type=t";
        StoreScriptRequestEntry(kScriptOpenStoreUrl, &request);
        QCOMPARE(m_window->selectedTab(), int(CKivOrviaDlg::kTabStore));
        QTRY_VERIFY(!m_engine->loads.empty());
        QCOMPARE(m_engine->loads, std::vector<std::string>{request.field[0]});
    }

    // The flight leaves the window usable: a second download click, tabs and sections work.
    void theWindowStaysUsableDuringTheFlyingIcon() {
        m_receiver.reset();
        m_window.reset();
        openWindow(StartFlyingIcon);
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->selectTab(CKivOrviaDlg::kTabStore);
        QTRY_COMPARE(m_engine->loads.size(), std::size_t(1));
        m_engine->loadLatest();
        QCursor::setPos(m_window->mapToGlobal(QPoint(700, 400)));
        ScriptRequest first = SplitScriptRequest("u1|1.0||i.png|com.a||abc|A||game");
        StoreScriptRequestEntry(kScriptDownload, &first);
        QVERIFY(FlyingIconActive());
        QVERIFY(m_window->isEnabled());
        QVERIFY(m_window->tabButton(CKivOrviaDlg::kTabDownloads)->isEnabled());
        QVERIFY(button(CKivYyyxDlg::kTopics)->isEnabled());
        ScriptRequest second = SplitScriptRequest("u2|1.0||i.png|com.b||abd|B||game");
        StoreScriptRequestEntry(kScriptDownload, &second);
        QCOMPARE(g_download[1], std::string("u2"));
        QTest::mouseClick(button(CKivYyyxDlg::kTopics), Qt::LeftButton);
        QTRY_COMPARE(page()->requestCount(), 2);
        QVERIFY(FlyingIconActive());
        QCOMPARE(m_engine->loads.back(), std::string("http://store.test:8080/subject.php"));
        QTRY_VERIFY_WITH_TIMEOUT(!FlyingIconActive(), 10000);
        QVERIFY(m_window->isEnabled());
    }

    void withoutABrowserThePageStaysEmpty() {
        m_receiver.reset();
        m_window.reset();
        m_withEngine = false;
        openWindow();
        QVERIFY(!page()->browser());
        post(kStoreHome);
        QTest::mouseClick(button(CKivYyyxDlg::kRefresh), Qt::LeftButton);
        button(CKivYyyxDlg::kBack)->setEnabled(true);
        QTest::mouseClick(button(CKivYyyxDlg::kBack), Qt::LeftButton);
        QVERIFY(!button(CKivYyyxDlg::kBack)->isEnabled());
        QVERIFY(button(CKivYyyxDlg::kForward)->isEnabled());
        QCOMPARE(page()->pageState(), int(CKivYyyxDlg::kIdle));
    }
};

QTEST_MAIN(StorePageTest)
#include "StorePageTest.moc"
