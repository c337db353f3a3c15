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
        // A URL too long for the browser's URL fields is dropped rather than cut.
        if (request.downloadUrl().size() < CKivWebBrowser::kUrlBytes) {
            m_actions.openStoreUrl(request.downloadUrl());
        }
    }
}

void StoreScriptRequestEntry(int code, const ScriptRequest* request) {
    if (request && g_receiver) {
        g_receiver->receive(code, *request);
    }
}
