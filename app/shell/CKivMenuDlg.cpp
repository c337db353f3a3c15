#include "CKivMenuDlg.h"

#include "platform/config/Config.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivShell.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QEvent>
#include <QPushButton>

namespace {

struct ItemSpec {
    const char* caption;
    int firstPicture;
    int row; // -1: hidden
};

// In Item order: 1040 更新日志, 1042 官方网站, 1041 关于我们, 1044 帮助说明, 1043 隐私保护.
constexpr ItemSpec kItems[] = {
    {"更新日志", 1710, 0}, {"官方网站", 1730, 1},  {"关于我们", 1740, 2},
    {"帮助说明", 1750, 3}, {"隐私保护", 1720, -1},
};

// The deactivation flag: the first deactivation since the last activation closes the menu.
bool g_deactivated = false;

} // namespace

CKivMenuDlg::CKivMenuDlg(QPoint position, QWidget* parent)
    : KivDialog(parent, Frame::Popup), m_position(position) {
    setObjectName(QStringLiteral("CKivMenuDlg"));
    for (int i = 0; i < kItemCount; ++i) {
        auto* button = new QPushButton(QString::fromUtf8(kItems[i].caption), this);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, i] { choose(static_cast<Item>(i)); });
        m_items[static_cast<std::size_t>(i)] = button;
    }
}

void CKivMenuDlg::onInitDialog() {
    static const std::array<std::shared_ptr<KivButtonSkin>, kItemCount> skins = [] {
        std::array<std::shared_ptr<KivButtonSkin>, kItemCount> built;
        for (int i = 0; i < kItemCount; ++i) {
            const int first = kItems[i].firstPicture;
            built[static_cast<std::size_t>(i)] = MakeButtonSkin(first, first + 1, first + 2, 0);
        }
        return built;
    }();
    for (int i = 0; i < kItemCount; ++i) {
        QPushButton* button = m_items[static_cast<std::size_t>(i)];
        const ItemSpec& spec = kItems[i];
        if (spec.row < 0) {
            button->hide();
        }
        button->setGeometry(0, spec.row * 30, kWidth, 30);
        // The pictures carry the item texts; the buttons draw no text of their own.
        AttachButtonSkin(button, skins[static_cast<std::size_t>(i)]);
    }
    setGeometry(m_position.x(), m_position.y(), kWidth, kHeight);
}

void CKivMenuDlg::choose(Item which) {
    switch (which) {
    case kChangeLog:
        OpenConfigLink(config::kLink, config::kLinkChangeLog);
        break;
    case kWebsite:
        OpenConfigLink(config::kApplication, config::kWebsite);
        break;
    case kAbout:
        // Posted: the menu closes first, then the main window opens the about box.
        PostKivMessage(WindowHandle(KivWindowRole::MainWindow), kMsgShowAbout, 0, 0);
        break;
    case kHelp:
        OpenConfigLink(config::kLink, config::kLinkHelp);
        break;
    case kPrivacy:
    case kItemCount:
        break;
    }
    reject();
}

bool CKivMenuDlg::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        g_deactivated = false;
    } else if (event->type() == QEvent::WindowDeactivate && !g_deactivated) {
        g_deactivated = true;
        QMetaObject::invokeMethod(this, &QDialog::reject, Qt::QueuedConnection);
    }
    return KivDialog::event(event);
}

void OpenDropDownMenu(QWidget* mainWindow) {
    const QRect frame = mainWindow->frameGeometry();
    CKivMenuDlg menu(QPoint(frame.right() + 1 - 120, frame.top() + 25), mainWindow);
    menu.exec();
}
