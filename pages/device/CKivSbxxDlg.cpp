#include "CKivSbxxDlg.h"

#include "CKivSbxxLjxdDlg.h"
#include "CKivSbxxSjxxDlg.h"
#include "CKivSbxxYxtjDlg.h"
#include "DeviceConnection.h"
#include "ElidedLabel.h"
#include "DevicePageServices.h"
#include "LinkOpener.h"
#include "PageControls.h"
#include "DevicePageMessages.h"

#include "platform/config/Config.h"
#include "ui/toolkit/KivPayload.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <map>

const KivMessageEntry<CKivSbxxDlg> CKivSbxxDlg::kMessageMap[] = {
    {kMsgDevicePageInit, &CKivSbxxDlg::onPageInit},
    {kMsgDeviceState, &CKivSbxxDlg::onState},
    {kMsgShowWelcome, &CKivSbxxDlg::onShowWelcome},
    {kMsgShowNotConnected, &CKivSbxxDlg::onShowNotConnected},
    {kMsgShowConnected, &CKivSbxxDlg::onShowConnected},
    {kMsgShowConnecting, &CKivSbxxDlg::onShowConnecting},
    {kMsgShowConnectionError, &CKivSbxxDlg::onShowError},
    {kMsgOpenWizard, &CKivSbxxDlg::onOpenWizard},
    {kMsgMonitorRunning, &CKivSbxxDlg::onMonitorRunning},
    {kMsgWorkerState, &CKivSbxxDlg::onWorkerState},
    {kMsgWorkerPicture, &CKivSbxxDlg::onWorkerPicture},
    {kMsgWorkerStorage, &CKivSbxxDlg::onWorkerStorage},
    {kMsgWorkerBattery, &CKivSbxxDlg::onWorkerBattery},
    {kMsgWorkerLink, &CKivSbxxDlg::onWorkerLink},
};

using devicepages::MakeElidedPageLabel;
using devicepages::MakePageButton;
using devicepages::MakePageLabel;
using devicepages::SharedButtonSkin;
using devicepages::SharedPictureSkin;

namespace {

const QColor kTextColour(62, 62, 62);
const QColor kUnitColour(100, 100, 100);
const QColor kValueColour(255, 128, 64);
const QColor kInterruptedColour(214, 69, 65);

// The status line of a shown phone that stopped answering, drawn like the connected one: a
// dot and the words, in red. Made once (UI thread).
std::shared_ptr<KivImage> InterruptedStatusPicture() {
    static std::shared_ptr<KivImage> picture;
    if (!picture) {
        QImage image(93, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kInterruptedColour);
        painter.drawEllipse(QPointF(6, 10), 4, 4);
        painter.setPen(kInterruptedColour);
        QFont font = KivFont("微软雅黑", 13, 400);
        font.setPixelSize(14); // as the connected status picture's words
        painter.setFont(font);
        painter.drawText(QRect(15, 0, 78, 20), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("连接中断"));
        painter.end();
        picture = std::make_shared<KivImage>();
        picture->setImage(image);
    }
    return picture;
}

} // namespace

CKivSbxxDlg::CKivSbxxDlg(const DevicePageServices& services, StoreAddressOpener openStore,
                         QWidget* parent)
    : KivDialog(parent, Frame::Child), m_services(services),
      m_wizard(new CKivSbxxLjxdDlg(services, this)), m_info(new CKivSbxxSjxxDlg(this)),
      m_recommend(new CKivSbxxYxtjDlg(services, std::move(openStore), this)) {
    setObjectName(QStringLiteral("CKivSbxxDlg"));
    setDragByEmptySpots(true);
    setCancelAction(Cancel::CloseTopLevel); // Esc on the device page ends the program
    setOkIgnored(true);
    createControls();
}

CKivSbxxDlg::~CKivSbxxDlg() {
    stopBusyAnimation();
    m_worker.stop();
    m_services.phone().stopMonitor();
}

