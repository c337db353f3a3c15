// CKivYyyxDlg: the store page, the second page of the main window (tab "应用游戏").
#pragma once

#include "ui/toolkit/KivDialog.h"

#include <string>

class CKivYyyxDlg : public KivDialog {
    Q_OBJECT
public:
    /// The last navigation request the page received.
    struct Request {
        KivWParam kind = 0; ///< KivStoreRequest
        std::string url;    ///< for kStoreOpenUrl
    };

    explicit CKivYyyxDlg(QWidget* parent = nullptr);

    /// 1 once a navigation request has reached the page.
    int navigated() const { return m_navigated; }
    const Request& lastRequest() const { return m_lastRequest; }
    int requestCount() const { return m_requests; }

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;

private:
    KivResult onPageInit(KivWParam wParam, KivLParam lParam);
    KivResult onNavigate(KivWParam wParam, KivLParam lParam);

    int m_navigated = 0;
    int m_requests = 0;
    Request m_lastRequest;

    static const KivMessageEntry<CKivYyyxDlg> kMessageMap[];
};
