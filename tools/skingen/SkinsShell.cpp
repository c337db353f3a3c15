// Pictures of the application shell: main window frame, caption buttons, tabs, connection
// icon, about box, message box, drop-down menu and login dialog.
#include "SkinKit.h"
#include "SkinTable.h"

namespace skingen {
namespace {

constexpr int kCaption = 30;
const QSize kCaptionButton(40, 30);
const QSize kTab(169, 63);
const QColor kLoginGrey(0xF2, 0xF2, 0xF2);

void DrawMainFrame(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    p.fillRect(QRect(0, 0, kTab.width(), size.height()), pal::kSidebar);
    VLine(p, kTab.width() - 1, 0, size.height(), pal::kLine);
    DrawLogoMark(p, QRectF(18, 16, 28, 28));
    Text(p, QRectF(54, 14, 110, 32), QStringLiteral("Penlow"), Font(19, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    HLine(p, 18, kTab.width() - 18, size.height() - 48, pal::kLine);
    WindowEdge(p, size);
}

// A caption button: transparent until hovered; the close button turns red on hover.
void AddCaptionButtons(std::vector<SkinPicture>& table, int first, Icon icon, bool isClose) {
    const State states[] = {State::Normal, State::Hover, State::Pressed};
    for (int i = 0; i < 3; ++i) {
        const State s = states[i];
        table.push_back(
            {first + i, kCaptionButton, true, [=](QPainter& p, QSize sz) {
                 // Leave the window's 1 px edge visible at the top (and right, for
                 // the close button, which always sits in the corner).
                 const QRectF r(0, 1, sz.width() - (isClose ? 1 : 0), sz.height() - 1);
                 QColor fg = pal::kIcon;
                 if (s == State::Hover) {
                     p.fillRect(r, isClose ? pal::kClose : pal::kHover);
                     fg = isClose ? pal::kWhite : pal::kText;
                 } else if (s == State::Pressed) {
                     p.fillRect(r, isClose ? pal::kClosePressed : pal::kPressed);
                     fg = isClose ? pal::kWhite : pal::kText;
                 }
                 const qreal side = icon == Icon::Close ? 13 : 16;
                 DrawIcon(p, icon,
                          QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side),
                          fg, icon == Icon::Close ? 2.0 : 1.8);
             }});
    }
}

// A sidebar tab of the main window; `selected` is the disabled state (digit 2 here).
void DrawTab(QPainter& p, QSize size, Icon icon, const QString& text, State s, bool badge) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kSidebar);
    VLine(p, size.width() - 1, 0, size.height(), pal::kLine);
    VLine(p, 0, 0, size.height(), pal::kWindowEdge); // tabs sit on the window's left edge
    const QRectF card(10, 6, size.width() - 21, size.height() - 12);
    QColor fg = pal::kText2;
    if (s == State::Hover) {
        RoundBox(p, card, 8, pal::kHover);
        fg = pal::kText;
    } else if (s == State::Disabled) {
        RoundBox(p, card, 8, pal::kAccentSoft);
        p.fillRect(QRectF(0, 19, 3, size.height() - 38), pal::kAccent);
        fg = pal::kAccent;
    }
    DrawIcon(p, icon, QRectF(40, 20, 24, 24), fg, 1.8);
    Text(p, QRectF(74, 0, size.width() - 80, size.height()), text, Font(15, s == State::Disabled),
         fg, Qt::AlignLeft | Qt::AlignVCenter);
    if (badge) {
        // The count is drawn by the button, centred in (0, 0, 120, 20), in white.
        Pill(p, QRectF(46, 3, 28, 16), pal::kAccent, pal::kWhite);
    }
}

void AddTab(std::vector<SkinPicture>& table, int first, Icon icon, const QString& text,
            bool badge) {
    const State states[] = {State::Normal, State::Hover, State::Disabled};
    for (int i = 0; i < 3; ++i) {
        const State s = states[i];
        table.push_back({first + i, kTab, false,
                         [=](QPainter& p, QSize sz) { DrawTab(p, sz, icon, text, s, badge); }});
    }
}

void DrawConnectionIcon(QPainter& p, QSize size, bool connected) {
    const QRectF r(0.5, 0.5, size.width() - 1, size.height() - 1);
    if (connected) {
        Pill(p, r, pal::kAccentSoft, pal::kAccentSoft2);
    } else {
        Pill(p, r, pal::kWhite, pal::kBorder);
    }
    const QColor fg = connected ? pal::kAccent : pal::kText3;
    DrawIcon(p, Icon::Phone, QRectF(12, 5, 17, 17), fg, 2.0);
    Text(p, QRectF(34, 0, size.width() - 40, size.height()),
         connected ? QStringLiteral("设备已连接") : QStringLiteral("设备未连接"), Font(12), fg,
         Qt::AlignLeft | Qt::AlignVCenter);
    p.setPen(Qt::NoPen);
    p.setBrush(connected ? pal::kAccent : pal::kTextDisabled);
    p.drawEllipse(QPointF(size.width() - 14, size.height() / 2.0), 3, 3);
}

// A frameless dialog: white caption strip with a title, white body, optional button band.
void DrawDialogFrame(QPainter& p, QSize size, const QString& title, int bandTop, bool withMark) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    qreal x = 14;
    if (withMark) {
        DrawLogoMark(p, QRectF(12, 7, 17, 17));
        x = 36;
    }
    Text(p, QRectF(x, 0, 300, kCaption), title, Font(13, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    HLine(p, 0, size.width(), kCaption, pal::kLine);
    if (bandTop > 0) {
        p.fillRect(QRect(0, bandTop, size.width(), size.height() - bandTop), pal::kCanvas);
        HLine(p, 0, size.width(), bandTop, pal::kLine);
    }
    WindowEdge(p, size);
}

void DrawAbout(QPainter& p, QSize size) {
    DrawDialogFrame(p, size, QStringLiteral("关于我们"), 212, false);
    // A soft halo behind the logo (the logo itself is logo.png, shown by a picture control).
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAccentSoft);
    p.drawRoundedRect(QRectF(14, 44, 84, 84), 20, 20);
    Text(p, QRectF(16, 222, 280, 32), QStringLiteral("安卓手机助手 · 连接 · 应用 · 下载"), Font(12),
         pal::kText3, Qt::AlignLeft | Qt::AlignVCenter);
}

void DrawLogin(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), kLoginGrey);
    p.fillRect(QRect(0, 0, size.width(), kCaption), pal::kWhite);
    DrawLogoMark(p, QRectF(12, 7, 17, 17));
    Text(p, QRectF(36, 0, 300, kCaption), QStringLiteral("帐号登录"), Font(13, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    HLine(p, 0, size.width(), kCaption, pal::kLine);
    // Where the OK button sits: while a login runs the button gives way to a spinner drawn on
    // white, so the place is a white field.
    RoundBox(p, QRectF(40, kCaption + 140, 300, 40), 6, pal::kWhite, pal::kLine);
    WindowEdge(p, size);
}

// Menu items: a white column with a border; the first item closes the top, the last the
// bottom. Hover and pressed tint the row with the accent.
void AddMenuItem(std::vector<SkinPicture>& table, int first, Icon icon, const QString& text,
                 bool top, bool bottom) {
    const State states[] = {State::Normal, State::Hover, State::Pressed};
    for (int i = 0; i < 3; ++i) {
        const State s = states[i];
        table.push_back({first + i, QSize(116, 30), false, [=](QPainter& p, QSize sz) {
                             p.fillRect(QRect(QPoint(0, 0), sz), pal::kWindowEdge);
                             const QRect inner(1, top ? 1 : 0, sz.width() - 2,
                                               sz.height() - (top ? 1 : 0) - (bottom ? 1 : 0));
                             QColor fill = pal::kWhite;
                             QColor fg = pal::kText2;
                             if (s == State::Hover) {
                                 fill = pal::kAccentSoft;
                                 fg = pal::kAccent;
                             } else if (s == State::Pressed) {
                                 fill = pal::kAccentSoft2;
                                 fg = pal::kAccentPressed;
                             }
                             p.fillRect(inner, fill);
                             DrawIcon(p, icon, QRectF(15, 8, 14, 14), fg, 2.0);
                             Text(p, QRectF(37, 0, 76, sz.height()), text, Font(13), fg,
                                  Qt::AlignLeft | Qt::AlignVCenter);
                         }});
    }
}

} // namespace