void CKivSbxxDlg::createControls() {
    m_title = MakeElidedPageLabel(this, "手机名字", kTextColour);
    m_picture = MakePageLabel(this, "手机截屏", kTextColour);
    m_status = MakePageLabel(this, "连接状态", kTextColour);
    m_cableHint = MakePageLabel(this, "请用数据线连接手机和电脑", kTextColour);
    m_storageIcon = MakePageLabel(this, "Static", kTextColour);
    const char* units[] = {"手机空间", "SD卡空间", "电池电量"};
    for (int i = 0; i < 3; ++i) {
        m_values[i] = MakePageLabel(this, "Static", kValueColour);
        m_units[i] = MakePageLabel(this, units[i], kUnitColour);
    }
    m_wizardButton = MakePageButton(this, "使用向导连接我的手机", 1016);
    m_unrecognised = MakePageButton(this, "设备无法识别", 1043);
    m_refresh = MakePageButton(this, "刷新设备", 1045);
    m_back = MakePageButton(this, "返回", 1059);
    connect(m_wizardButton, &QPushButton::clicked, this, [this] {
        SendKivMessage(handle(), kMsgDeviceState, 0, 1);
        SendKivMessage(handle(), kMsgOpenWizard);
    });
    connect(m_unrecognised, &QPushButton::clicked, this,
            [this] { OpenLinkOrSay(this, config::kLink, config::kLinkUnrecognised); });
    connect(m_refresh, &QPushButton::clicked, this,
            [this] { SendKivMessage(handle(), kMsgShowConnecting, kError); });
    connect(m_back, &QPushButton::clicked, this,
            [this] { SendKivMessage(handle(), kMsgDeviceState, kWelcome); });
}

void CKivSbxxDlg::onInitDialog() {
    m_wizardMode = false;
    SetWindowHandle(KivWindowRole::DevicePage, handle());
    for (KivDialog* child : std::initializer_list<KivDialog*>{m_wizard, m_info, m_recommend}) {
        child->hide();
        child->initialise();
    }
    m_title->setFont(KivFont("微软雅黑", 32, 500));
    const QFont valueFont = KivFont("GB2312", 14, 600);
    for (QLabel* value : m_values) {
        value->setFont(valueFont);
    }
    AttachButtonSkin(m_wizardButton, SharedButtonSkin(140, 141, 142, 143));
    AttachButtonSkin(m_unrecognised, SharedButtonSkin(1510, 1511, 1512, 0, true));
    AttachButtonSkin(m_refresh, SharedButtonSkin(1530, 1531, 1532, 0));
    AttachButtonSkin(m_back, SharedButtonSkin(1130, 1131, 1132, 0));
    SendKivMessage(handle(), kMsgDeviceState, kWelcome);
    m_wizardButton->setEnabled(false); // until the monitor runs
    m_services.phone().startMonitor();
}

bool CKivSbxxDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                     KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

QLabel* CKivSbxxDlg::valueLabel(int row, int part) const {
    return part == 0 ? m_values[row] : m_units[row];
}

QPushButton* CKivSbxxDlg::button(int id) const {
    switch (id) {
    case 1016:
        return m_wizardButton;
    case 1043:
        return m_unrecognised;
    case 1045:
        return m_refresh;
    case 1059:
        return m_back;
    default:
        return nullptr;
    }
}

KivResult CKivSbxxDlg::onPageInit(KivWParam, KivLParam) {
    return 0; // sent once by the main window; nothing to do
}

KivResult CKivSbxxDlg::onState(KivWParam wParam, KivLParam lParam) {
    const int state = static_cast<int>(wParam);
    if (state != 0) {
        if (state == m_state) {
            return 0;
        }
        m_state = state;
    } else {
        m_wizardMode = lParam != 0;
    }
    if (m_wizardMode) {
        // The wizard covers the page: the state is drawn when it ends. A phone that went
        // away, or that connected, ends the wizard at once: there is nothing left to guide.
        if (state == kWelcome || state == kConnected) {
            PostKivMessage(WindowHandle(KivWindowRole::Wizard), kMsgWizardAbort,
                           static_cast<KivWParam>(state));
        }
        return 0;
    }
    static constexpr unsigned kDraw[] = {0,
                                         kMsgShowWelcome,
                                         kMsgShowNotConnected,
                                         kMsgShowConnected,
                                         kMsgShowConnecting,
                                         kMsgShowConnectionError};
    if (m_state >= kWelcome && m_state <= kError) {
        SendKivMessage(handle(), kDraw[m_state], m_state == kConnecting ? kNotConnected : 0);
    }
    return 0;
}

KivResult CKivSbxxDlg::onWorkerState(KivWParam, KivLParam lParam) {
    const auto* request = KivPayloadValue<WorkerPost<PageState>>(lParam);
    if (!request || request->stop.stop_requested()) {
        return 0; // the poller was stopped meanwhile: its word no longer counts
    }
    return onState(static_cast<KivWParam>(request->value), 0);
}

