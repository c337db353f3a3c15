#include "CKivSbxxLjxdDlg.h"

#include "DeviceConnection.h"
#include "DriverFailureText.h"
#include "LinkOpener.h"
#include "PageControls.h"
#include "DevicePageServices.h"
#include "DevicePageMessages.h"

#include "device/connection/DriverJobs.h"
#include "platform/config/Config.h"
#include "ui/toolkit/KivPayload.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"
#include "webservices/MachineEventReport.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

#include <map>

const KivMessageEntry<CKivSbxxLjxdDlg> CKivSbxxLjxdDlg::kMessageMap[] = {
    {kMsgWizardUsbDebugging, &CKivSbxxLjxdDlg::onStepUsbDebugging},
    {kMsgWizardSearch, &CKivSbxxLjxdDlg::onStepSearch},
    {kMsgWizardDriver, &CKivSbxxLjxdDlg::onStepDriver},
    {kMsgWizardConnected, &CKivSbxxLjxdDlg::onStepConnected},
    {kMsgWizardFailed, &CKivSbxxLjxdDlg::onStepFailed},
    {kMsgWizardAbort, &CKivSbxxLjxdDlg::onAbort},
    {kMsgWizardStopAnimation, &CKivSbxxLjxdDlg::onStopAnimation},
    {kMsgWizardProgress, &CKivSbxxLjxdDlg::onProgress},
};

using devicepages::MakePageButton;
using devicepages::MakePageLabel;
using devicepages::SharedButtonSkin;
using devicepages::SharedPictureSkin;

namespace {

// Retryable driver failures of the whole run: the second one (also in a later wizard) gives
// up. Touched only by the progress handler on the UI thread.
int g_driverFailures = 0;

// What the driver job reports, posted to the wizard by value with the job's stop token: a
// report of a job cancelled before the wizard handles it is dropped there.
void ReportProgress(const DriverProgress& progress, std::stop_token stop) {
    if (!stop.stop_requested()) {
        PostKivMessageWith(WindowHandle(KivWindowRole::Wizard), kMsgWizardProgress,
                           static_cast<KivWParam>(progress.code),
                           WorkerPost<DriverProgress>{progress, stop});
    }
}

} // namespace

CKivSbxxLjxdDlg::CKivSbxxLjxdDlg(const DevicePageServices& services, QWidget* parent)
    : KivDialog(parent, Frame::Child), m_services(services) {
    setObjectName(QStringLiteral("CKivSbxxLjxdDlg"));
    setCancelAction(Cancel::CloseTopLevel);
    setOkIgnored(true);
    createControls();
}

CKivSbxxLjxdDlg::~CKivSbxxLjxdDlg() {
    stopAnimation();
    m_services.phone().wizardRetry().stop();
    m_services.driverJobs().cancel();
}

int CKivSbxxLjxdDlg::driverFailuresForTesting() {
    return g_driverFailures;
}
void CKivSbxxLjxdDlg::resetDriverFailuresForTesting() {
    g_driverFailures = 0;
}

