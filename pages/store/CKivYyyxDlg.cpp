#include "CKivYyyxDlg.h"

#include "platform/config/StoreHost.h"
#include "ui/browser/BrowserSupport.h"
#include "ui/toolkit/KivFolderAnimation.h"
#include "ui/toolkit/KivPayload.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QUrl>

const KivMessageEntry<CKivYyyxDlg> CKivYyyxDlg::kMessageMap[] = {
    {kMsgStorePageInit, &CKivYyyxDlg::onPageInit},
    {kMsgStoreNavigate, &CKivYyyxDlg::onNavigate},
};

namespace {

// Where the browser and the pictures go, in page coordinates.
constexpr int kBrowserTop = 40;
constexpr int kBrowserRightMargin = 169;
constexpr int kBrowserBottomMargin = 5;
const QRect kAnimationRect(240, 300, 40, 40);
constexpr QPoint kStripAt(15, 0);
constexpr QPoint kLoadingPictureAt(280, 310);
constexpr QPoint kFailedPictureAt(270, 150);

} // namespace

CKivYyyxDlg::CKivYyyxDlg(QWidget* parent) : KivDialog(parent, Frame::Child) {
    setObjectName(QStringLiteral("CKivYyyxDlg"));
    setDragByEmptySpots(true);
    setOkIgnored(true);                     // the page never ends itself
    setCancelAction(Cancel::CloseTopLevel); // Esc on the store page ends the program
}

// The watchdog first, then the browser (a child, destroyed with the page), then the
// animation's thread.
CKivYyyxDlg::~CKivYyyxDlg() {
    if (m_browser) {
        m_browser->stopWatchdog();
        delete m_browser;
        m_browser = nullptr;
    }
    if (m_animation) {
        FreeFolderAnimation(m_animation);
    }
}

void CKivYyyxDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::StorePage, handle());
    m_navigated = 0;
    // The browser fills the main window's client area below the strip, less the tab column.
    const QRect client = parentWidget() ? parentWidget()->rect() : rect();
    const int clientHeight = client.height() - (parentWidget() ? kCaptionHeight : 0);
    m_browser = CreateBrowser(0, kBrowserTop, client.width() - kBrowserRightMargin,
                              clientHeight - kBrowserBottomMargin, this,
                              [this](BrowserStatus status) { onBrowserStatus(status); });
    if (m_browser) {
        m_browser->hide();
    }
    m_animation = std::make_unique<KivFolderAnimation>(this, kAnimationRect, SkinFolderPath(3));
    (void)LoadSkin(m_strip, 5003);
    (void)LoadSkin(m_loadingPicture, 2102);
    (void)LoadSkin(m_failedPicture, 2101);
    createControls();
    button(kBack)->setEnabled(false);
    button(kForward)->setEnabled(false);
}

QAbstractButton* CKivYyyxDlg::addButton(Control id, const QString& caption, int x, int y, int w,
                                        int h, int normal, int hover, int pressed, int disabled) {
    auto* button = new QPushButton(caption, this);
    button->setAutoDefault(false);
    button->setFocusPolicy(id == kSearchButton ? Qt::StrongFocus : Qt::NoFocus);
    button->setGeometry(x, y, w, h);
    AttachButtonSkin(button, MakeButtonSkin(normal, hover, pressed, disabled));
    m_buttons[id - kBack] = button;
    return button;
}

