#include "CKivLoginDlg.h"

#include "platform/config/AppPaths.h"
#include "platform/config/Config.h"
#include "platform/DebugLog.h"
#include "resources/PictureResources.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivFolderAnimation.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/KivWindows.h"

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const KivMessageEntry<CKivLoginDlg> CKivLoginDlg::kMessageMap[] = {
    {kMsgLoginSucceeded, &CKivLoginDlg::onLoginSucceeded},
    {kMsgLoginFailed, &CKivLoginDlg::onLoginFailed},
};

namespace {

const char* const kEditStyle =
    "QLineEdit { background: white; color: #1f2329; border: 1px solid #d3d8df;"
    " border-radius: 4px; padding: 0 8px; font-size: 13px; }"
    "QLineEdit:focus { border-color: #2e74f0; }";
const char* const kCheckStyle = "QCheckBox { color: #3e3e3e; background: #f2f2f2; spacing: 4px; }"
                                "QCheckBox::indicator { width: 21px; height: 19px; }"
                                "QCheckBox::indicator:unchecked { image: url(:/PNG/182); }"
                                "QCheckBox::indicator:unchecked:hover { image: url(:/PNG/184); }"
                                "QCheckBox::indicator:checked { image: url(:/PNG/183); }";

QLabel* MakeLabel(QWidget* parent, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setTextFormat(Qt::PlainText); // what a label shows is text, never markup
    label->setStyleSheet(
        QStringLiteral("color: #3e3e3e; background: transparent; font-size: 13px;"));
    return label;
}

QIcon ProgramIcon() {
    std::string path;
    (void)BuildAppPath("logo.ico", ".", true, path);
    const QPixmap pixmap = QIcon(QString::fromStdString(path)).pixmap(16, 16);
    return pixmap.isNull() ? QIcon() : QIcon(pixmap);
}

} // namespace

CKivLoginDlg::CKivLoginDlg(LoginFunction login, QWidget* parent)
    : KivDialog(parent, Frame::Dialog), m_login(std::move(login)),
      m_accountLabel(MakeLabel(this, "帐号")), m_account(new QLineEdit(this)),
      m_passwordLabel(MakeLabel(this, "密码")), m_password(new QLineEdit(this)),
      m_remember(new QCheckBox(QStringLiteral("记住用户"), this)),
      m_ok(new QPushButton(QStringLiteral("确定"), this)) {
    resources::RegisterPictureResources(); // the check box pictures
    setObjectName(QStringLiteral("CKivLoginDlg"));
    setWindowIcon(ProgramIcon());
    m_password->setEchoMode(QLineEdit::Password);
    for (QLineEdit* edit : {m_account, m_password}) {
        edit->setStyleSheet(QString::fromLatin1(kEditStyle));
    }
    m_remember->setStyleSheet(QString::fromLatin1(kCheckStyle));
    m_ok->setDefault(true); // Enter logs in
    connect(m_ok, &QPushButton::clicked, this, &CKivLoginDlg::startLogin);
    // Tab goes OK -> account -> password -> remember -> OK.
    setTabOrder(m_ok, m_account);
    setTabOrder(m_account, m_password);
    setTabOrder(m_password, m_remember);
    setTabOrder(m_remember, m_ok);
}

CKivLoginDlg::~CKivLoginDlg() = default;

void CKivLoginDlg::onInitDialog() {
    static const std::shared_ptr<KivFrameSkin> frame = MakeFrameSkin(7777, 40);
    static const std::shared_ptr<KivButtonSkin> okSkin = MakeButtonSkin(1060, 1061, 1062, 1060);
    setFixedSize(kWidth, kHeight);
    AttachFrameSkin(this, frame);
    AttachButtonSkin(m_ok, okSkin);
    setWindowTitle(
        QString::fromStdString(config::ReadOrCreateEmpty(config::kApplication, config::kAppName)));

    placeInClient(m_accountLabel, 40, 20, 44, 32);
    placeInClient(m_account, 84, 20, 256, 32);
    placeInClient(m_passwordLabel, 40, 62, 44, 32);
    placeInClient(m_password, 84, 62, 256, 32);
    placeInClient(m_remember, 84, 104, 120, 22);
    placeInClient(m_ok, 40, 140, 300, 40);

    const std::string name = config::ReadOrCreateEmpty(config::kUser, config::kUserName);
    const std::string word = config::ReadOrCreateEmpty(config::kUser, config::kUserWord);
    const bool remembered = !name.empty() && !word.empty();
    m_remember->setChecked(remembered);
    if (remembered) {
        m_account->setText(QString::fromStdString(name));
        m_password->setText(QString::fromStdString(word));
    }
    m_account->setFocus();
}

void CKivLoginDlg::startLogin() {
    if (isLoggingIn() || !m_login) {
        return;
    }
    setEnabled(false);
    m_ok->hide();
    const QRect spinner = kSpinnerRect.translated(0, clientTop());
    m_spinner = StartFolderAnimation(this, spinner, SkinFolderPath(3));
    const std::string account = m_account->text().toStdString();
    const std::string password = m_password->text().toStdString();
    const bool remember = m_remember->isChecked();
    // The worker gets copies and this dialog's handle; it never touches a widget.
    m_worker = std::jthread([login = m_login, account, password, remember,
                             self = handle()](std::stop_token stop) {
        std::string message;
        const bool ok = login(account, password, message);
        if (stop.stop_requested()) {
            return;
        }
        if (ok) {
            (void)config::Write(config::kUser, config::kUserName, remember ? account : "");
            (void)config::Write(config::kUser, config::kUserWord, remember ? password : "");
        }
        platform::DebugOutput(std::string("CKivLoginDlg: login ") + (ok ? "succeeded" : "failed"));
        PostKivMessage(self, ok ? kMsgLoginSucceeded : kMsgLoginFailed, 0, 0);
    });
}

// Back on the UI thread after the worker has posted its result.
void CKivLoginDlg::finishLogin() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_worker = std::jthread();
    FreeFolderAnimation(m_spinner);
    setEnabled(true);
    m_ok->show();
}

KivResult CKivLoginDlg::onLoginSucceeded(KivWParam, KivLParam) {
    finishLogin();
    accept();
    return 0;
}

KivResult CKivLoginDlg::onLoginFailed(KivWParam, KivLParam) {
    finishLogin();
    ShowMessageBox(QString::fromUtf8(kFailureText), QString(), false, this);
    return 0;
}

bool CKivLoginDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                      KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}
