// The browser host's navigation state machine against the scripted engine: status codes,
// deferral, the watchdog, the abandoned state, error pages, history and click memory.
#include "FakeBrowserEngine.h"

#include "ui/browser/BrowserSupport.h"

#include <QApplication>
#include <QTest>

#include <vector>

using namespace std::chrono_literals;

class BrowserStateTest : public QObject {
    Q_OBJECT

private:
    FakeBrowserEngine* m_engine = nullptr;
    CKivWebBrowser* m_browser = nullptr;
    std::unique_ptr<QWidget> m_parent;
    std::vector<int> m_codes;

    void makeBrowser(bool withCallback = true) {
        m_parent = std::make_unique<QWidget>();
        m_codes.clear();
        SetBrowserEngineFactoryForTesting([this] {
            auto engine = std::make_unique<FakeBrowserEngine>();
            m_engine = engine.get();
            return engine;
        });
        BrowserStatusCallback callback;
        if (withCallback) {
            callback = [this](BrowserStatus status) { m_codes.push_back(int(status)); };
        }
        m_browser = CreateBrowser(0, 40, 811, 585, m_parent.get(), callback);
        QVERIFY(m_browser);
    }

private slots:
    void cleanup() {
        m_parent.reset();
        SetBrowserEngineFactoryForTesting({});
        CKivWebBrowser::SetWatchdogIntervalForTesting(180s);
    }

    void createdAtTheRectangleWithInitialFields() {
        makeBrowser();
        QCOMPARE(m_browser->geometry(), QRect(0, 40, 811, 545));
        QVERIFY(m_browser->ready());
        QVERIFY(m_browser->backAvailable());
        QVERIFY(m_browser->forwardAvailable());
        QCOMPARE(m_browser->navigationCount(), 0);
    }

    void creationFailsWithoutAnEngine() {
        m_parent = std::make_unique<QWidget>();
        SetBrowserEngineFactoryForTesting([] { return std::unique_ptr<BrowserEngine>(); });
        QVERIFY(!CreateBrowser(0, 0, 10, 10, m_parent.get(), {}));
        Navigate("http://x/", nullptr); // no browser: nothing
    }

    void aLoadReportsStartedThenFinished() {
        makeBrowser();
        Navigate("http://store/index.php", m_browser);
        QCOMPARE(m_engine->loads, std::vector<std::string>{"http://store/index.php"});
        m_engine->start("http://store/index.php");
        QVERIFY(!m_browser->ready());
        m_engine->finish();
        QCOMPARE(m_codes, (std::vector<int>{1, 2}));
        QVERIFY(m_browser->ready());
        QCOMPARE(m_browser->currentUrl(), std::string("http://store/index.php"));
    }

    void aRequestWhileLoadingWaitsAndOnlyTheLatestSurvives() {
        makeBrowser();
        Navigate("http://store/a", m_browser);
        m_engine->start("http://store/a");
        Navigate("http://store/b", m_browser);
        Navigate("http://store/c", m_browser);
        QCOMPARE(m_engine->loads.size(), std::size_t(1));
        QVERIFY(m_browser->pending());
        QCOMPARE(m_browser->pendingUrl(), std::string("http://store/c"));
        QVERIFY(m_browser->watchdogRunning());
        QCOMPARE(m_codes, (std::vector<int>{1, 1, 1}));
        m_engine->finish(); // page a completes: c is loaded, b never
        QCOMPARE(m_engine->loads, (std::vector<std::string>{"http://store/a", "http://store/c"}));
        QVERIFY(!m_browser->pending());
        m_engine->loadLatest();
        QCOMPARE(m_codes.back(), 2);
        QCOMPARE(m_browser->navigationCount(), 0);
    }

    // Enter in the search box asks twice in a row: the second request waits for the first.
    void aSecondRequestBeforeTheEngineStartsAlsoWaits() {
        makeBrowser();
        Navigate("http://store/s.php?s=x", m_browser);
        Navigate("http://store/s.php?s=x", m_browser);
        QCOMPARE(m_engine->loads.size(), std::size_t(1));
        QVERIFY(m_browser->pending());
    }

