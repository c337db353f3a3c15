// CKivSbxxLjxdDlg: the connection wizard, which covers the device page while it guides a user
// whose phone adb cannot see: (1) switch on USB debugging, (2) look for the phone, (3) find,
// download and install a USB driver, (4) success, (5) failure. It never sets the page's state:
// it ends wizard mode and the page draws whatever the device monitor reported meanwhile. Every
// step but the success has a way out ("返回"), which stops the search and the driver job; the
// phone connecting or leaving ends the wizard by itself. A failed driver step says why.
#pragma once

#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/KivFolderAnimation.h"

#include "device/connection/DriverJobTypes.h"

#include <memory>

class DevicePageServices;
class QCheckBox;
class QLabel;
class QPushButton;

class CKivSbxxLjxdDlg : public KivDialog {
    Q_OBJECT
public:
    CKivSbxxLjxdDlg(const DevicePageServices& services, QWidget* parent);
    ~CKivSbxxLjxdDlg() override;

    /// The step drawn last (1 to 5), 0 before the first.
    int step() const { return m_step; }
    QCheckBox* checkBox() const { return m_check; }
    QPushButton* button(int id) const;
    QLabel* label(int id) const;
    /// The guide tab shown (1 to 3).
    int guide() const { return m_guide; }
    bool animationRunning() const { return m_animation && m_animation->isRunning(); }

    /// The process-wide count of retryable driver failures (0 or 1 between reports).
    static int driverFailuresForTesting();
    static void resetDriverFailuresForTesting();

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;

private:
    const DevicePageServices& m_services; // outlives the wizard

    KivResult onStepUsbDebugging(KivWParam wParam, KivLParam lParam);
    KivResult onStepSearch(KivWParam wParam, KivLParam lParam);
    KivResult onStepDriver(KivWParam wParam, KivLParam lParam);
    KivResult onStepConnected(KivWParam wParam, KivLParam lParam);
    KivResult onStepFailed(KivWParam wParam, KivLParam lParam);
    KivResult onAbort(KivWParam wParam, KivLParam lParam);
    KivResult onStopAnimation(KivWParam wParam, KivLParam lParam);
    KivResult onProgress(KivWParam wParam, KivLParam lParam);

    void createControls();
    void setBackground(int number);
    void hideControls();
    void selectGuide(int guide);
    void startAnimation(int folder);
    void stopAnimation();
    void endWizard();
    void closeWizard();
    void showFailure(DriverFailure failure);
    void place(QWidget* widget, int x, int y, int width, int height);

    QCheckBox* m_check;         // 1017
    QPushButton* m_next;        // 1018
    QPushButton* m_tabs[3];     // 1046 to 1048
    QLabel* m_guidePicture;     // 1049
    QPushButton* m_moreModels;  // 1042
    QLabel* m_failedPicture;    // 1050
    QLabel* m_percent;          // 1051
    QLabel* m_progressText;     // 1052
    QPushButton* m_retry;       // 1030
    QPushButton* m_done;        // 1024
    QPushButton* m_back;        // 1025
    QPushButton* m_retryWizard; // 1031
    QPushButton* m_moreWays;    // 1043
    QLabel* m_reason;           // why the driver step failed

    int m_step = 0;
    DriverFailure m_failure = DriverFailure::None; // the last failed driver job's reason
    int m_guide = 1;
    std::unique_ptr<KivFolderAnimation> m_animation; // at most one wizard animation

    static const KivMessageEntry<CKivSbxxLjxdDlg> kMessageMap[];
};
