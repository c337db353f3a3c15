// CKivSbxxYxtjDlg: the recommendations panel: the store's recommendation page in a browser
// over the panel's background, a loading picture and animation while it loads, an error
// picture when it fails, and "更多" opening the store's list page in the store tab. Its
// start-up message also starts the download queues. Without a browser (the factory gives none)
// it shows its background and "更多" only.
#pragma once

#include "DevicePageServices.h"

#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/KivFolderAnimation.h"

#include <memory>
#include <string>

class QPushButton;

class CKivSbxxYxtjDlg : public KivDialog {
    Q_OBJECT
public:
    enum PanelState { kPageShown = 0, kLoading = 1, kFailed = 2 };
    /// Where the browser lies: (1, 31)-(534, 380).
    static const QRect kBrowserRect;

    CKivSbxxYxtjDlg(const DevicePageServices& services, StoreAddressOpener openStore,
                    QWidget* parent);
    ~CKivSbxxYxtjDlg() override;

    int panelState() const { return m_state; }
    QWidget* browser() const { return m_browser.widget; }
    QPushButton* moreButton() const { return m_more; }

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;
    /// A click on the failure picture loads the recommendations again.
    void mousePressEvent(QMouseEvent* event) override;

private:
    KivResult onStart(KivWParam wParam, KivLParam lParam);
    void loadRecommendations();
    QRect failurePictureRect() const;
    KivResult onStatus(KivWParam wParam, KivLParam lParam);
    void onMore();

    const DevicePageServices& m_services;
    StoreAddressOpener m_openStore;
    RecommendBrowser m_browser;
    std::unique_ptr<KivFolderAnimation> m_animation;
    QPushButton* m_more;
    int m_state = kPageShown;

    static const KivMessageEntry<CKivSbxxYxtjDlg> kMessageMap[];
};
