// CKivSbxxDlg: the device page, the first page of the main window (tab "欢迎"). It shows in
// five states whether a phone is attached and what it is, hosts the connection wizard and the
// two panels, starts the device monitor and runs the connecting screen's poller and the
// connected screen's phone worker.
#pragma once

#include "DevicePageServices.h"
#include "ElidedLabel.h"
#include "PhoneWorker.h"

#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/KivFolderAnimation.h"

#include <memory>

class CKivSbxxLjxdDlg;
class CKivSbxxSjxxDlg;
class CKivSbxxYxtjDlg;
class QLabel;
class QPushButton;

class CKivSbxxDlg : public KivDialog {
    Q_OBJECT
public:
    enum State { kWelcome = 1, kNotConnected = 2, kConnected = 3, kConnecting = 4, kError = 5 };

    /// `openStore` shows the store tab at an address (the recommendations panel's 更多).
    CKivSbxxDlg(const DevicePageServices& services, StoreAddressOpener openStore, QWidget* parent);
    ~CKivSbxxDlg() override;

    int currentState() const { return m_state; }
    /// The state last drawn (1045 draws the connecting screen without changing the state).
    int drawnState() const { return m_drawn; }
    bool wizardMode() const { return m_wizardMode; }

    CKivSbxxLjxdDlg* wizard() const { return m_wizard; }
    CKivSbxxSjxxDlg* infoPanel() const { return m_info; }
    CKivSbxxYxtjDlg* recommendPanel() const { return m_recommend; }
    ElidedLabel* title() const { return m_title; }
    QLabel* phonePicture() const { return m_picture; }
    /// The status line (1032): "已连接设备", "连接中断" ... as its text.
    QLabel* statusLabel() const { return m_status; }
    /// The value (0) and unit (1) of row 0 phone storage, 1 SD card, 2 battery.
    QLabel* valueLabel(int row, int part) const;
    QPushButton* button(int id) const;
    /// The picture last shown in 1010 by the phone worker (null before).
    const QImage& shownPhonePicture() const { return m_shownPicture; }

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;

private:
    KivResult onPageInit(KivWParam wParam, KivLParam lParam);
    KivResult onState(KivWParam wParam, KivLParam lParam);
    KivResult onShowWelcome(KivWParam wParam, KivLParam lParam);
    KivResult onShowNotConnected(KivWParam wParam, KivLParam lParam);
    KivResult onShowConnected(KivWParam wParam, KivLParam lParam);
    KivResult onShowConnecting(KivWParam wParam, KivLParam lParam);
    KivResult onShowError(KivWParam wParam, KivLParam lParam);
    KivResult onOpenWizard(KivWParam wParam, KivLParam lParam);
    KivResult onMonitorRunning(KivWParam wParam, KivLParam lParam);
    KivResult onWorkerState(KivWParam wParam, KivLParam lParam);
    KivResult onWorkerPicture(KivWParam wParam, KivLParam lParam);
    KivResult onWorkerStorage(KivWParam wParam, KivLParam lParam);
    KivResult onWorkerBattery(KivWParam wParam, KivLParam lParam);
    KivResult onWorkerLink(KivWParam wParam, KivLParam lParam);

    void createControls();
    void beginStateDrawing(bool connected);
    void stopBusyAnimation();
    void showPicture(QLabel* label, int skin, int x, int y, int width, int height);
    void showRecommendations(int y);
    void placeValueRow(int row, int y);
    void showConnectedStatus(bool interrupted);
    template <class T> const T* shownValue(KivLParam lParam) const;

    const DevicePageServices& m_services; // outlives the page
    CKivSbxxLjxdDlg* m_wizard;
    CKivSbxxSjxxDlg* m_info;
    CKivSbxxYxtjDlg* m_recommend;
    ElidedLabel* m_title;
    QLabel* m_picture;           // 1010
    QLabel* m_status;            // 1032
    QLabel* m_cableHint;         // 1041
    QLabel* m_storageIcon;       // 1057
    QLabel* m_values[3];         // 1026 to 1028
    QLabel* m_units[3];          // 1011 to 1013
    QPushButton* m_wizardButton; // 1016
    QPushButton* m_unrecognised; // 1043
    QPushButton* m_refresh;      // 1045
    QPushButton* m_back;         // 1059

    int m_state = 0;
    int m_drawn = 0;
    bool m_wizardMode = false;
    bool m_interrupted = false; // the shown phone stopped answering
    QImage m_shownPicture;
    std::unique_ptr<KivFolderAnimation> m_busy; // at most one page animation
    PhoneWorker m_worker;

    static const KivMessageEntry<CKivSbxxDlg> kMessageMap[];
};
