#include "CKivOrviaDlg.h"

#include "CAboutDlg.h"
#include "CKivMenuDlg.h"
#include "DroppedPackages.h"

#include "platform/config/AppPaths.h"
#include "platform/config/Config.h"
#include "pages/downloads/CKivXzglDlg.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "platform/DebugLog.h"
#include "pages/store/CKivYyyxDlg.h"
#include "pages/device/CKivSbxxDlg.h"
#include "ui/toolkit/KivShell.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"
#include "webservices/MachineEventReport.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

const KivMessageEntry<CKivOrviaDlg> CKivOrviaDlg::kMessageMap[] = {
    {kMsgConnectionIcon, &CKivOrviaDlg::onConnectionIcon},
    {kMsgOpenStoreUrl, &CKivOrviaDlg::onOpenStoreUrl},
    {kMsgShowAbout, &CKivOrviaDlg::onShowAbout},
    {kMsgDownloadBadge, &CKivOrviaDlg::onDownloadBadge},
};

namespace {

// The window icon: logo.ico of the program folder at 16 x 16 (none when it is missing).
QIcon ProgramIcon() {
    std::string path;
    (void)BuildAppPath("logo.ico", ".", true, path);
    const QPixmap pixmap = QIcon(QString::fromStdString(path)).pixmap(16, 16);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

// The window's 1-pixel edge drawn over everything, so that the pages, which reach the right
// and bottom edges, do not hide it. Mouse events pass through.
class WindowEdge : public QWidget {
public:
    WindowEdge(QWidget* window, QColor color) : QWidget(window), m_color(color) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(window->rect());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(m_color);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    QColor m_color;
};

} // namespace

CKivOrviaDlg::CKivOrviaDlg(const DevicePageServices& devicePage, KivInstallServices install,
                           QWidget* parent)
    : KivDialog(parent, Frame::Window),
      m_devicePage(new CKivSbxxDlg(
          devicePage, [this](const std::string& url) { openStoreAt(url); }, this)),
      m_storePage(new CKivYyyxDlg(this)),
      m_downloadManager(new CKivXzglDlg(std::move(install), this)) {
    setObjectName(QStringLiteral("CKivOrviaDlg"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    setWindowIcon(ProgramIcon());
    setDragByEmptySpots(true);
    setOkIgnored(true);   // Enter never closes the main window
    setAcceptDrops(true); // package files dropped anywhere on the window
    for (QWidget* page : {static_cast<QWidget*>(m_devicePage), static_cast<QWidget*>(m_storePage),
                          static_cast<QWidget*>(m_downloadManager)}) {
        page->hide();
    }
}

CKivOrviaDlg::~CKivOrviaDlg() = default;

void CKivOrviaDlg::onInitDialog() {
    const QString appName =
        QString::fromStdString(config::ReadOrCreateEmpty(config::kApplication, config::kAppName));
    SetApplicationName(appName);
    setWindowTitle(appName);
    SetWindowHandle(KivWindowRole::MainWindow, handle());
    // The program-start report carries no phone facts: it needs no adb runners.
    webservices::ReportMachineEvent("", "", webservices::kEventProgramStart, {});
    const KivFrameSkin& frame = attachFrame();
    installEventFilter(this);
    createTabs();
    m_connectionIcon = new QLabel(QStringLiteral("连接图标"), this);
    m_connectionIcon->setTextFormat(Qt::PlainText);
    m_connectionIcon->hide();

    const QRect work = screen() ? screen()->availableGeometry() : QRect(0, 0, kWidth, kHeight);
    setFixedSize(kWidth, kHeight);
    move(work.x() + (work.width() - kWidth) / 2,
         work.y() + (kCaptionHeight + work.height() - kHeight) / 2);

    for (int i = 0; i < 3; ++i) {
        placeInClient(m_tabs[static_cast<std::size_t>(i)], 0, 30 + kTabHeight * i, kTabWidth,
                      kTabHeight);
    }
    createPages();
    selectTab(kTabDevice);
    // The edge takes the frame picture's own edge colour.
    if (!frame.background.isNull()) {
        const KivImage& picture = frame.background;
        auto* edge = new WindowEdge(this, picture.image().pixelColor(0, picture.height() / 2));
        edge->raise();
    }
}

const KivFrameSkin& CKivOrviaDlg::attachFrame() {
    static const std::shared_ptr<KivFrameSkin> frame = [] {
        auto skin = MakeFrameSkin(1, 20, 10);
        LoadCaptionPictures(skin->custom1, 30);
        skin->custom1Present = true;
        skin->custom1Action = [] {
            if (auto* main =
                    qobject_cast<QWidget*>(WindowHandle(KivWindowRole::MainWindow).object())) {
                OpenDropDownMenu(main);
            }
        };
        LoadCaptionPictures(skin->custom2, 150);
        skin->custom2Present = true;
        skin->custom2Action = [] { OpenConfigLink(config::kLink, config::kLinkFeedback); };
        return skin;
    }();
    AttachFrameSkin(this, frame);
    return *frame;
}

void CKivOrviaDlg::createTabs() {
    static const std::array<std::shared_ptr<KivButtonSkin>, 3> skins = {
        MakeButtonSkin(1010, 1011, 1010, 1012), MakeButtonSkin(1020, 1021, 1020, 1022),
        MakeButtonSkin(1030, 1031, 1030, 1032)};
    const char* captions[] = {"欢迎", "应用游戏", "下载管理"};
    for (int i = 0; i < 3; ++i) {
        auto* tab = new QPushButton(QString::fromUtf8(captions[i]), this);
        tab->setAutoDefault(false);
        tab->setFocusPolicy(Qt::NoFocus);
        QFont badgeFont = tab->font();
        badgeFont.setPixelSize(11);
        badgeFont.setBold(true);
        tab->setFont(badgeFont);
        AttachButtonSkin(tab, skins[static_cast<std::size_t>(i)]);
        connect(tab, &QPushButton::clicked, this, [this, i] { selectTab(i); });
        m_tabs[static_cast<std::size_t>(i)] = tab;
    }
}

// Each page sits right of the tabs and fills the rest of the client area; it is told once
// that it exists.
void CKivOrviaDlg::createPages() {
    const QRect client = clientRect();
    const struct {
        KivDialog* page;
        unsigned initMessage;
    } pages[] = {{m_devicePage, kMsgDevicePageInit},
                 {m_storePage, kMsgStorePageInit},
                 {m_downloadManager, kMsgDownloadManagerInit}};
    for (const auto& p : pages) {
        p.page->initialise();
        placeInClient(p.page, kTabWidth, 0, client.width() - kTabWidth, client.height());
        SendKivMessage(p.page->handle(), p.initMessage, 0, 0);
    }
}

void CKivOrviaDlg::selectTab(int tab) {
    const bool firstStoreVisit = tab == kTabStore && m_storePage->navigated() == 0;
    KivDialog* pages[] = {m_devicePage, m_storePage, m_downloadManager};
    for (int i = 0; i < 3; ++i) {
        pages[i]->setVisible(i == tab);
        m_tabs[static_cast<std::size_t>(i)]->setEnabled(i != tab);
    }
    m_selected = tab;
    if (firstStoreVisit) {
        PostKivMessage(m_storePage->handle(), kMsgStoreNavigate, kStoreHome, 0);
    }
}

KivResult CKivOrviaDlg::onConnectionIcon(KivWParam wParam, KivLParam) {
    static const std::shared_ptr<KivImage> icon = std::make_shared<KivImage>();
    placeInClient(m_connectionIcon, 20, clientRect().height() - 35, 120, 27);
    m_connectionIcon->show();
    LoadSkin(*icon, wParam != 0 ? 91 : 90);
    AttachPictureSkin(m_connectionIcon, icon);
    return 0;
}

// Selects the store tab without its first-visit home page, then opens the URL there.
KivResult CKivOrviaDlg::onOpenStoreUrl(KivWParam, KivLParam lParam) {
    // The sender's text lasts only for its send; the store page gets a copy of its own.
    const char* url = reinterpret_cast<const char*>(lParam);
    openStoreAt(url ? url : "");
    return 0;
}

void CKivOrviaDlg::openStoreAt(const std::string& url) {
    KivDialog* pages[] = {m_devicePage, m_storePage, m_downloadManager};
    for (int i = 0; i < 3; ++i) {
        pages[i]->setVisible(i == kTabStore);
        m_tabs[static_cast<std::size_t>(i)]->setEnabled(i != kTabStore);
    }
    m_selected = kTabStore;
    PostKivMessageWith(m_storePage->handle(), kMsgStoreNavigate, kStoreOpenUrl, url);
}

KivResult CKivOrviaDlg::onShowAbout(KivWParam, KivLParam) {
    ShowAboutBox(this);
    return 0;
}

KivResult CKivOrviaDlg::onDownloadBadge(KivWParam wParam, KivLParam) {
    static const std::shared_ptr<KivButtonSkin> badge = [] {
        auto skin = MakeButtonSkin(1070, 1071, 1070, 1072);
        skin->drawText = true;
        skin->textColors = {Qt::white, Qt::white, Qt::white, Qt::white};
        skin->textRect = QRect(0, 0, 120, 20);
        return skin;
    }();
    static const std::shared_ptr<KivButtonSkin> plain = MakeButtonSkin(1030, 1031, 1030, 1032);
    QPushButton* tab = m_tabs[kTabDownloads];
    // The pill holds three digits; more downloads than that read "999+".
    SetSkinnedButtonText(tab, wParam > 999 ? QStringLiteral("999+") : QString::number(wParam));
    AttachButtonSkin(tab, wParam != 0 ? badge : plain);
    return 0;
}

bool CKivOrviaDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                      KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

void CKivOrviaDlg::openPackages(const std::vector<std::string>& files) {
    if (files.empty()) {
        return;
    }
    selectTab(kTabDownloads);
    m_downloadManager->selectTab(1);
    if (CKivXzglYjxzDlg* page = m_downloadManager->downloadedPage()) {
        page->openPackages(files);
    }
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
}

void CKivOrviaDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData() && !DroppedPackageFiles(*event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CKivOrviaDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData() && !DroppedPackageFiles(*event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void CKivOrviaDlg::dropEvent(QDropEvent* event) {
    if (!event->mimeData()) {
        return;
    }
    const std::vector<std::string> files = DroppedPackageFiles(*event->mimeData());
    if (!files.empty()) {
        event->acceptProposedAction();
        openPackages(files);
    }
}

// Installed after the skin procedure, so it sees the paint event before the frame skin
// draws (and consumes) it.
bool CKivOrviaDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::Paint && !m_painted) {
        m_painted = true;
        platform::DebugOutput("CKivOrviaDlg: first paint");
        emit firstPainted();
    }
    return KivDialog::eventFilter(watched, event);
}
