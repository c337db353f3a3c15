// A scripted BrowserEngine for the navigation state machine: the test plays the engine's
// events and reads what the host asked of it.
#pragma once

#include "ui/browser/BrowserEngine.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class FakeBrowserEngine : public BrowserEngine {
public:
    /// The widget goes to the browser that adopts it.
    FakeBrowserEngine() : m_widget(new QWidget) {}

    QWidget* widget() override { return m_widget; }
    void setEvents(BrowserEngineEvents* events) override { m_events = events; }
    void navigate(const std::string& url) override {
        loads.push_back(url);
        busyNow = true;
        state = kLoading;
    }
    void goBack() override { ++backCalls; }
    void goForward() override { ++forwardCalls; }
    bool busy() const override { return busyNow; }
    int readyState() const override { return state; }

    // The engine's side of a load.
    void start(const std::string& url) { m_events->onBeforeNavigate(url); }
    void finish() {
        busyNow = false;
        state = kComplete;
        m_events->onNavigateComplete();
        m_events->onDocumentComplete();
    }
    void fail() {
        busyNow = false;
        state = kComplete;
        m_events->onNavigateError();
        m_events->onDocumentComplete();
    }
    /// Starts the latest requested load and completes it.
    void loadLatest() {
        start(loads.back());
        finish();
    }
    BrowserEngineEvents* events() const { return m_events; }

    std::vector<std::string> loads;
    bool busyNow = false;
    int state = kComplete;
    int backCalls = 0;
    int forwardCalls = 0;

private:
    QWidget* m_widget;
    BrowserEngineEvents* m_events = nullptr;
};
