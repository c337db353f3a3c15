// WebEngineBackend: the BrowserEngine on Qt WebEngine. It maps the engine's signals to the
// host's events and gives the view the program's manners:
//
//   load started (main document, http)   -> beforeNavigate
//   load succeeded                        -> navigateComplete, documentComplete
//   load failed, or succeeded with an HTTP error status of the main document
//                                         -> navigateError, documentComplete
//   back / forward actions change         -> commandStateChange 2 / 1
//   left press in the view                -> leftButtonDown
//
// No context menu, no scroll bars, no border; F5 and Ctrl+O/P/N swallowed; alert() in the
// skinned message box; no new windows; window.external through ScriptChannel. Each load
// sends "Cache-Control: no-cache", so the page comes from the server, not the cache.
#pragma once

#include "BrowserEngine.h"

#include <QObject>

class BrowserPage;
class QWebEngineLoadingInfo;
class QWebEngineView;

class WebEngineBackend : public QObject, public BrowserEngine {
    Q_OBJECT
public:
    WebEngineBackend();
    ~WebEngineBackend() override;

    QWidget* widget() override;
    void setEvents(BrowserEngineEvents* events) override;
    void navigate(const std::string& url) override;
    void goBack() override;
    void goForward() override;
    bool busy() const override { return m_loading; }
    int readyState() const override { return m_loading ? kLoading : kComplete; }

    QWebEngineView* view() const { return m_view; }
    BrowserPage* page() const { return m_page; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void watchChild(QObject* child);

    QWebEngineView* m_view;
    BrowserPage* m_page;
    BrowserEngineEvents* m_events = nullptr;
    bool m_loading = false;
};