    void theWatchdogReportsAPageThatNeverCompletesAndTheNextLoadIsImmediate() {
        CKivWebBrowser::SetWatchdogIntervalForTesting(50ms);
        makeBrowser();
        Navigate("http://store/stall", m_browser);
        m_engine->start("http://store/stall");
        Navigate("http://store/b", m_browser);
        QTRY_COMPARE_WITH_TIMEOUT(m_codes.back(), 3, 5000);
        QVERIFY(m_browser->timedOut());
        QCOMPARE(m_browser->navigationCount(), 0);
        QVERIFY(m_browser->ready());
        QVERIFY(m_engine->busy()); // still stuck on the page that never completes
        Navigate("http://store/c", m_browser);
        QCOMPARE(m_engine->loads.back(), std::string("http://store/c"));
        QVERIFY(!m_browser->timedOut());
        QVERIFY(!m_browser->pending());
    }

    // The first load has its limit too: a store that never answers ends in the failure state.
    void theWatchdogEndsAFirstLoadThatNeverCompletes() {
        CKivWebBrowser::SetWatchdogIntervalForTesting(50ms);
        makeBrowser();
        Navigate("http://store/stall", m_browser);
        m_engine->start("http://store/stall");
        QCOMPARE(m_codes, std::vector<int>{1});
        QTRY_COMPARE_WITH_TIMEOUT(m_codes.back(), 3, 5000);
        QVERIFY(m_browser->timedOut());
    }

