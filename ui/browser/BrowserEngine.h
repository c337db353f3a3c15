// BrowserEngine: what the browser host needs of a web engine, and the events it hears back.
//
// CKivWebBrowser runs its navigation state machine against this interface: the real engine
// (WebEngineBackend, Qt WebEngine) and the scripted fake of the tests both implement it. All
// calls and events happen on the UI thread.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>
#include <optional>
#include <string>

class QWidget;

/// Events of one engine, in the order a page load produces them: beforeNavigate when a main
/// document starts loading, then navigateComplete and documentComplete when it has loaded,
/// or navigateError (a failed load or a main document answered with an HTTP error status)
/// followed by documentComplete.
class BrowserEngineEvents {
public:
    virtual ~BrowserEngineEvents() = default;
    virtual void onBeforeNavigate(const std::string& url) = 0;
    virtual void onNavigateComplete() = 0;
    virtual void onDocumentComplete() = 0;
    virtual void onNavigateError() = 0;
    /// command 1: navigating forward, 2: navigating back; `enable`: now available.
    virtual void onCommandStateChange(int command, bool enable) = 0;
    /// A left-button press reached the engine's window (global screen position).
    virtual void onLeftButtonDown(const QPoint& globalPos) = 0;
};

class BrowserEngine {
public:
    /// Ready states of a document; kComplete when no load is in progress.
    static constexpr int kLoading = 1;
    static constexpr int kComplete = 4;

    virtual ~BrowserEngine() = default;

    /// The engine's window; the host makes it its only child.
    virtual QWidget* widget() = 0;
    /// Where events go (nullptr: nowhere). The receiver outlives the engine.
    virtual void setEvents(BrowserEngineEvents* events) = 0;
    /// Starts loading `url` bypassing the cache. Busy from this call until the load ends.
    virtual void navigate(const std::string& url) = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    virtual bool busy() const = 0;
    virtual int readyState() const = 0;
};
