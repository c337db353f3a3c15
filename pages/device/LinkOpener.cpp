#include "LinkOpener.h"

#include "platform/config/Config.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivWindows.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QUrl>

namespace {

// The box's own line is one centred label; the address goes below it in a read-only field,
// where a long one scrolls instead of being cut and can be selected and copied.
void SayNoBrowser(QWidget* parent, const QString& address) {
    auto* box = new CKivMsgBoxDlg(QStringLiteral("没有浏览器能打开这个链接，请复制地址："),
                                  ApplicationName(), false, parent);
    box->setObjectName(QStringLiteral("noBrowserNotice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->initialise();
    QLabel* message = box->messageLabel();
    message->setTextFormat(Qt::PlainText);
    QFont font = message->font();
    font.setPixelSize(14);
    message->setFont(font);
    message->setGeometry(20, 40, CKivMsgBoxDlg::kWidth - 40, 24);
    message->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* field = new QLineEdit(address, box);
    field->setObjectName(QStringLiteral("address"));
    field->setReadOnly(true);
    field->setGeometry(20, 72, CKivMsgBoxDlg::kWidth - 40, 26);
    field->setCursorPosition(0);
    field->selectAll();
    box->open();
}

} // namespace

void OpenLinkOrSay(QWidget* parent, std::string_view section, std::string_view key) {
    const QString address = QString::fromStdString(config::Read(section, key));
    if (!address.isEmpty() && QDesktopServices::openUrl(QUrl(address))) {
        return;
    }
    SayNoBrowser(parent, address.isEmpty() ? QStringLiteral("（没有设置地址）") : address);
}