void CKivSbxxDlg::stopBusyAnimation() {
    FreeFolderAnimation(m_busy);
}

void CKivSbxxDlg::beginStateDrawing(bool connected) {
    // The workers of the state left stop before anything of the next one shows.
    stopBusyAnimation();
    m_worker.stop();
    m_services.phone().poller().stop();
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->hide();
    }
    SendKivMessage(WindowHandle(KivWindowRole::MainWindow), kMsgConnectionIcon, connected ? 1 : 0);
}

void CKivSbxxDlg::showPicture(QLabel* label, int skin, int x, int y, int width, int height) {
    AttachPictureSkin(label, SharedPictureSkin(skin));
    label->setGeometry(x, y, width, height);
    label->show();
}

void CKivSbxxDlg::showRecommendations(int y) {
    m_recommend->setGeometry(250, y, 535, 382);
    for (QWidget* child : m_recommend->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        // The browser shows only with its page; the animation surface belongs to the panel.
        if (child != m_recommend->browser() || m_recommend->panelState() == 0) {
            child->show();
        }
    }
    m_recommend->show();
}

KivResult CKivSbxxDlg::onShowWelcome(KivWParam, KivLParam) {
    beginStateDrawing(false);
    m_drawn = kWelcome;
    m_title->setText(QStringLiteral("欢迎使用") + ApplicationName());
    m_title->setGeometry(23, 0, 350, 30);
    m_title->show();
    showPicture(m_picture, 100, 23, 80, 205, 399);
    showRecommendations(80);
    showPicture(m_cableHint, 1599, 24, 505, 206, 24);
    m_unrecognised->setGeometry(123, 48, 83, 15);
    m_unrecognised->show();
    m_refresh->setGeometry(23, 40, 91, 27);
    m_refresh->show();
    return 0;
}

KivResult CKivSbxxDlg::onShowNotConnected(KivWParam, KivLParam) {
    beginStateDrawing(false);
    m_drawn = kNotConnected;
    m_title->setText(QStringLiteral("安卓设备"));
    m_title->setGeometry(23, 0, 350, 30);
    m_title->show();
    m_status->setText(QStringLiteral("未连接设备"));
    showPicture(m_status, 3, 23, 40, 93, 20);
    showPicture(m_picture, 100, 23, 80, 205, 399);
    showRecommendations(80);
    m_wizardButton->setGeometry(120, 38, 131, 24);
    m_wizardButton->show();
    return 0;
}

KivResult CKivSbxxDlg::onShowConnected(KivWParam, KivLParam) {
    beginStateDrawing(true);
    m_drawn = kConnected;
    DeviceSlot slot;
    m_title->setText(m_services.phone().copyCurrentDevice(slot)
                         ? QString::fromStdString(slot.vendor) + QStringLiteral("设备")
                         : QStringLiteral("安卓设备"));
    m_title->setGeometry(23, 0, 350, 30);
    m_title->show();
    showConnectedStatus(false);
    showPicture(m_picture, 100, 23, 80, 205, 399);
    m_info->setGeometry(250, 50, 535, 144);
    m_info->show();
    SendKivMessage(m_info->handle(), kMsgPhoneInfo, 0, 0);
    showRecommendations(200);
    showPicture(m_storageIcon, 5002, 40, 490, 55, 87);
    m_busy =
        StartFolderAnimation(this, QRect(QPoint(100, 515), QPoint(139, 554)), SkinFolderPath(3));
    m_worker.start(handle(), m_info->handle(), m_services);
    return 0;
}

KivResult CKivSbxxDlg::onShowConnecting(KivWParam wParam, KivLParam) {
    beginStateDrawing(false);
    m_drawn = kConnecting;
    m_status->setText(ApplicationName() + QStringLiteral("正在连接您的手机,请稍候..."));
    showPicture(m_status, 8, 280, 280, 330, 60);
    showPicture(m_picture, 100, 23, 80, 205, 399);
    m_busy =
        StartFolderAnimation(this, QRect(QPoint(250, 220), QPoint(776, 255)), SkinFolderPath(4));
    m_services.phone().poller().start(static_cast<PageState>(wParam));
    return 0;
}

