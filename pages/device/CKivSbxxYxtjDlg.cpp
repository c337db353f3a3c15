#include "CKivSbxxYxtjDlg.h"

#include "DevicePageMessages.h"

#include "ui/toolkit/KivImage.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <map>

const KivMessageEntry<CKivSbxxYxtjDlg> CKivSbxxYxtjDlg::kMessageMap[] = {
    {kMsgLoadRecommendations, &CKivSbxxYxtjDlg::onStart},
    {kMsgRecommendStatus, &CKivSbxxYxtjDlg::onStatus},
};

const QRect CKivSbxxYxtjDlg::kBrowserRect(QPoint(1, 31), QPoint(533, 379));

namespace {

const KivImage& Picture(int number, bool premultiply) {
    // Loaded once per process; the loading picture is premultiplied with the rounding rule.
    static std::map<int, KivImage> pictures;
    auto found = pictures.find(number);
    if (found == pictures.end()) {
        KivImage image;
        (void)LoadSkin(image, number);
        if (premultiply) {
            Premultiply(image);
        }
        found = pictures.emplace(number, std::move(image)).first;
    }
    return found->second;
}

} // namespace

CKivSbxxYxtjDlg::CKivSbxxYxtjDlg(const DevicePageServices& services, StoreAddressOpener openStore,
                                 QWidget* parent)
    : KivDialog(parent, Frame::Child), m_services(services), m_openStore(std::move(openStore)),
      m_more(new QPushButton(QStringLiteral("更多"), this)) {
    setObjectName(QStringLiteral("CKivSbxxYxtjDlg"));
    m_more->setObjectName(QStringLiteral("button1054"));
    m_more->setFocusPolicy(Qt::NoFocus);
    m_more->setAutoDefault(false);
    connect(m_more, &QPushButton::clicked, this, [this] { onMore(); });
}

CKivSbxxYxtjDlg::~CKivSbxxYxtjDlg() {
    FreeFolderAnimation(m_animation);
}

void CKivSbxxYxtjDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::RecommendPanel, handle());
    if (const RecommendBrowserFactory& factory = m_services.recommendBrowser()) {
        const KivWindowHandle self = handle();
        // The browser may report from its own threads: the status travels as a posted message.
        m_browser = factory(this, kBrowserRect, [self](BrowserStatus status) {
            PostKivMessage(self, kMsgRecommendStatus, static_cast<KivWParam>(status));
        });
        if (m_browser.widget) {
            m_browser.widget->setGeometry(kBrowserRect);
            m_browser.widget->hide();
        }
    }
    PostKivMessage(handle(), kMsgLoadRecommendations);
    m_animation = std::make_unique<KivFolderAnimation>(
        this, QRect(QPoint(120, 170), QPoint(159, 209)), SkinFolderPath(3));
    static const std::shared_ptr<KivButtonSkin> moreSkin = [] {
        auto skin = MakeButtonSkin(1040, 1041, 1042, 0);
        skin->handCursor = true;
        return skin;
    }();
    AttachButtonSkin(m_more, moreSkin);
    m_more->setGeometry(485, 5, 45, 19);
}

bool CKivSbxxYxtjDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                         KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

KivResult CKivSbxxYxtjDlg::onStart(KivWParam, KivLParam) {
    loadRecommendations();
    m_services.startDownloadQueues();
    return 0;
}

void CKivSbxxYxtjDlg::loadRecommendations() {
    if (m_browser.widget && m_browser.navigate) {
        m_browser.navigate(QString::fromStdString(m_services.storeAddress("/mindex.php")));
    }
}

QRect CKivSbxxYxtjDlg::failurePictureRect() const {
    const KivImage& error = Picture(2101, false);
    return QRect(QPoint(125, 70), error.size());
}

void CKivSbxxYxtjDlg::mousePressEvent(QMouseEvent* event) {
    if (m_state == kFailed && event->button() == Qt::LeftButton &&
        failurePictureRect().contains(event->position().toPoint())) {
        loadRecommendations();
        return;
    }
    KivDialog::mousePressEvent(event);
}

KivResult CKivSbxxYxtjDlg::onStatus(KivWParam wParam, KivLParam) {
    const int code = static_cast<int>(wParam);
    if (code < 1 || code > 3 || !m_animation) {
        return 0;
    }
    m_animation->stop();
    if (code == 1) {
        m_state = kLoading;
        m_animation->start();
    } else {
        m_state = code == 2 ? kPageShown : kFailed;
    }
    if (m_browser.widget) {
        m_browser.widget->setVisible(m_state == kPageShown);
    }
    repaint();
    return 0;
}

void CKivSbxxYxtjDlg::onMore() {
    m_openStore(m_services.storeAddress("/list.php?type=t"));
}

void CKivSbxxYxtjDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const KivImage& background = Picture(101, false);
    BlitImage(painter, background, 0, 0, background.width(), background.height());
    if (m_state == kLoading) {
        const KivImage& loading = Picture(2102, true);
        DrawImage(painter, loading, QRect(QPoint(160, 180), loading.size()),
                  loading.image().rect());
    } else if (m_state == kFailed) {
        const KivImage& error = Picture(2101, false);
        DrawImage(painter, error, failurePictureRect(), error.image().rect());
    }
}