void CKivSbxxLjxdDlg::createControls() {
    m_check = new QCheckBox(QStringLiteral("我已经打开了USB调试"), this);
    m_check->setObjectName(QStringLiteral("check1017"));
    m_check->setFocusPolicy(Qt::NoFocus);
    m_check->hide();
    m_next = MakePageButton(this, "下一步", 1018);
    const char* tabs[] = {"USB打开指导1", "USB打开指导2", "USB打开指导3"};
    for (int i = 0; i < 3; ++i) {
        m_tabs[i] = MakePageButton(this, tabs[i], 1046 + i);
        connect(m_tabs[i], &QPushButton::clicked, this, [this, i] { selectGuide(i + 1); });
    }
    m_guidePicture = MakePageLabel(this, "USB指导视图", Qt::black);
    m_moreModels = MakePageButton(this, "查看更多机型设置方法", 1042);
    m_failedPicture = MakePageLabel(this, "下载失败视图", Qt::black);
    m_percent = MakePageLabel(this, "驱动安装进度", QColor(255, 128, 64));
    m_progressText = MakePageLabel(this, "驱动安装提示", QColor(100, 100, 100));
    m_retry = MakePageButton(this, "重试", 1030);
    m_done = MakePageButton(this, "完成连接", 1024);
    m_back = MakePageButton(this, "返回", 1025);
    m_retryWizard = MakePageButton(this, "重试向导连接", 1031);
    m_moreWays = MakePageButton(this, "查看更多解决方法", 1043);
    m_reason = MakePageLabel(this, "驱动失败原因", QColor(214, 69, 65));
    m_reason->setAlignment(Qt::AlignCenter);
    // On the driver step it covers the failure picture's general hint with the reason.
    m_reason->setAutoFillBackground(true);
    QPalette reasonPalette = m_reason->palette();
    reasonPalette.setColor(QPalette::Window, Qt::white);
    m_reason->setPalette(reasonPalette);

    connect(m_check, &QCheckBox::toggled, this, [this](bool on) { m_next->setEnabled(on); });
    connect(m_next, &QPushButton::clicked, this, [this] {
        for (QWidget* w :
             {static_cast<QWidget*>(m_tabs[0]), static_cast<QWidget*>(m_tabs[1]),
              static_cast<QWidget*>(m_tabs[2]), static_cast<QWidget*>(m_guidePicture)}) {
            w->hide();
        }
        SendKivMessage(handle(), kMsgWizardSearch);
    });
    connect(m_moreModels, &QPushButton::clicked, this,
            [this] { OpenLinkOrSay(this, config::kLink, config::kLinkUsbDebugging); });
    connect(m_moreWays, &QPushButton::clicked, this,
            [this] { OpenLinkOrSay(this, config::kLink, config::kLinkMoreWays); });
    connect(m_retry, &QPushButton::clicked, this,
            [this] { SendKivMessage(handle(), kMsgWizardDriver); });
    connect(m_retryWizard, &QPushButton::clicked, this,
            [this] { SendKivMessage(handle(), kMsgWizardSearch); });
    connect(m_done, &QPushButton::clicked, this, [this] {
        endWizard();
        DeviceSlot slot;
        if (m_services.phone().copyCurrentDevice(slot)) {
            m_services.logMachineEvent(slot.vid, slot.pid, webservices::kEventWizardFinished);
        }
    });
    connect(m_back, &QPushButton::clicked, this, [this] { closeWizard(); });
}

void CKivSbxxLjxdDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::Wizard, handle());
    // Buttons keep their skins for the whole run; the tab and link skins are attached here,
    // once, with the dialog.
    AttachButtonSkin(m_next, SharedButtonSkin(1120, 1121, 1122, 1123));
    AttachButtonSkin(m_tabs[0], SharedButtonSkin(60, 60, 60, 61));
    AttachButtonSkin(m_tabs[1], SharedButtonSkin(70, 70, 70, 71));
    AttachButtonSkin(m_tabs[2], SharedButtonSkin(80, 80, 80, 81));
    AttachButtonSkin(m_moreModels, SharedButtonSkin(1160, 1161, 1162, 0));
    AttachButtonSkin(m_retry, SharedButtonSkin(2090, 2091, 2092, 0));
    AttachButtonSkin(m_done, SharedButtonSkin(1110, 1111, 1112, 0));
    AttachButtonSkin(m_back, SharedButtonSkin(1130, 1131, 1132, 0));
    AttachButtonSkin(m_retryWizard, SharedButtonSkin(1140, 1141, 1142, 0));
    AttachButtonSkin(m_moreWays, SharedButtonSkin(1150, 1151, 1152, 0, true));
}

bool CKivSbxxLjxdDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                         KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

QPushButton* CKivSbxxLjxdDlg::button(int id) const {
    const std::map<int, QPushButton*> buttons = {
        {1018, m_next},        {1046, m_tabs[0]}, {1047, m_tabs[1]}, {1048, m_tabs[2]},
        {1042, m_moreModels},  {1030, m_retry},   {1024, m_done},    {1025, m_back},
        {1031, m_retryWizard}, {1043, m_moreWays}};
    auto found = buttons.find(id);
    return found == buttons.end() ? nullptr : found->second;
}

