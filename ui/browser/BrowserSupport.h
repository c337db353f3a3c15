// The browser host's entry points for pages: the process set-up, creating a browser in a
// page and navigating it.
#pragma once

#include "CKivWebBrowser.h"
#include "ScriptRequest.h"

#include <functional>
#include <memory>
#include <string_view>

class QWidget;

/// Called once at start-up, before any browser exists: creates the external object
/// (CKivImpIDispatch) if there is none and sets the ScriptRequestHook to `downloadEntry`.
/// UI thread.
void InitBrowserSupport(ScriptRequestHook downloadEntry);

/// The exit step: deletes the external object, after the last page has gone.
void ExitBrowserSupport();

/// Creates a browser as a visible child of `parent` at the rectangle (parent coordinates,
/// right and bottom exclusive) with `callback` as its status callback. nullptr when the
/// engine could not be created (the owner then lives without a browser). The parent owns it.
CKivWebBrowser* CreateBrowser(int left, int top, int right, int bottom, QWidget* parent,
                              BrowserStatusCallback callback);

/// Loads `url` in `browser` now or once its current page is complete. Nothing without a
/// browser.
void Navigate(std::string_view url, CKivWebBrowser* browser);

/// A navigation the user asked for (a section, a search, a store link): loads `url` in
/// `browser` now, replacing a load that has not finished. Nothing without a browser.
void NavigateReplacing(std::string_view url, CKivWebBrowser* browser);

/// Makes CreateBrowser use `factory` for its engines (an empty function restores the real
/// engine; a factory returning nullptr makes creation fail).
using BrowserEngineFactory = std::function<std::unique_ptr<BrowserEngine>()>;
void SetBrowserEngineFactoryForTesting(BrowserEngineFactory factory);
