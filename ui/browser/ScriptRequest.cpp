#include "ScriptRequest.h"

#include <atomic>

namespace {
std::atomic<ScriptRequestHook> g_hook{nullptr};
}

void SetScriptRequestHook(ScriptRequestHook hook) {
    g_hook = hook;
}

ScriptRequestHook GetScriptRequestHook() {
    return g_hook;
}

void DeliverScriptRequest(int code, const ScriptRequest& request) {
    if (ScriptRequestHook hook = g_hook) {
        hook(code, &request);
    }
}
