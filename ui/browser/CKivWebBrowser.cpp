#include "CKivWebBrowser.h"

#include <QCursor>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

std::chrono::milliseconds g_watchdogInterval{180'000};

} // namespace

CKivWebBrowser::CKivWebBrowser(std::unique_ptr<BrowserEngine> engine, QWidget* parent)
    : QWidget(parent), m_engine(std::move(engine)) {
    setObjectName(QStringLiteral("CKivWebBrowser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_engine->widget());
    setFocusProxy(m_engine->widget());
    m_engine->setEvents(this);
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &CKivWebBrowser::onWatchdogExpired);
}

CKivWebBrowser::~CKivWebBrowser() {
    m_watchdog.stop();
    m_engine->setEvents(nullptr);
}

void CKivWebBrowser::SetWatchdogIntervalForTesting(std::chrono::milliseconds interval) {
    g_watchdogInterval = interval;
}

std::chrono::milliseconds CKivWebBrowser::WatchdogInterval() {
    return g_watchdogInterval;
}

void CKivWebBrowser::report(BrowserStatus status) {
    if (m_callback) {
        m_callback(status);
    }
}

// Only web addresses reach the engine: a javascript: address would run inside the page shown
// and a file: or data: address would show something that is not the store, and none of them
// starts a load that would ever end the busy state.
bool CKivWebBrowser::IsLoadableUrl(std::string_view url) {
    if (url.size() >= kUrlBytes) {
        return false;
    }
    const QUrl parsed(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())));
    const QString scheme = parsed.scheme().toLower();
    return parsed.isValid() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !parsed.host().isEmpty();
}

// A page that never completed (the watchdog expired) is abandoned: the next request loads at
// once, even while the engine still says it is busy with that page.
void CKivWebBrowser::navigate(std::string_view url) {
    if (!IsLoadableUrl(url)) {
        return;
    }
    if (m_timedOut) {
        m_timedOut = false;
        m_pending = false;
        loadNow(url);
        return;
    }
    if (m_engine->busy() || m_engine->readyState() != BrowserEngine::kComplete) {
        defer(url);
        return;
    }
    m_pending = false;
    loadNow(url);
}

// The load in progress is given up for the newer one: the engine drops it without an event of
// its own, and the newer load's events end the one navigation the owner is told about.
void CKivWebBrowser::navigateReplacing(std::string_view url) {
    if (!IsLoadableUrl(url)) {
        return;
    }
    const bool loading = m_engine->busy() || m_engine->readyState() != BrowserEngine::kComplete;
    if (m_timedOut || !loading || url != m_currentUrl) {
        m_timedOut = false;
        m_pending = false;
        m_watchdog.stop();
        m_count = std::min(m_count, 1);
        loadNow(url);
        return;
    }
    defer(url);
}

void CKivWebBrowser::defer(std::string_view url) {
    m_pendingUrl.assign(url);
    report(BrowserStatus::LoadingStarted);
    restartWatchdog();
    if (m_count >= 1) {
        ++m_count;
    }
    m_pending = true;
}

void CKivWebBrowser::loadNow(std::string_view url) {
    if (url.empty()) {
        return;
    }
    m_currentUrl.assign(url);
    m_pendingUrl.clear();
    m_engine->navigate(m_currentUrl);
}

void CKivWebBrowser::goBack() {
    m_engine->goBack();
}

void CKivWebBrowser::goForward() {
    m_engine->goForward();
}

void CKivWebBrowser::restartWatchdog() {
    m_watchdog.start(g_watchdogInterval);
}

void CKivWebBrowser::stopWatchdog() {
    m_watchdog.stop();
}

void CKivWebBrowser::onWatchdogExpired() {
    if (m_engine->readyState() == BrowserEngine::kComplete) {
        return;
    }
    m_count = 0;
    m_ready = true;
    m_timedOut = true;
    report(BrowserStatus::LoadingFailed);
}

// Only web addresses count; the engine's own pages (about:, data:) pass unnoticed.
void CKivWebBrowser::onBeforeNavigate(const std::string& url) {
    if (url.find("http://") == std::string::npos) {
        return;
    }
    if (url.size() < kUrlBytes) {
        m_currentUrl = url;
    }
    m_ready = false;
    if (m_count == 0) {
        report(BrowserStatus::LoadingStarted);
        m_count = 1;
        // Every load has its limit, the first one too: a store that never answers ends in the
        // failure picture, not in a spinner for good.
        restartWatchdog();
    }
}

void CKivWebBrowser::reportFinished() {
    report(BrowserStatus::LoadingFinished);
}

void CKivWebBrowser::onNavigateComplete() {
    if (m_count == 0) {
        return;
    }
    if (--m_count == 0) {
        reportFinished();
    }
}

void CKivWebBrowser::onDocumentComplete() {
    m_ready = true;
    if (m_pending) {
        m_count = 1;
        m_pending = false;
        const std::string url = m_pendingUrl;
        navigate(url);
        return;
    }
    stopWatchdog();
    if (m_callback && m_count != 0) {
        m_count = 0;
        reportFinished();
    }
    // The press that every completed document leaves behind: the browser takes the focus,
    // and the owner learns from the clicked flag that the page had it.
    QMetaObject::invokeMethod(
        this, [this] { rememberClick(QCursor::pos()); }, Qt::QueuedConnection);
}

void CKivWebBrowser::onNavigateError() {
    if (!m_callback) {
        return;
    }
    m_count = 0;
    m_ready = true;
    report(BrowserStatus::LoadingFailed);
}

void CKivWebBrowser::onCommandStateChange(int command, bool enable) {
    if (command == 1) {
        m_forward = enable;
    } else if (command == 2) {
        m_back = enable;
    }
    report(BrowserStatus::HistoryChanged);
}

void CKivWebBrowser::onLeftButtonDown(const QPoint& globalPos) {
    rememberClick(globalPos);
}

void CKivWebBrowser::rememberClick(const QPoint& globalPos) {
    m_clickPoint = mapFromGlobal(globalPos);
    m_clicked = true;
    setFocus(Qt::OtherFocusReason);
}
