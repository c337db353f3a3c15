// CKivYyyxDlg: the store page, the second page of the main window (tab "应用游戏"). It shows
// the store web site in an embedded browser under a strip of skinned buttons: back, forward,
// refresh, four store sections (home, app categories, game categories, featured topics) and
// a search box with its button. While a page loads the browser is hidden and a loading
// animation plays; a page that fails shows the failure picture instead.
#pragma once

#include "ui/browser/BrowserStatus.h"
#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/KivImage.h"

#include <QString>

#include <memory>
#include <string>

class CKivWebBrowser;
class KivFolderAnimation;
class QAbstractButton;
class QLineEdit;

class CKivYyyxDlg : public KivDialog {
    Q_OBJECT
public:
    /// Control ids of the page.
    enum Control {
        kBack = 1002,
        kForward = 1003,
        kRefresh = 1004,
        kHome = 1005,
        kAppCategories = 1006,
        kGameCategories = 1007,
        kTopics = 1008,
        kSearchEdit = 1033,
        kSearchButton = 1034,
    };
    /// Page states: the browser shows, loading (animation), failed (failure picture).
    enum State { kIdle = 0, kLoading = 1, kFailed = 2 };
    static constexpr int kSearchMaxChars = 50;

    /// The last navigation request the page received.
    struct Request {
        KivWParam kind = 0; ///< KivStoreRequest
        std::string url;    ///< for kStoreOpenUrl
    };

    explicit CKivYyyxDlg(QWidget* parent = nullptr);
    ~CKivYyyxDlg() override;

    /// 1 once a navigation request has reached the page.
    int navigated() const { return m_navigated; }
    const Request& lastRequest() const { return m_lastRequest; }
    int requestCount() const { return m_requests; }

    int pageState() const { return m_state; }
    CKivWebBrowser* browser() const { return m_browser; }
    QAbstractButton* button(Control id) const;
    QLineEdit* searchEdit() const { return m_searchEdit; }
    const KivFolderAnimation* loadingAnimation() const { return m_animation.get(); }

    /// The search address for `text`, percent-encoded from UTF-8 as the query's value.
    static std::string SearchUrl(const QString& text);

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KivResult onPageInit(KivWParam wParam, KivLParam lParam);
    KivResult onNavigate(KivWParam wParam, KivLParam lParam);

    void createControls();
    QAbstractButton* addButton(Control id, const QString& caption, int x, int y, int w, int h,
                               int normal, int hover, int pressed, int disabled);
    void onBrowserStatus(BrowserStatus status);
    void setSectionButtons(int disabledSection);
    void goBack();
    void goForward();
    void refresh();
    void requestSearch();
    void handBackFocus();

    CKivWebBrowser* m_browser = nullptr;
    std::unique_ptr<KivFolderAnimation> m_animation;
    QAbstractButton* m_buttons[kSearchButton - kBack + 1] = {};
    QLineEdit* m_searchEdit = nullptr;
    QString m_searchText;
    KivImage m_strip;
    KivImage m_failedPicture;
    KivImage m_loadingPicture;
    int m_state = kIdle;
    int m_navigated = 0;
    int m_requests = 0;
    Request m_lastRequest;

    static const KivMessageEntry<CKivYyyxDlg> kMessageMap[];
};
