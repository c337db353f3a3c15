// The store's receiver of page-script requests: a download request goes to the download
// manager and then the flying icon; a store URL goes to the main window, which opens it in the
// store tab. The ScriptRequestHook the program installs with InitBrowserSupport is
// StoreScriptRequestEntry, which hands each request to the one receiver alive: the program
// builds it where it is put together and keeps it for the main window's life.
#pragma once

#include "ui/browser/ScriptRequest.h"

#include <functional>
#include <string>

/// What a store request sets off. UI thread; every function must be callable.
struct StoreActions {
    /// Starts an app download from the request's fields; the download manager's answer
    /// (-1, 0, 1 or 2) is not shown by the store.
    using StartDownload = std::function<int(const ScriptRequest& request)>;
    using FlyingIcon = std::function<void()>;
    /// Opens a store address in the store tab (the text is only valid during the call).
    using OpenStoreUrl = std::function<void(const std::string& url)>;

    StoreActions(StartDownload startDownload_, FlyingIcon flyingIcon_, OpenStoreUrl openStoreUrl_)
        : startDownload(std::move(startDownload_)), flyingIcon(std::move(flyingIcon_)),
          openStoreUrl(std::move(openStoreUrl_)) {}

    StartDownload startDownload;
    FlyingIcon flyingIcon;
    OpenStoreUrl openStoreUrl;
};

class StoreScriptReceiver {
public:
    /// Becomes the receiver of StoreScriptRequestEntry until destroyed. One at a time. UI thread.
    explicit StoreScriptReceiver(StoreActions actions);
    ~StoreScriptReceiver();
    StoreScriptReceiver(const StoreScriptReceiver&) = delete;
    StoreScriptReceiver& operator=(const StoreScriptReceiver&) = delete;

    void receive(int code, const ScriptRequest& request) const;

private:
    StoreActions m_actions;
};

/// The ScriptRequestHook: hands the request to the live receiver; dropped when there is none
/// (before the main window exists, after it has gone).
void StoreScriptRequestEntry(int code, const ScriptRequest* request);