void AddShellPictures(std::vector<SkinPicture>& t) {
    t.push_back({1, QSize(980, 620), false, DrawMainFrame});
    AddCaptionButtons(t, 10, Icon::Minimise, false);
    AddCaptionButtons(t, 20, Icon::Close, true);
    AddCaptionButtons(t, 30, Icon::Menu, false);
    AddCaptionButtons(t, 150, Icon::Feedback, false);
    AddCaptionButtons(t, 40, Icon::Close, true);
    AddCaptionButtons(t, 130, Icon::Close, true);

    AddTab(t, 1010, Icon::Phone, QStringLiteral("欢迎"), false);
    AddTab(t, 1020, Icon::Apps, QStringLiteral("应用游戏"), false);
    AddTab(t, 1030, Icon::Download, QStringLiteral("下载管理"), false);
    AddTab(t, 1070, Icon::Download, QStringLiteral("下载管理"), true);
    t.push_back(
        {90, QSize(120, 27), true, [](QPainter& p, QSize s) { DrawConnectionIcon(p, s, false); }});
    t.push_back(
        {91, QSize(120, 27), true, [](QPainter& p, QSize s) { DrawConnectionIcon(p, s, true); }});

    t.push_back({0, QSize(416, 264), false, DrawAbout});
    AddButtonSeries(t, 50, QSize(74, 27), Look::Primary, QStringLiteral("确定"), false);

    t.push_back({9, QSize(414, 188), false, [](QPainter& p, QSize s) {
                     DrawDialogFrame(p, s, QStringLiteral("提示"), 136, false);
                 }});
    AddButtonSeries(t, 110, QSize(66, 25), Look::Primary, QStringLiteral("确定"), false);
    AddButtonSeries(t, 120, QSize(66, 25), Look::Secondary, QStringLiteral("取消"), false);

    AddMenuItem(t, 1710, Icon::Document, QStringLiteral("更新日志"), true, false);
    AddMenuItem(t, 1720, Icon::Shield, QStringLiteral("隐私保护"), false, false);
    AddMenuItem(t, 1730, Icon::Globe, QStringLiteral("官方网站"), false, false);
    AddMenuItem(t, 1740, Icon::Info, QStringLiteral("关于我们"), false, false);
    AddMenuItem(t, 1750, Icon::Help, QStringLiteral("帮助说明"), false, true);

    t.push_back({7777, QSize(380, 230), false, DrawLogin});
    AddButtonSeries(t, 1060, QSize(300, 40), Look::Primary, QStringLiteral("登 录"), false);
}

} // namespace skingen
