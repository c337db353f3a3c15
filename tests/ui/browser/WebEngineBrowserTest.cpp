// The browser host with the real engine (Qt WebEngine, offscreen) against the devservices
// store site: load outcomes, the doc-host manners and window.external end to end.
#include "FileServer.h"
#include "StoreServer.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include "ui/browser/BrowserPage.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/browser/WebEngineBackend.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTest>
#include <QWebEngineView>

#include <fstream>
#include <sstream>
#include <vector>

namespace {

constexpr int kLoadTimeout = 30000;

struct Captured {
    int code = 0;
    ScriptRequest request;
};
std::vector<Captured> g_requests;

void Capture(int code, const ScriptRequest* request) {
    g_requests.push_back({code, *request});
}

// Runs the event loop until `done()` or the time-out. Unlike QTest::qWaitFor, which sleeps
// between rounds, the engine's many small round trips are served at once.
template <class Done> bool WaitUntil(Done done, int timeoutMs = kLoadTimeout) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(2);
    if (!done()) {
        loop.exec();
    }
    return done();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class WebEngineBrowserTest : public QObject {
    Q_OBJECT

private:
    testsupport::TempDir m_dir;
    std::unique_ptr<testsupport::StoreServer> m_server;
    std::unique_ptr<testsupport::ScopedEnv> m_host;
    std::unique_ptr<QWidget> m_parent;
    CKivWebBrowser* m_browser = nullptr;
    std::vector<int> m_codes;

    QWebEnginePage* page() const {
        return static_cast<WebEngineBackend*>(m_browser->engine())->page();
    }

    QVariant js(const QString& script) {
        QVariant result;
        bool done = false;
        page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        if (!WaitUntil([&] { return done; })) {
            return QStringLiteral("timed out");
        }
        return result;
    }

    // Loads `path` of the store and waits for the outcome (2 or 3).
    int load(const std::string& url) {
        m_codes.clear();
        Navigate(url, m_browser);
        (void)WaitUntil(
            [&] { return !m_codes.empty() && (m_codes.back() == 2 || m_codes.back() == 3); });
        return m_codes.empty() ? 0 : m_codes.back();
    }

private slots:
    void initTestCase() {
        m_server = std::make_unique<testsupport::StoreServer>(
            std::vector<std::string>{"--log", m_dir.file("requests.jsonl")});
        QVERIFY(m_server->ok());
        m_host = std::make_unique<testsupport::ScopedEnv>("PENLOW_STORE_HOST", m_server->host());
        InitBrowserSupport(Capture);
        m_parent = std::make_unique<QWidget>();
        m_parent->resize(811, 590);
        m_browser = CreateBrowser(0, 40, 811, 585, m_parent.get(),
                                  [this](BrowserStatus status) { m_codes.push_back(int(status)); });
        QVERIFY(m_browser);
        m_parent->show();
    }

    void cleanupTestCase() {
        m_parent.reset();
        ExitBrowserSupport();
    }

    void init() { g_requests.clear(); }

    void aStorePageLoadsFreshFromTheServer() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        QCOMPARE(m_codes.front(), 1);
        QCOMPARE(m_browser->currentUrl(), m_server->url("/index.php"));
        QCOMPARE(js("document.querySelectorAll('.card').length").toInt(), 12);
        const std::string log = ReadFile(m_dir.file("requests.jsonl"));
        QVERIFY(log.find("\"path\": \"/index.php\"") != std::string::npos);
        QVERIFY(log.find("\"Cache-Control\": \"no-cache\"") != std::string::npos);
    }

