// Pictures of the device page and its two panels: phone silhouette, status pictures, the
// connecting and error screens, storage icons, buttons, panel backgrounds.
#include "SkinKit.h"
#include "SkinScenes.h"
#include "SkinTable.h"

namespace skingen {
namespace {

void DrawSilhouette(QPainter& p, QSize size) {
    const QRectF body(12, 4, size.width() - 24, size.height() - 8);
    const QRectF screen =
        DrawPhoneOutline(p, body, QColor(0xE9, 0xEC, 0xF1), QColor(0xF6, 0xF8, 0xFB), pal::kBorder);
    QLinearGradient g(screen.topLeft(), screen.bottomLeft());
    g.setColorAt(0, QColor(0xF7, 0xF9, 0xFC));
    g.setColorAt(1, QColor(0xEA, 0xEF, 0xF6));
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(screen, 6, 6);
    p.setOpacity(0.35);
    DrawLogoMark(p, QRectF(screen.center().x() - 26, screen.center().y() - 40, 52, 52));
    p.restore();
    Text(p, QRectF(screen.left(), screen.center().y() + 20, screen.width(), 22),
         QStringLiteral("等待连接手机"), Font(13), pal::kText3);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kBorder);
    p.drawRoundedRect(QRectF(body.center().x() - 24, body.bottom() - 14, 48, 4), 2, 2);
    p.restore();
}

void DrawStatus(QPainter& p, QSize size, bool connected) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(connected ? pal::kAccent : pal::kTextDisabled);
    p.drawEllipse(QPointF(6, size.height() / 2.0), 4, 4);
    p.restore();
    Text(p, QRectF(15, 0, size.width() - 15, size.height()),
         connected ? QStringLiteral("已连接设备") : QStringLiteral("未连接设备"), Font(13),
         connected ? pal::kAccent : pal::kText3, Qt::AlignLeft | Qt::AlignVCenter);
}

void DrawCableHint(QPainter& p, QSize size) {
    DrawIcon(p, Icon::Usb, QRectF(2, 3, 18, 18), pal::kText3, 2.0);
    Text(p, QRectF(24, 0, size.width() - 24, size.height()),
         QStringLiteral("请用数据线连接手机和电脑"), Font(13), pal::kText3,
         Qt::AlignLeft | Qt::AlignVCenter);
}

void DrawConnecting(QPainter& p, QSize size) {
    Text(p, QRectF(0, 4, size.width(), 26), QStringLiteral("正在连接您的手机，请稍候..."),
         Font(17, true), pal::kText);
    Text(p, QRectF(0, 34, size.width(), 20),
         QStringLiteral("如手机弹出“允许USB调试吗？”，请点击“确定”"), Font(12), pal::kText3);
}