KivResult CKivSbxxDlg::onShowError(KivWParam, KivLParam) {
    beginStateDrawing(false);
    m_drawn = kError;
    m_status->setText(QStringLiteral("连接错误"));
    showPicture(m_status, 5004, 50, 50, 707, 317);
    m_back->setGeometry(600, 490, 143, 38);
    m_back->show();
    return 0;
}

KivResult CKivSbxxDlg::onOpenWizard(KivWParam, KivLParam) {
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        child->hide();
    }
    m_wizard->setGeometry(50, 20, 700, 550);
    m_wizard->show();
    SendKivMessage(m_wizard->handle(), kMsgWizardUsbDebugging);
    return 0;
}

KivResult CKivSbxxDlg::onMonitorRunning(KivWParam, KivLParam) {
    m_wizardButton->setEnabled(true);
    return 0;
}

// A post of a worker that was stopped (a state that is gone, a phone that left), or one that
// arrives while the page does not show a phone, shows nothing.
template <class T> const T* CKivSbxxDlg::shownValue(KivLParam lParam) const {
    const auto* post = KivPayloadValue<WorkerPost<T>>(lParam);
    if (!post || post->stop.stop_requested() || m_drawn != kConnected || m_wizardMode) {
        return nullptr;
    }
    return &post->value;
}

KivResult CKivSbxxDlg::onWorkerPicture(KivWParam, KivLParam lParam) {
    const PhoneView* view = shownValue<PhoneView>(lParam);
    if (!view) {
        return 0;
    }
    PhoneWorker::notePictureShown();
    m_shownPicture = view->picture;
    auto picture = std::make_shared<KivImage>();
    picture->setImage(view->picture);
    AttachPictureSkin(m_picture, picture);
    m_picture->setGeometry(23, 80, 205, 399);
    m_picture->show();
    m_title->setText(view->name);
    return 1;
}

void CKivSbxxDlg::showConnectedStatus(bool interrupted) {
    m_interrupted = interrupted;
    if (interrupted) {
        m_status->setText(QStringLiteral("连接中断"));
        AttachPictureSkin(m_status, InterruptedStatusPicture());
        m_status->setGeometry(23, 40, 93, 20);
        m_status->show();
        return;
    }
    m_status->setText(QStringLiteral("已连接设备"));
    showPicture(m_status, 4, 23, 40, 93, 20);
}

KivResult CKivSbxxDlg::onWorkerLink(KivWParam, KivLParam lParam) {
    const PhoneLink* link = shownValue<PhoneLink>(lParam);
    if (!link) {
        return 0;
    }
    // The picture stays as it was last seen; the worker keeps asking the phone for a new one.
    showConnectedStatus(*link == PhoneLink::Interrupted);
    return 1;
}

void CKivSbxxDlg::placeValueRow(int row, int y) {
    QLabel* value = m_values[row];
    const int measured = QFontMetrics(value->font()).horizontalAdvance(value->text());
    const int width = measured > 0 ? measured : 30;
    value->setGeometry(95, y, width, 20);
    value->show();
    m_units[row]->setGeometry(97 + width, y, 30, 20);
    m_units[row]->show();
}

KivResult CKivSbxxDlg::onWorkerStorage(KivWParam, KivLParam lParam) {
    const StorageView* view = shownValue<StorageView>(lParam);
    if (!view) {
        return 0;
    }
    m_values[0]->setText(QString::fromStdString(view->phone.value));
    m_units[0]->setText(QString::fromStdString(view->phone.unit));
    m_values[1]->setText(QString::fromStdString(view->sdcard.value));
    m_units[1]->setText(QString::fromStdString(view->sdcard.unit));
    stopBusyAnimation();
    m_values[2]->setText(QStringLiteral("正在获取"));
    m_units[2]->setText(QString());
    placeValueRow(0, 495);
    placeValueRow(1, 526);
    placeValueRow(2, 557);
    return 1;
}

KivResult CKivSbxxDlg::onWorkerBattery(KivWParam, KivLParam lParam) {
    const ValueText* text = shownValue<ValueText>(lParam);
    if (!text) {
        return 0;
    }
    m_values[2]->hide();
    m_units[2]->hide();
    m_values[2]->setText(QString::fromStdString(text->value));
    m_units[2]->setText(QString::fromStdString(text->unit));
    placeValueRow(2, 557);
    return 1;
}

void CKivSbxxDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}
