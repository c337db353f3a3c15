#include "CKivXzglDlg.h"

#include "CKivXzglYjxzDlg.h"
#include "CKivXzglZzxzDlg.h"

#include "downloads/CKivAppDownMgr.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QPainter>
#include <QPushButton>

const KivMessageEntry<CKivXzglDlg> CKivXzglDlg::kMessageMap[] = {
    {kMsgDownloadManagerInit, &CKivXzglDlg::onPageInit},
    {kMsgDownloadingRows, &CKivXzglDlg::onDownloadingRows},
    {kMsgDownloadedRows, &CKivXzglDlg::onDownloadedRows},
    {kMsgPhoneGone, &CKivXzglDlg::onPhoneGone},
};

// OK and cancel do nothing on this page (the defaults of a child page).
CKivXzglDlg::CKivXzglDlg(KivInstallServices installServices, QWidget* parent)
    : KivDialog(parent, Frame::Child), m_installServices(std::move(installServices)) {
    setObjectName(QStringLiteral("CKivXzglDlg"));
    setDragByEmptySpots(true);
}

CKivXzglDlg::~CKivXzglDlg() {
    // The pages stop their tasks and workers while the manager still exists.
    delete m_downloading;
    delete m_downloaded;
    m_downloading = nullptr;
    m_downloaded = nullptr;
    CKivAppDownMgr::Destroy();
}

QString CKivXzglDlg::DownloadingCaption(long long rows) {
    return rows <= 0 ? QStringLiteral("正在下载") : QStringLiteral("正在下载（%1）").arg(rows);
}

QString CKivXzglDlg::DownloadedCaption(long long rows) {
    return rows <= 0 ? QStringLiteral("已下载") : QStringLiteral("已下载（%1）").arg(rows);
}

void CKivXzglDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::DownloadManager, handle());
    auto skin = MakeButtonSkin(1050, 1051, 1051, 1053);
    skin->drawText = true;
    skin->textColors = {Qt::white, Qt::white, Qt::white, QColor(0x32, 0x32, 0x32)};
    skin->textRect = QRect(0, 0, kTabWidth, kTabHeight);
    m_tabDownloading = new QPushButton(QStringLiteral("正在下载"), this);
    m_tabDownloaded = new QPushButton(QStringLiteral("下载完成"), this);
    m_tabDownloading->setGeometry(10, 0, kTabWidth, kTabHeight);
    m_tabDownloaded->setGeometry(139, 0, kTabWidth, kTabHeight);
    AttachButtonSkin(m_tabDownloading, skin);
    AttachButtonSkin(m_tabDownloaded, skin);
    connect(m_tabDownloading, &QPushButton::clicked, this, [this] { selectTab(0); });
    connect(m_tabDownloaded, &QPushButton::clicked, this, [this] { selectTab(1); });

    CKivAppDownMgr::Open().OpenDatabase();
    m_downloading = new CKivXzglZzxzDlg(this);
    m_downloaded = new CKivXzglYjxzDlg(m_installServices, this);
    // The downloaded page first: the downloading page's restore may hand packages to it.
    m_downloaded->initialise();
    m_downloading->initialise();
    m_downloading->SetDownloadedPage(m_downloaded->handle());
    layoutPages();
    selectTab(0);
}

void CKivXzglDlg::selectTab(int index) {
    if (!m_downloading) {
        return;
    }
    m_downloading->setVisible(index == 0);
    m_downloaded->setVisible(index == 1);
    m_tabDownloading->setEnabled(index != 0);
    m_tabDownloaded->setEnabled(index == 0);
}

void CKivXzglDlg::layoutPages() {
    if (!m_downloading) {
        return;
    }
    const QRect area(0, kPageTop, width(), std::max(0, height() - kPageTop));
    m_downloading->setGeometry(area);
    m_downloaded->setGeometry(area);
}

void CKivXzglDlg::resizeEvent(QResizeEvent* event) {
    KivDialog::resizeEvent(event);
    layoutPages();
}

bool CKivXzglDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                     KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

KivResult CKivXzglDlg::onPageInit(KivWParam, KivLParam) {
    return 0; // sent once by the main window; nothing to do
}

KivResult CKivXzglDlg::onDownloadingRows(KivWParam wParam, KivLParam) {
    const auto rows = static_cast<long long>(static_cast<KivLParam>(wParam));
    SetSkinnedButtonText(m_tabDownloading, DownloadingCaption(rows));
    SendKivMessage(WindowHandle(KivWindowRole::MainWindow), kMsgDownloadBadge,
                   rows > 0 ? wParam : 0);
    return 0;
}

KivResult CKivXzglDlg::onDownloadedRows(KivWParam wParam, KivLParam) {
    const auto rows = static_cast<long long>(static_cast<KivLParam>(wParam));
    SetSkinnedButtonText(m_tabDownloaded, DownloadedCaption(rows));
    return 0;
}

KivResult CKivXzglDlg::onPhoneGone(KivWParam, KivLParam) {
    if (m_downloaded) {
        PostKivMessage(m_downloaded->handle(), kMsgStopAdb);
    }
    return 0;
}

void CKivXzglDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}