QLabel* CKivSbxxLjxdDlg::label(int id) const {
    switch (id) {
    case 1049:
        return m_guidePicture;
    case 1050:
        return m_failedPicture;
    case 1051:
        return m_percent;
    case 1052:
        return m_progressText;
    case 1053:
        return m_reason;
    default:
        return nullptr;
    }
}

void CKivSbxxLjxdDlg::setBackground(int number) {
    static std::map<int, std::shared_ptr<KivFrameSkin>> frames; // UI thread
    auto& frame = frames[number];
    if (!frame) {
        frame = MakeFrameSkin(number, 0);
    }
    AttachFrameSkin(this, frame);
    update();
}

void CKivSbxxLjxdDlg::hideControls() {
    // Each step shows only its own controls: everything else goes, whatever drew last.
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->hide();
    }
}

void CKivSbxxLjxdDlg::place(QWidget* widget, int x, int y, int width, int height) {
    widget->setGeometry(x, y, width, height);
    widget->show();
}

void CKivSbxxLjxdDlg::startAnimation(int folder) {
    stopAnimation();
    m_animation = StartFolderAnimation(this, QRect(QPoint(80, 200), QPoint(599, 369)),
                                       SkinFolderPath(folder));
}

void CKivSbxxLjxdDlg::stopAnimation() {
    FreeFolderAnimation(m_animation);
}

void CKivSbxxLjxdDlg::selectGuide(int guide) {
    m_guide = guide;
    AttachPictureSkin(m_guidePicture, SharedPictureSkin(4 + guide)); // 0005 to 0007
    for (int i = 0; i < 3; ++i) {
        m_tabs[i]->setEnabled(i + 1 != guide);
    }
}

void CKivSbxxLjxdDlg::endWizard() {
    SendKivMessage(WindowHandle(KivWindowRole::DevicePage), kMsgDeviceState, 0, 0);
}

// The way out of every step: the search and the driver job stop (each returns once its thread
// has let go), then the page shows its state.
void CKivSbxxLjxdDlg::closeWizard() {
    stopAnimation();
    m_services.phone().wizardRetry().stop();
    m_services.driverJobs().cancel();
    endWizard();
}

void CKivSbxxLjxdDlg::showFailure(DriverFailure failure) {
    m_reason->setText(DriverFailureText(failure));
    m_reason->setVisible(!m_reason->text().isEmpty());
}

KivResult CKivSbxxLjxdDlg::onStepUsbDebugging(KivWParam, KivLParam) {
    m_step = 1;
    stopAnimation();
    setBackground(103);
    hideControls();
    m_check->setChecked(false);
    place(m_check, 548, 460, 143, 20);
    place(m_next, 548, 480, 143, 38);
    m_next->setEnabled(false);
    for (int i = 0; i < 3; ++i) {
        place(m_tabs[i], 5 + 97 * i, 130, 97, 26);
    }
    place(m_guidePicture, 5, 156, 686, 282);
    place(m_moreModels, 405, 88, 105, 18);
    place(m_back, 395, 480, 143, 38);
    selectGuide(1);
    return 0;
}

KivResult CKivSbxxLjxdDlg::onStepSearch(KivWParam, KivLParam) {
    m_step = 2;
    setBackground(104);
    hideControls();
    startAnimation(1);
    place(m_back, 532, 460, 143, 38);
    m_services.phone().wizardRetry().start();
    return 0;
}

KivResult CKivSbxxLjxdDlg::onStepDriver(KivWParam, KivLParam) {
    m_step = 3;
    setBackground(105);
    hideControls();
    m_percent->setGeometry(220, 380, 175, 20);
    m_progressText->setGeometry(220, 400, 175, 20);
    m_failedPicture->setGeometry(80, 200, 520, 240);
    const int width =
        QFontMetrics(font()).horizontalAdvance(QStringLiteral("正在下载驱动,请稍等..."));
    if (width > 0) {
        m_progressText->setGeometry(220, 390, width, 20);
        m_percent->setGeometry(220 + width, 390, 100, 20);
    }
    AttachPictureSkin(m_failedPicture, SharedPictureSkin(2000));
    m_retry->setGeometry(380, 460, 143, 38);
    m_reason->setGeometry(80, 400, 520, 24);
    m_failure = DriverFailure::None;
    place(m_back, 532, 460, 143, 38);
    DeviceSlot slot;
    if (!m_services.phone().copyCurrentDevice(slot)) {
        endWizard();
        return 0;
    }
    startAnimation(2);
    if (!m_services.driverJobs().start(slot.vid, slot.pid, ReportProgress)) {
        // A job that cannot start never reports: fail now rather than spin forever.
        stopAnimation();
        m_failure = DriverFailure::NotStarted;
        SendKivMessage(handle(), kMsgWizardFailed);
    }
    return 0;
}