void DrawConnectionError(QPainter& p, QSize size) {
    const QRectF card(0.5, 0.5, size.width() - 1, size.height() - 1);
    RoundBox(p, card, 12, pal::kCanvas, pal::kLine);
    // Illustration: computer and phone with a broken link between them.
    DrawMonitorShape(p, QRectF(48, 96, 110, 96), QColor(0xB8, 0xC0, 0xCC));
    DrawPhoneOutline(p, QRectF(236, 78, 62, 118), QColor(0xB8, 0xC0, 0xCC), pal::kWhite,
                     QColor(0xA8, 0xB1, 0xBE));
    p.save();
    QPen dash(QColor(0xB8, 0xC0, 0xCC), 3, Qt::DashLine, Qt::RoundCap);
    p.setPen(dash);
    p.drawLine(QPointF(168, 140), QPointF(188, 140));
    p.drawLine(QPointF(212, 140), QPointF(228, 140));
    p.restore();
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kWhite);
    p.drawEllipse(QPointF(200, 140), 17, 17);
    p.restore();
    DrawIcon(p, Icon::Warning, QRectF(187, 126, 26, 26), pal::kText2, 2.0);
    Text(p, QRectF(40, 222, 280, 30), QStringLiteral("连接错误"), Font(22, true), pal::kText);
    Text(p, QRectF(40, 254, 280, 22), QStringLiteral("电脑暂时无法与您的手机通信"), Font(13),
         pal::kText3);
    // Tips.
    VLine(p, 350, 40, size.height() - 40, pal::kLine);
    Text(p, QRectF(384, 44, 300, 26), QStringLiteral("您可以这样试试"), Font(16, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    const QStringList tips = {QStringLiteral("检查数据线是否插好，或换一个USB接口"),
                              QStringLiteral("在手机上打开“USB调试”并允许此电脑调试"),
                              QStringLiteral("解锁手机屏幕，重新插拔数据线"),
                              QStringLiteral("使用“连接向导”安装手机的USB驱动")};
    for (int i = 0; i < tips.size(); ++i) {
        const qreal y = 96 + i * 46;
        NumberBadge(p, QPointF(394, y + 10), i + 1, 9);
        Text(p, QRectF(412, y, 290, 20), tips[i], Font(13), pal::kText2,
             Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void DrawStorageIcons(QPainter& p, QSize) {
    const struct {
        Icon icon;
        const char* label;
    } rows[] = {{Icon::Chip, "手机"}, {Icon::SdCard, "SD卡"}, {Icon::Battery, "电量"}};
    for (int i = 0; i < 3; ++i) {
        const qreal y = 5 + i * 31;
        DrawIcon(p, rows[i].icon, QRectF(0, y + 2, 16, 16), pal::kAccent, 2.0);
        Text(p, QRectF(19, y, 36, 20), QString::fromUtf8(rows[i].label), Font(12), pal::kText3,
             Qt::AlignLeft | Qt::AlignVCenter);
    }
}

void DrawPanelHeader(QPainter& p, QSize size, const QString& title, int headerHeight) {
    const QRectF card(0.5, 0.5, size.width() - 1, size.height() - 1);
    RoundBox(p, card, 8, pal::kWhite, pal::kLine);
    p.fillRect(QRectF(14, headerHeight / 2.0 - 7, 3, 14), pal::kAccent);
    Text(p, QRectF(24, 0, 300, headerHeight), title, Font(14, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    HLine(p, 1, size.width() - 1, headerHeight - 1, pal::kLine);
}

void DrawRecommendations(QPainter& p, QSize size) {
    DrawPanelHeader(p, size, QStringLiteral("热门推荐"), 31);
    p.fillRect(QRect(1, 31, size.width() - 2, size.height() - 33), pal::kWhite);
}

void DrawPhoneInfo(QPainter& p, QSize size) {
    DrawPanelHeader(p, size, QStringLiteral("手机信息"), 38);
    const QFont font = Font(13);
    const struct {
        qreal x, y, h, right;
        const char* label;
    } labels[] = {{16, 49, 30, 88, "手机型号："},   {16, 81, 20, 88, "生产厂商："},
                  {16, 113, 20, 88, "安卓版本："},  {240, 49, 30, 333, "基带版本："},
                  {240, 82, 20, 343, "引导程序："}, {240, 113, 20, 333, "ROOT权限："}};
    for (const auto& l : labels) {
        Text(p, QRectF(l.x, l.y, l.right - l.x, l.h), QString::fromUtf8(l.label), font, pal::kText3,
             Qt::AlignRight | Qt::AlignVCenter);
    }
    VLine(p, 236, 50, 132, pal::kLine);
}

void DrawPageError(QPainter& p, QSize size) {
    const QPointF c(size.width() / 2.0, 78);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kCanvas);
    p.drawEllipse(c, 62, 62);
    p.restore();
    DrawIcon(p, Icon::Globe, QRectF(c.x() - 34, c.y() - 34, 68, 68), QColor(0xB0, 0xB8, 0xC4), 1.4);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kWhite);
    p.drawEllipse(QPointF(c.x() + 30, c.y() + 30), 16, 16);
    p.restore();
    DrawIcon(p, Icon::Warning, QRectF(c.x() + 18, c.y() + 17, 24, 24), pal::kText2, 2.0);
    Text(p, QRectF(0, 156, size.width(), 26), QStringLiteral("页面加载失败"), Font(17, true),
         pal::kText);
    Text(p, QRectF(0, 186, size.width(), 20), QStringLiteral("请检查网络连接后再试"), Font(13),
         pal::kText3);
}

void DrawLoadingText(QPainter& p, QSize size) {
    Text(p, QRectF(6, 0, size.width() - 6, size.height()), QStringLiteral("正在加载，请稍候..."),
         Font(13), pal::kText3, Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

void AddDevicePictures(std::vector<SkinPicture>& t) {
    t.push_back({100, QSize(205, 399), true, DrawSilhouette});
    t.push_back({3, QSize(93, 20), true, [](QPainter& p, QSize s) { DrawStatus(p, s, false); }});
    t.push_back({4, QSize(93, 20), true, [](QPainter& p, QSize s) { DrawStatus(p, s, true); }});
    t.push_back({1599, QSize(206, 24), true, DrawCableHint});
    t.push_back({8, QSize(330, 60), true, DrawConnecting});
    t.push_back({5004, QSize(707, 317), true, DrawConnectionError});
    t.push_back({5002, QSize(55, 87), true, DrawStorageIcons});
    AddButtonSeries(t, 140, QSize(131, 24), Look::Primary, QStringLiteral("使用向导连接我的手机"),
                    true, std::nullopt, 12);
    AddButtonSeries(t, 1510, QSize(83, 15), Look::Link, QStringLiteral("设备无法识别"), false,
                    std::nullopt, 12);
    AddButtonSeries(t, 1530, QSize(91, 27), Look::Secondary, QStringLiteral("刷新设备"), false,
                    Icon::Refresh, 13);
    AddButtonSeries(t, 1130, QSize(143, 38), Look::Secondary, QStringLiteral("返回"), false);

    t.push_back({101, QSize(535, 382), false, DrawRecommendations});
    t.push_back({102, QSize(535, 144), false, DrawPhoneInfo});
    AddButtonSeries(t, 1040, QSize(45, 19), Look::Link, QStringLiteral("更多"), false, std::nullopt,
                    12);
    t.push_back({2101, QSize(285, 220), true, DrawPageError});
    t.push_back({2102, QSize(140, 20), true, DrawLoadingText});
}

} // namespace skingen
