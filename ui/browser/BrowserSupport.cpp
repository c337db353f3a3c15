#include "BrowserSupport.h"

#include "CKivImpIDispatch.h"
#include "WebEngineBackend.h"

#include <QWidget>

#include <cstdlib>
#include <string_view>

namespace {

BrowserEngineFactory g_factory; // UI thread only

// PENLOW_NO_BROWSER_FOR_TESTING=1 makes every browser creation fail, which lets the start-up
// benchmark measure the program without a web engine.
bool BrowserDisabledForTesting() {
    const char* value = std::getenv("PENLOW_NO_BROWSER_FOR_TESTING");
    return value && std::string_view(value) == "1";
}

std::unique_ptr<BrowserEngine> MakeEngine() {
    if (BrowserDisabledForTesting()) {
        return nullptr;
    }
    if (g_factory) {
        return g_factory();
    }
    return std::make_unique<WebEngineBackend>();
}

} // namespace

void InitBrowserSupport(ScriptRequestHook downloadEntry) {
    CKivImpIDispatch::CreateInstance();
    SetScriptRequestHook(downloadEntry);
}

void ExitBrowserSupport() {
    CKivImpIDispatch::DeleteInstance();
}

CKivWebBrowser* CreateBrowser(int left, int top, int right, int bottom, QWidget* parent,
                              BrowserStatusCallback callback) {
    std::unique_ptr<BrowserEngine> engine = MakeEngine();
    if (!engine || !engine->widget()) {
        return nullptr;
    }
    auto* browser = new CKivWebBrowser(std::move(engine), parent);
    browser->setGeometry(left, top, right - left, bottom - top);
    browser->setStatusCallback(std::move(callback));
    browser->show();
    return browser;
}

void Navigate(std::string_view url, CKivWebBrowser* browser) {
    if (browser) {
        browser->navigate(url);
    }
}

void NavigateReplacing(std::string_view url, CKivWebBrowser* browser) {
    if (browser) {
        browser->navigateReplacing(url);
    }
}

void SetBrowserEngineFactoryForTesting(BrowserEngineFactory factory) {
    g_factory = std::move(factory);
}