KivResult CKivSbxxLjxdDlg::onStepConnected(KivWParam, KivLParam) {
    m_step = 4;
    stopAnimation();
    setBackground(106);
    hideControls();
    place(m_done, 500, 460, 143, 38);
    return 0;
}

KivResult CKivSbxxLjxdDlg::onStepFailed(KivWParam, KivLParam) {
    m_step = 5;
    stopAnimation();
    DeviceSlot slot;
    if (m_services.phone().copyCurrentDevice(slot)) {
        m_services.logMachineEvent(slot.vid, slot.pid, webservices::kEventWizardFailed);
    }
    setBackground(107);
    hideControls();
    place(m_back, 532, 460, 143, 38);
    place(m_retryWizard, 350, 460, 169, 38);
    place(m_moreWays, 235, 44, 105, 18);
    m_reason->setGeometry(80, 420, 520, 24);
    showFailure(m_failure);
    return 0;
}

// w = the page state that ended the wizard. A wizard the page has already put away (hidden
// when it drew its state) stays so; the success step is left by its own button, which logs the
// success, also when the phone connected.
KivResult CKivSbxxLjxdDlg::onAbort(KivWParam wParam, KivLParam) {
    if (isHidden() || (m_step == 4 && static_cast<PageState>(wParam) == PageState::Online)) {
        return 0;
    }
    closeWizard();
    return 0;
}

KivResult CKivSbxxLjxdDlg::onStopAnimation(KivWParam, KivLParam) {
    stopAnimation();
    return 0;
}

KivResult CKivSbxxLjxdDlg::onProgress(KivWParam wParam, KivLParam lParam) {
    const auto* post = KivPayloadValue<WorkerPost<DriverProgress>>(lParam);
    if (!post || post->stop.stop_requested() || m_step != 3) {
        return 0; // a report of a job that was cancelled, or of a step that is gone
    }
    const DriverProgress* progress = &post->value;
    if (progress->failure != DriverFailure::None) {
        m_failure = progress->failure;
    }
    switch (static_cast<DriverJobCode>(wParam)) {
    case DriverJobCode::LookingUp:
        m_progressText->setText(QStringLiteral("正在查找驱动,请稍等..."));
        m_progressText->show();
        break;
    case DriverJobCode::Downloading:
    case DriverJobCode::Installing:
        m_percent->setText(QStringLiteral("%1%").arg(progress->percent));
        m_percent->show();
        m_progressText->setText(static_cast<DriverJobCode>(wParam) == DriverJobCode::Downloading
                                    ? QStringLiteral("正在下载驱动,请稍等...")
                                    : QStringLiteral("正在安装驱动,请稍等..."));
        m_progressText->show();
        break;
    case DriverJobCode::Retryable:
        m_percent->hide();
        m_progressText->hide();
        stopAnimation();
        if (++g_driverFailures > 1) {
            g_driverFailures = 0;
            SendKivMessage(handle(), kMsgWizardFailed);
        } else {
            m_failedPicture->show();
            m_retry->show();
            showFailure(m_failure);
        }
        break;
    case DriverJobCode::Installed:
    case DriverJobCode::Failed:
        m_percent->hide();
        m_progressText->hide();
        stopAnimation();
        SendKivMessage(handle(), static_cast<DriverJobCode>(wParam) == DriverJobCode::Installed
                                     ? kMsgWizardConnected
                                     : kMsgWizardFailed);
        break;
    }
    return 0;
}
