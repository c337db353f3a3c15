// The store's receiver of page-script requests (the ScriptRequestHook the program installs
// with InitBrowserSupport): a download request goes to the app download hook and then the
// flying icon; a store URL goes to the main window, which opens it in the store tab.
#pragma once

#include "ui/browser/ScriptRequest.h"

void StoreScriptRequestEntry(int code, const ScriptRequest* request);
