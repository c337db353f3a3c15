#include "WebEngineBackend.h"

#include "BrowserKeys.h"
#include "BrowserPage.h"
#include "ScriptChannel.h"

#include <QAction>
#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

WebEngineBackend::WebEngineBackend()
    : m_view(new QWebEngineView),
      m_page(new BrowserPage(QWebEngineProfile::defaultProfile(), m_view)) {
    m_view->setPage(m_page);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    (new ScriptChannel(m_page))->attach();

    connect(m_page, &QWebEnginePage::loadingChanged, this, &WebEngineBackend::onLoadingChanged);
    QAction* back = m_page->action(QWebEnginePage::Back);
    QAction* forward = m_page->action(QWebEnginePage::Forward);
    connect(back, &QAction::changed, this, [this, back] {
        if (m_events) {
            m_events->onCommandStateChange(2, back->isEnabled());
        }
    });
    connect(forward, &QAction::changed, this, [this, forward] {
        if (m_events) {
            m_events->onCommandStateChange(1, forward->isEnabled());
        }
    });
    // The engine's input widget is created (and recreated) as a child of the view.
    m_view->installEventFilter(this);
    for (QObject* child : m_view->children()) {
        watchChild(child);
    }
}

WebEngineBackend::~WebEngineBackend() {
    m_events = nullptr;
    delete m_view;
}

QWidget* WebEngineBackend::widget() {
    return m_view;
}

void WebEngineBackend::setEvents(BrowserEngineEvents* events) {
    m_events = events;
}

void WebEngineBackend::navigate(const std::string& url) {
    QWebEngineHttpRequest request(QUrl(QString::fromStdString(url)));
    request.setHeader(QByteArrayLiteral("Cache-Control"), QByteArrayLiteral("no-cache"));
    request.setHeader(QByteArrayLiteral("Pragma"), QByteArrayLiteral("no-cache"));
    m_loading = true;
    m_page->load(request);
}

void WebEngineBackend::goBack() {
    m_page->triggerAction(QWebEnginePage::Back);
}

void WebEngineBackend::goForward() {
    m_page->triggerAction(QWebEnginePage::Forward);
}

void WebEngineBackend::onLoadingChanged(const QWebEngineLoadingInfo& info) {
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        m_loading = true;
        if (m_events) {
            m_events->onBeforeNavigate(info.url().toString().toStdString());
        }
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        // A load replaced by a newer one, or stopped: the newer load reports for itself.
        m_loading = m_page->isLoading();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        break;
    }
    m_loading = false;
    if (!m_events) {
        return;
    }
    // The engine reports the main document's HTTP status as an "error" of its own domain,
    // 200 included.
    const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain &&
                           info.errorCode() >= 400;
    const bool failed = info.status() == QWebEngineLoadingInfo::LoadFailedStatus || httpError;
    if (failed) {
        m_events->onNavigateError();
    } else {
        m_events->onNavigateComplete();
    }
    if (m_events) {
        m_events->onDocumentComplete();
    }
}

void WebEngineBackend::watchChild(QObject* child) {
    if (child->isWidgetType()) {
        child->installEventFilter(this);
    }
}

bool WebEngineBackend::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == m_view) {
            watchChild(static_cast<QChildEvent*>(event)->child());
        }
        break;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (IsSwallowedBrowserKey(key->key(), key->modifiers())) {
            event->accept();
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && m_events) {
            m_events->onLeftButtonDown(
                static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