void CKivYyyxDlg::createControls() {
    connect(addButton(kBack, QStringLiteral("<<"), 20, 0, 29, 35, 2010, 2011, 2012, 2013),
            &QAbstractButton::clicked, this, &CKivYyyxDlg::goBack);
    connect(addButton(kForward, QStringLiteral(">>"), 59, 0, 29, 35, 2020, 2021, 2022, 2023),
            &QAbstractButton::clicked, this, &CKivYyyxDlg::goForward);
    connect(addButton(kRefresh, QStringLiteral("刷新"), 98, 0, 29, 35, 2030, 2031, 2032, 0),
            &QAbstractButton::clicked, this, &CKivYyyxDlg::refresh);
    struct Section {
        Control id;
        const char* caption;
        int x;
        int picture;
        KivStoreRequest request;
    };
    const Section sections[] = {
        {kHome, "主页", 165, 2040, kStoreHome},
        {kAppCategories, "应用分类", 232, 2050, kStoreAppCategories},
        {kGameCategories, "游戏分类", 299, 2070, kStoreGameCategories},
        {kTopics, "精选主题", 366, 2060, kStoreTopics},
    };
    for (const Section& s : sections) {
        QAbstractButton* b = addButton(s.id, QString::fromUtf8(s.caption), s.x, 0, 67, 35,
                                       s.picture, s.picture + 1, s.picture + 2, s.picture + 2);
        const KivStoreRequest request = s.request;
        connect(b, &QAbstractButton::clicked, this,
                [this, request] { PostKivMessage(handle(), kMsgStoreNavigate, request, 0); });
    }
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName(QStringLiteral("searchEdit"));
    m_searchEdit->setMaxLength(kSearchMaxChars);
    m_searchEdit->setFrame(false);
    m_searchEdit->setStyleSheet(QStringLiteral(
        "QLineEdit { background: transparent; border: none; color: #1F2937; font-size: 12px; }"));
    m_searchEdit->setGeometry(645, 13, 122, 19);
    m_searchEdit->installEventFilter(this);
    connect(addButton(kSearchButton, QStringLiteral("搜索"), 768, 8, 25, 24, 2080, 2081, 2082, 0),
            &QAbstractButton::clicked, this, &CKivYyyxDlg::requestSearch);
}

QAbstractButton* CKivYyyxDlg::button(Control id) const {
    if (id < kBack || id > kSearchButton) {
        return nullptr;
    }
    return m_buttons[id - kBack];
}

bool CKivYyyxDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                     KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

KivResult CKivYyyxDlg::onPageInit(KivWParam, KivLParam) {
    return 0; // sent once by the main window; nothing to do
}

// The text is the value of the query's one parameter: "&", "=", "#", "+" and spaces would
// otherwise start another parameter, end the query or change the text, so everything but
// letters, digits and "-._~" is percent-encoded from UTF-8.
std::string CKivYyyxDlg::SearchUrl(const QString& text) {
    std::string url = config::StoreUrl(config::kStoreSearchPath);
    const std::size_t placeholder = url.find("%s");
    url.replace(placeholder, 2, QUrl::toPercentEncoding(text).toStdString());
    return url;
}

// 0 opens the URL that travels as the message's own payload (a posted message may run after
// its sender's text is gone); 1 to 4 open a section; 5 searches; 6 gives the search box the
// focus.
KivResult CKivYyyxDlg::onNavigate(KivWParam wParam, KivLParam lParam) {
    m_navigated = 1;
    ++m_requests;
    m_lastRequest.kind = wParam;
    m_lastRequest.url.clear();
    static constexpr std::string_view kSectionPaths[] = {
        config::kStoreHomePath, config::kStoreAppCategoriesPath, config::kStoreGameCategoriesPath,
        config::kStoreTopicsPath};
    switch (wParam) {
    case kStoreOpenUrl:
        if (std::string* url = KivPayloadValue<std::string>(lParam)) {
            m_lastRequest.url = std::move(*url);
        }
        setSectionButtons(0);
        NavigateReplacing(m_lastRequest.url, m_browser);
        break;
    case kStoreHome:
    case kStoreAppCategories:
    case kStoreGameCategories:
    case kStoreTopics:
        setSectionButtons(static_cast<int>(wParam));
        NavigateReplacing(config::StoreUrl(kSectionPaths[wParam - 1]), m_browser);
        break;
    case kStoreSearch:
        setSectionButtons(0);
        if (!m_searchText.isEmpty()) {
            NavigateReplacing(SearchUrl(m_searchText), m_browser);
        }
        break;
    case kStoreFocusSearch:
        m_searchEdit->setFocus(Qt::OtherFocusReason);
        break;
    default:
        break;
    }
    return 0;
}

