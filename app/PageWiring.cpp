#include "PageWiring.h"

#include "downloads/CKivAppDownMgr.h"
#include "downloads/pages/FlyingIcon.h"
#include "downloads/pages/StartAppDownload.h"
#include "platform/config/StoreHost.h"
#include "store/AppDownloadHook.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/browser/CKivWebBrowser.h"
#include "ui/devicepages/DevicePageHooks.h"

#include <QPointer>
#include <QWidget>

namespace {

// The recommendations panel's browser is the store's kind of browser, laid over the panel's
// rectangle. The navigate function holds the browser weakly: the panel owns it and may go
// first.
RecommendBrowser CreateRecommendBrowser(QWidget* panel, const QRect& rect,
                                        RecommendStatusCallback status) {
    CKivWebBrowser* browser = CreateBrowser(rect.left(), rect.top(), rect.right() + 1,
                                            rect.bottom() + 1, panel, std::move(status));
    if (!browser) {
        return {};
    }
    QPointer<CKivWebBrowser> weak(browser);
    return {browser, [weak](const QString& url) {
                if (weak) {
                    Navigate(url.toStdString(), weak.data());
                }
            }};
}

} // namespace

void WirePages() {
    SetStartAppDownloadHook(StartAppDownload);
    SetFlyingIconHook(StartFlyingIcon);
    SetDownloadQueuesInitHook([] { InitAppDownloadQueues(); });
    SetRecommendBrowserFactory(CreateRecommendBrowser);
    // One store host for the store page and the device page's panel.
    SetStoreHost(config::StoreHost());
}
