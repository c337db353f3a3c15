#include "StoreScriptReceiver.h"

#include "ui/browser/CKivWebBrowser.h"

#include <cassert>

namespace {

// The receiver alive, set and read on the UI thread only (script requests arrive there).
const StoreScriptReceiver* g_receiver = nullptr;

} // namespace

StoreScriptReceiver::StoreScriptReceiver(StoreActions actions) : m_actions(std::move(actions)) {
    assert(!g_receiver && "one store script receiver at a time");
    g_receiver = this;
}

StoreScriptReceiver::~StoreScriptReceiver() {
    if (g_receiver == this) {
        g_receiver = nullptr;
    }
}

void StoreScriptReceiver::receive(int code, const ScriptRequest& request) const {
    if (code == kScriptDownload) {
        (void)m_actions.startDownload(request);
        m_actions.flyingIcon();
    } else if (code == kScriptOpenStoreUrl) {
        // Only a web address of the length the browser keeps is opened: anything else (too
        // long, javascript:, file:, data: ...) is dropped like other bad arguments, and the
        // store tab is not even selected.
        if (CKivWebBrowser::IsLoadableUrl(request.downloadUrl())) {
            m_actions.openStoreUrl(request.downloadUrl());
        }
    }
}

void StoreScriptRequestEntry(int code, const ScriptRequest* request) {
    if (request && g_receiver) {
        g_receiver->receive(code, *request);
    }
}