// `disabledSection` 1 to 4 marks the section shown; 0 enables all four.
void CKivYyyxDlg::setSectionButtons(int disabledSection) {
    for (int section = 1; section <= 4; ++section) {
        button(static_cast<Control>(kHome + section - 1))->setEnabled(section != disabledSection);
    }
}

void CKivYyyxDlg::goBack() {
    if (!m_browser) {
        button(kBack)->setEnabled(false);
        button(kForward)->setEnabled(true);
        return;
    }
    if (m_browser->backAvailable()) {
        m_browser->goBack();
    }
    button(kBack)->setEnabled(m_browser->backAvailable());
    button(kForward)->setEnabled(true);
}

void CKivYyyxDlg::goForward() {
    if (!m_browser) {
        button(kForward)->setEnabled(false);
        button(kBack)->setEnabled(true);
        return;
    }
    if (m_browser->forwardAvailable()) {
        m_browser->goForward();
    }
    button(kForward)->setEnabled(m_browser->forwardAvailable());
    button(kBack)->setEnabled(true);
}

// A new navigation of the current URL, not the engine's own reload.
void CKivYyyxDlg::refresh() {
    if (m_browser) {
        Navigate(m_browser->currentUrl(), m_browser);
    }
}

void CKivYyyxDlg::requestSearch() {
    m_searchText = m_searchEdit->text();
    PostKivMessage(handle(), kMsgStoreNavigate, kStoreSearch, 0);
}

void CKivYyyxDlg::onBrowserStatus(BrowserStatus status) {
    switch (status) {
    case BrowserStatus::LoadingStarted:
        m_state = kLoading;
        m_animation->stop();
        m_animation->start();
        m_browser->hide();
        break;
    case BrowserStatus::LoadingFinished:
    case BrowserStatus::LoadingFailed:
        m_state = status == BrowserStatus::LoadingFinished ? kIdle : kFailed;
        m_animation->stop();
        m_browser->setVisible(m_state == kIdle);
        break;
    case BrowserStatus::HistoryChanged:
        button(kBack)->setEnabled(m_browser->backAvailable());
        button(kForward)->setEnabled(m_browser->forwardAvailable());
        return;
    }
    update();
}

void CKivYyyxDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_strip.isNull()) {
        DrawImageStretched(painter, m_strip, QRect(kStripAt, m_strip.size()));
    }
    const KivImage* picture = m_state == kLoading  ? &m_loadingPicture
                              : m_state == kFailed ? &m_failedPicture
                                                   : nullptr;
    const QPoint at = m_state == kLoading ? kLoadingPictureAt : kFailedPictureAt;
    if (picture && !picture->isNull()) {
        DrawImageStretched(painter, *picture, QRect(at, picture->size()));
    }
}

void CKivYyyxDlg::showEvent(QShowEvent* event) {
    KivDialog::showEvent(event);
    if (m_browser) {
        m_browser->setFocus(Qt::OtherFocusReason);
    }
}

// The browser keeps the keyboard after a click into a page or a completed document; when the
// search box is entered afterwards, the focus takes a detour over the search button so that
// the box really gets the keyboard back.
void CKivYyyxDlg::handBackFocus() {
    if (!m_browser || !m_browser->clicked()) {
        return;
    }
    m_browser->clearClicked();
    button(kSearchButton)->setFocus(Qt::OtherFocusReason);
    PostKivMessage(handle(), kMsgStoreNavigate, kStoreFocusSearch, 0);
}

bool CKivYyyxDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_searchEdit) {
        return KivDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) {
        handBackFocus();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            requestSearch();
        } else if (key == Qt::Key_Escape) {
            // Esc in the box only empties it; it never reaches the page's cancel, which
            // would close the program.
            m_searchEdit->clear();
            return true;
        }
    }
    return KivDialog::eventFilter(watched, event);
}