    void theWatchdogStaysQuietWhenThePageCompletedInTime() {
        CKivWebBrowser::SetWatchdogIntervalForTesting(50ms);
        makeBrowser();
        Navigate("http://store/a", m_browser);
        m_engine->start("http://store/a");
        Navigate("http://store/b", m_browser);
        m_engine->finish();
        m_engine->loadLatest();
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser->watchdogRunning(), 5000);
        QCOMPARE(m_codes.back(), 2);
        QVERIFY(!m_browser->timedOut());
    }

    void anAddressWithoutHttpRaisesNothing() {
        makeBrowser();
        m_engine->start("about:blank");
        m_engine->start("https://secure/");
        QVERIFY(m_codes.empty());
        QVERIFY(m_browser->ready());
    }

    void aNavigationErrorReportsFailureAndThePendingUrlStillLoads() {
        makeBrowser();
        Navigate("http://store/a", m_browser);
        m_engine->start("http://store/a");
        Navigate("http://store/b", m_browser);
        m_engine->fail();
        QCOMPARE(m_codes, (std::vector<int>{1, 1, 3}));
        QCOMPARE(m_engine->loads.back(), std::string("http://store/b"));
    }

    void withoutCallbackTheFieldsStillMove() {
        makeBrowser(false);
        Navigate("http://store/a", m_browser);
        m_engine->start("http://store/a");
        QCOMPARE(m_browser->navigationCount(), 1);
        m_engine->events()->onNavigateError(); // changes nothing without a callback
        QCOMPARE(m_browser->navigationCount(), 1);
        m_engine->finish();
        QCOMPARE(m_browser->navigationCount(), 0);
    }

    void aUrlOf1024BytesIsRefused() {
        makeBrowser();
        const std::string url = "http://store/" + std::string(1024 - 13, 'a');
        QCOMPARE(url.size(), std::size_t(1024));
        Navigate(url, m_browser);
        QVERIFY(m_engine->loads.empty());
        Navigate("http://store/a", m_browser);
        m_engine->start("http://store/a");
        Navigate(url, m_browser); // not even deferred
        QVERIFY(!m_browser->pending());
        QCOMPARE(m_codes, std::vector<int>{1});
        Navigate(url.substr(0, url.size() - 1), m_browser); // 1,023 bytes: waits
        QVERIFY(m_browser->pending());
    }

    // Only web addresses reach the engine: the others would never start a load of their own
    // and leave the browser busy, deferring every later request until the watchdog.
    void onlyWebAddressesAreLoaded_data() {
        QTest::addColumn<QString>("url");
        QTest::newRow("javascript") << "javascript:document.title='x'";
        QTest::newRow("file") << "file:///etc/hostname";
        QTest::newRow("data") << "data:text/html,<b>x</b>";
        QTest::newRow("about") << "about:blank";
        QTest::newRow("no host") << "http:index.php";
        QTest::newRow("no scheme") << "store/index.php";
    }
    void onlyWebAddressesAreLoaded() {
        QFETCH(QString, url);
        makeBrowser();
        Navigate(url.toStdString(), m_browser);
        NavigateReplacing(url.toStdString(), m_browser);
        QVERIFY(m_engine->loads.empty());
        QVERIFY(m_codes.empty());
        Navigate("HTTPS://store/a", m_browser);
        QCOMPARE(m_engine->loads, std::vector<std::string>{"HTTPS://store/a"});
        QVERIFY(!m_browser->pending());
    }

    // A section or a search the user asks for does not wait for a page that may never end.
    void aUserNavigationReplacesALoadThatHasNotFinished() {
        makeBrowser();
        Navigate("http://store/stall", m_browser);
        m_engine->start("http://store/stall");
        Navigate("http://store/refresh", m_browser); // deferred, then given up
        QVERIFY(m_browser->pending());
        NavigateReplacing("http://store/b", m_browser);
        QCOMPARE(m_engine->loads,
                 (std::vector<std::string>{"http://store/stall", "http://store/b"}));
        QVERIFY(!m_browser->pending());
        QVERIFY(!m_browser->watchdogRunning());
        m_engine->start("http://store/b");
        m_engine->finish();
        QCOMPARE(m_codes, (std::vector<int>{1, 1, 2}));
        QCOMPARE(m_browser->navigationCount(), 0);
        QCOMPARE(m_engine->loads.size(), std::size_t(2));
    }

    // Asking again for the page being loaded waits for it and reloads it afterwards.
    void aUserRequestForThePageBeingLoadedWaitsForIt() {
        makeBrowser();
        NavigateReplacing("http://store/a", m_browser);
        m_engine->start("http://store/a");
        NavigateReplacing("http://store/a", m_browser);
        QCOMPARE(m_engine->loads.size(), std::size_t(1));
        QVERIFY(m_browser->pending());
        m_engine->finish();
        QCOMPARE(m_engine->loads, (std::vector<std::string>{"http://store/a", "http://store/a"}));
    }

    void historyChangesAreStoredAndReported() {
        makeBrowser();
        m_engine->events()->onCommandStateChange(2, false);
        m_engine->events()->onCommandStateChange(1, false);
        QVERIFY(!m_browser->backAvailable());
        QVERIFY(!m_browser->forwardAvailable());
        m_engine->events()->onCommandStateChange(2, true);
        QVERIFY(m_browser->backAvailable());
        m_engine->events()->onCommandStateChange(-1, true);
        QCOMPARE(m_codes, (std::vector<int>{4, 4, 4, 4}));
        m_browser->goBack();
        m_browser->goForward();
        QCOMPARE(m_engine->backCalls, 1);
        QCOMPARE(m_engine->forwardCalls, 1);
    }

    void aPressOrACompletedDocumentSetsTheClickMemory() {
        makeBrowser();
        m_parent->show();
        m_engine->events()->onLeftButtonDown(m_browser->mapToGlobal(QPoint(30, 12)));
        QVERIFY(m_browser->clicked());
        QCOMPARE(m_browser->clickPoint(), QPoint(30, 12));
        m_browser->clearClicked();
        Navigate("http://store/a", m_browser);
        m_engine->loadLatest();
        QTRY_VERIFY(m_browser->clicked()); // posted after the document completed
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    BrowserStateTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BrowserStateTest.moc"
