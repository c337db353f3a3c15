#include "CKivMsgBoxDlg.h"

#include "KivFonts.h"
#include "KivSkinTable.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

QPushButton* MakeButton(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

} // namespace

CKivMsgBoxDlg::CKivMsgBoxDlg(const QString& text, const QString& title, bool withCancel,
                             QWidget* parent)
    : KivDialog(parent, Frame::Dialog), m_text(text), m_withCancel(withCancel),
      m_message(new QLabel(this)), m_ok(MakeButton(this, QStringLiteral("确定"))),
      m_cancel(MakeButton(this, QStringLiteral("取消"))) {
    setWindowTitle(title);
    setModal(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CKivMsgBoxDlg::onInitDialog() {
    m_message->setFont(KivFont("微软雅黑", 20, 500));
    m_message->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    static const std::shared_ptr<KivFrameSkin> frame = MakeFrameSkin(9, 130);
    setFixedSize(kWidth, kHeight);
    AttachFrameSkin(this, frame);

    if (m_withCancel) {
        placeInClient(m_ok, 120, 115, 66, 25);
        placeInClient(m_cancel, 220, 115, 66, 25);
    } else {
        placeInClient(m_ok, 170, 115, 66, 25);
        m_cancel->hide();
    }
    // Centred in the upper area of the client rectangle at exactly the text's size. One line wider
    // than the box starts left of it and is clipped on both sides; the lines of a text of
    // several (a message and a file name) are shortened in the middle to the box's width.
    // Always plain text: file names and phone texts are shown as they are.
    const QFontMetrics metrics(m_message->font());
    QStringList lines = m_text.split(QLatin1Char('\n'));
    if (lines.size() > 1) {
        for (QString& line : lines) {
            line = metrics.elidedText(line, Qt::ElideMiddle, kWidth - 24);
        }
    }
    int textWidth = 0;
    for (const QString& line : lines) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    const QSize textSize(textWidth,
                         metrics.height() + metrics.lineSpacing() * (int(lines.size()) - 1));
    placeInClient(m_message, (410 - textSize.width()) / 2, (120 - textSize.height()) / 2,
                  textSize.width(), textSize.height());
    m_message->setTextFormat(Qt::PlainText);
    m_message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_message->setText(lines.join(QLatin1Char('\n')));

    static const std::shared_ptr<KivButtonSkin> okSkin = MakeButtonSkin(110, 111, 112, 0);
    static const std::shared_ptr<KivButtonSkin> cancelSkin = MakeButtonSkin(120, 121, 122, 0);
    AttachButtonSkin(m_ok, okSkin);
    AttachButtonSkin(m_cancel, cancelSkin);
}

int ShowMessageBox(const QString& text, const QString& title, bool withCancel, QWidget* parent) {
    CKivMsgBoxDlg box(text, title, withCancel, parent ? parent : QApplication::activeWindow());
    const char* dismiss = std::getenv("PENLOW_DISMISS_MESSAGES_FOR_TESTING");
    if (dismiss && std::strcmp(dismiss, "1") == 0) {
        QTimer::singleShot(0, &box, &QDialog::accept);
    }
    return box.exec() == QDialog::Accepted ? 1 : 2;
}