    void httpErrorsAndUnreachableServersFail_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("404") << "/index.php?fault=404";
        QTest::newRow("500") << "/index.php?fault=500";
        QTest::newRow("unknown page") << "/nothing.php";
    }
    void httpErrorsAndUnreachableServersFail() {
        QFETCH(QString, path);
        QCOMPARE(load(m_server->url(path.toStdString())), 3);
        QCOMPARE(m_browser->navigationCount(), 0);
        QVERIFY(m_browser->ready());
    }

    void aRefusedConnectionFails() {
        QCOMPARE(load("http://127.0.0.1:9/index.php"), 3);
        QCOMPARE(load(m_server->url("/index.php")), 2); // and the browser recovers
    }

    void historyBecomesAvailable() {
        QCOMPARE(load(m_server->url("/softdir.php")), 2);
        QTRY_VERIFY(m_browser->backAvailable());
        m_codes.clear();
        m_browser->goBack();
        QTRY_VERIFY_WITH_TIMEOUT(!m_codes.empty() && m_codes.back() == 2, kLoadTimeout);
        QTRY_VERIFY(m_browser->forwardAvailable());
    }

    void refreshAndNewWindowKeysNeverReachThePage() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        js("window.seenKeys = []; document.addEventListener('keydown', function (e) {"
           " if (e.key !== 'Control') { seenKeys.push((e.ctrlKey ? 'C-' : '') + e.key); } });");
        QWidget* input = static_cast<WebEngineBackend*>(m_browser->engine())->view()->focusProxy();
        QVERIFY(input);
        input->setFocus();
        // Keys reach the page only once its renderer takes input: a plain key first, until the
        // page sees it (probe keys are left out of the comparison below).
        QTRY_VERIFY_WITH_TIMEOUT(
            (QTest::keyClick(input, Qt::Key_A), js("seenKeys.length").toInt() > 0), kLoadTimeout);
        QTest::keyClick(input, Qt::Key_F5);
        QTest::keyClick(input, Qt::Key_N, Qt::ControlModifier);
        QTest::keyClick(input, Qt::Key_P, Qt::ControlModifier);
        QTest::keyClick(input, Qt::Key_F6);
        QTest::keyClick(input, Qt::Key_C, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(
            js("seenKeys.filter(function (k) { return k !== 'a'; }).join(',')").toString(),
            QStringLiteral("F6,C-c"), kLoadTimeout);
    }

    void alertShowsTheSkinnedMessageBox() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        QString title, text;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<CKivMsgBoxDlg*>(w); box && box->isVisible()) {
                    title = box->windowTitle();
                    text = box->messageLabel()->text();
                    box->reject();
                }
            }
        });
        poll.start(20);
        QCOMPARE(js("alert('库存已更新'); 'after'").toString(), QStringLiteral("after"));
        QCOMPARE(title, QStringLiteral("Custom Browser"));
        QCOMPARE(text, QStringLiteral("库存已更新"));
    }

    void pagesOpenNoNewWindows() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        QCOMPARE(js("window.open('/list.php?type=t') === null").toBool(), true);
        for (QWidget* w : QApplication::topLevelWidgets()) {
            QVERIFY(!qobject_cast<QWebEngineView*>(w));
        }
    }

    void externalMethodsHaveExactNamesAndReadsTriggerNothing() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        QCOMPARE(js("[typeof window.external.KivSofeware_notify,"
                    " typeof window.external.kivsofeware_notify,"
                    " !!window.external.VuzuDoz_Notify, typeof window.external.vuzudoz_notify]"
                    ".join(',')")
                     .toString(),
                 QStringLiteral("function,undefined,true,undefined"));
        // Bad calls return normally and send nothing; the last call shows where the queue is.
        QCOMPARE(js("var e = window.external; e.KivSofeware_notify(3);"
                    " e.KivSofeware_notify('3', 'eA=='); e.KivSofeware_notify(3, {});"
                    " e.KivSofeware_notify(3.5, 'eA=='); e.KivSofeware_notify(1, 'x');"
                    " e.VuzuDoz_Notify(); e.VuzuDoz_Notify(5);"
                    " e.VuzuDoz_Notify('{\"url\":\"last\"}'); 'returned'")
                     .toString(),
                 QStringLiteral("returned"));
        QTRY_COMPARE_WITH_TIMEOUT(g_requests.size(), std::size_t(1), kLoadTimeout);
        QCOMPARE(g_requests[0].request.downloadUrl(), std::string("last"));
    }

    void aDownloadButtonDeliversItsCard() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        js("document.querySelector('.card[data-package=\"com.penlow.notes\"] .dl').click()");
        QTRY_COMPARE_WITH_TIMEOUT(g_requests.size(), std::size_t(1), kLoadTimeout);
        const Captured& c = g_requests[0];
        QCOMPARE(c.code, 3);
        QCOMPARE(c.request.downloadUrl(), m_server->url("/files/com.penlow.notes.apk"));
        QCOMPARE(c.request.iconUrl(), m_server->url("/files/com.penlow.notes.png"));
        QCOMPARE(c.request.name(), std::string("轻记笔记"));
        QCOMPARE(c.request.version(), std::string("3.2.1"));
        QCOMPARE(c.request.packageName(), std::string("com.penlow.notes"));
        QCOMPARE(c.request.type(), std::string("应用"));
        const std::string apk =
            ReadFile(testsupport::BuildDir() + "/store-catalogue/com.penlow.notes.apk");
        QVERIFY(!apk.empty());
        QCOMPARE(c.request.md5(), testsupport::Md5Hex(apk));
        QCOMPARE(js("document.querySelector('.card[data-package=\"com.penlow.notes\"] .dl')"
                    ".textContent")
                     .toString(),
                 QStringLiteral("已加入下载"));
    }

    void aVuzuDozCardAndAStoreLinkReachTheHook() {
        QCOMPARE(load(m_server->url("/index.php")), 2);
        js("document.querySelector('.card[data-package=\"com.penlow.maps\"] .dl').click();"
           "document.querySelector('.more').click()");
        QTRY_COMPARE_WITH_TIMEOUT(g_requests.size(), std::size_t(2), kLoadTimeout);
        QCOMPARE(g_requests[0].code, 3);
        QCOMPARE(g_requests[0].request.downloadUrl(), m_server->url("/files/com.penlow.maps.apk"));
        QCOMPARE(g_requests[0].request.name(), std::string());
        QCOMPARE(g_requests[1].code, 4);
        QCOMPARE(g_requests[1].request.downloadUrl(), m_server->url("/softdir.php"));
        QCOMPARE(m_browser->currentUrl(), m_server->url("/index.php")); // the page stays
    }

    void pagesOfOtherHostsCannotCallTheProgram() {
        const std::string foreign = "http://localhost:" + std::to_string(m_server->port());
        QCOMPARE(load(foreign + "/index.php"), 2);
        QCOMPARE(js("typeof window.external.KivSofeware_notify").toString(),
                 QStringLiteral("function"));
        js("document.querySelector('.dl').click()");
        QCOMPARE(load(m_server->url("/index.php")), 2);
        js("window.external.VuzuDoz_Notify('{\"url\":\"store\"}')");
        QTRY_COMPARE_WITH_TIMEOUT(g_requests.size(), std::size_t(1), kLoadTimeout);
        QCOMPARE(g_requests[0].request.downloadUrl(), std::string("store"));
    }
};

int main(int argc, char* argv[]) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    WebEngineBrowserTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WebEngineBrowserTest.moc"
