// CKivWebBrowser: the window that carries one embedded web engine for the store page and the
// recommendations panel, with the navigation that never interrupts a page still loading, the
// navigation watchdog and the status callback through which its owner shows a loading
// animation, an error picture or the page.
//
// Navigation state: idle (count 0, nothing pending), loading (count 1 or more), waiting (a
// newer URL waits until the current page completes; only the latest survives) and abandoned
// (the watchdog expired: the next navigation loads at once). Every field below is touched on
// the UI thread only: the watchdog is a UI-thread timer, and the engine loads asynchronously
// by itself, so no worker thread reaches the browser.
#pragma once

#include "BrowserEngine.h"
#include "BrowserStatus.h"

#include <QPoint>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CKivWebBrowser : public QWidget, private BrowserEngineEvents {
    Q_OBJECT
public:
    /// URL fields hold at most 1,023 bytes; longer URLs are refused.
    static constexpr std::size_t kUrlBytes = 1024;

    CKivWebBrowser(std::unique_ptr<BrowserEngine> engine, QWidget* parent);
    ~CKivWebBrowser() override;

    void setStatusCallback(BrowserStatusCallback callback) { m_callback = std::move(callback); }

    /// Loads `url` now, or once the page being loaded is complete. A URL of 1,024 bytes or
    /// more, or one that is not an http or https address, is refused: nothing happens.
    void navigate(std::string_view url);
    /// A navigation the user asked for: loads `url` now, replacing a load that has not
    /// finished (and any URL waiting for it). A request for the URL being loaded still waits
    /// for it and then reloads it. Refuses what navigate() refuses.
    void navigateReplacing(std::string_view url);

    /// Whether the browser loads `url`: an http or https address of fewer than 1,024 bytes.
    static bool IsLoadableUrl(std::string_view url);
    void goBack();
    void goForward();

    /// Stops a running navigation watchdog (the owner does this before destroying the browser).
    void stopWatchdog();
    bool watchdogRunning() const { return m_watchdog.isActive(); }

    bool ready() const { return m_ready; }
    bool forwardAvailable() const { return m_forward; }
    bool backAvailable() const { return m_back; }
    const std::string& currentUrl() const { return m_currentUrl; }
    const std::string& pendingUrl() const { return m_pendingUrl; }
    bool pending() const { return m_pending; }
    int navigationCount() const { return m_count; }
    bool timedOut() const { return m_timedOut; }

    /// Click memory: set when a left press reached the browser (or after each completed
    /// document); the owner clears it.
    bool clicked() const { return m_clicked; }
    void clearClicked() { m_clicked = false; }
    QPoint clickPoint() const { return m_clickPoint; }

    BrowserEngine* engine() const { return m_engine.get(); }

    /// The watchdog's wait after the last deferred request (180 s); tests shorten it.
    static void SetWatchdogIntervalForTesting(std::chrono::milliseconds interval);
    static std::chrono::milliseconds WatchdogInterval();

private:
    void onBeforeNavigate(const std::string& url) override;
    void onNavigateComplete() override;
    void onDocumentComplete() override;
    void onNavigateError() override;
    void onCommandStateChange(int command, bool enable) override;
    void onLeftButtonDown(const QPoint& globalPos) override;

    void defer(std::string_view url);
    void loadNow(std::string_view url);
    void restartWatchdog();
    void onWatchdogExpired();
    void reportFinished();
    void rememberClick(const QPoint& globalPos);
    void report(BrowserStatus status);

    std::unique_ptr<BrowserEngine> m_engine;
    BrowserStatusCallback m_callback;
    QTimer m_watchdog;
    bool m_ready = true;
    bool m_forward = true;
    bool m_back = true;
    std::string m_currentUrl;
    std::string m_pendingUrl;
    bool m_pending = false;
    int m_count = 0;
    bool m_timedOut = false;
    bool m_clicked = false;
    QPoint m_clickPoint;
};
