// Pictures of the connection wizard: five step backgrounds, three USB-debugging guides and
// their tabs, the download-failed picture and the wizard's buttons.
#include "SkinKit.h"
#include "SkinScenes.h"
#include "SkinTable.h"

namespace skingen {
namespace {

const QSize kWizard(700, 550);

// Text that ends exactly at `right` (a link control follows it there).
void TextEndingAt(QPainter& p, qreal right, qreal y, qreal h, const QString& text,
                  const QFont& font, const QColor& c) {
    Text(p, QRectF(right - 600, y, 600, h), text, font, c, Qt::AlignRight | Qt::AlignVCenter);
}

void DrawStep1(QPainter& p, QSize size) {
    DrawWizardFrame(p, size, 1);
    Heading(p, QPointF(24, 46), QStringLiteral("第一步：打开手机的USB调试模式"));
    TextEndingAt(p, 401, 88, 18, QStringLiteral("不同安卓版本的设置方法略有不同，请选择对应版本："),
                 Font(13), pal::kText2);
    // Frame around the guide area (tabs at y 130, picture 156..438).
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pal::kLine);
    p.drawRect(4, 155, 687, 283);
    p.restore();
    Text(p, QRectF(24, 462, 500, 20), QStringLiteral("打开后手机可能弹出“允许USB调试吗？”，"),
         Font(12), pal::kText3, Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(24, 482, 500, 20), QStringLiteral("请勾选“始终允许”并点击“确定”。"), Font(12),
         pal::kText3, Qt::AlignLeft | Qt::AlignVCenter);
}

void DrawStep2(QPainter& p, QSize size) {
    DrawWizardFrame(p, size, 2);
    Heading(p, QPointF(24, 46), QStringLiteral("第二步：正在查找您的手机"));
    Text(p, QRectF(24, 80, 640, 20),
         QStringLiteral("请保持数据线连接，不要拔出手机，这可能需要几秒钟。"), Font(13),
         pal::kText2, Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(80, 392, 520, 20), QStringLiteral("正在通过USB查找手机..."), Font(13),
         pal::kText3);
}

void DrawStep3(QPainter& p, QSize size) {
    DrawWizardFrame(p, size, 3);
    Heading(p, QPointF(24, 46), QStringLiteral("第三步：安装手机的USB驱动"));
    Text(p, QRectF(24, 80, 640, 20),
         QStringLiteral("电脑没能直接识别您的手机，正在为它查找、下载并安装驱动。"), Font(13),
         pal::kText2, Qt::AlignLeft | Qt::AlignVCenter);
    Text(p, QRectF(24, 490, 440, 20), QStringLiteral("安装驱动期间请不要拔出手机。"), Font(12),
         pal::kText3, Qt::AlignLeft | Qt::AlignVCenter);
}

void DrawSuccessIllustration(QPainter& p) {
    const QPointF c(340, 270);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAccentSoft);
    p.drawEllipse(c, 70, 70);
    p.setBrush(pal::kAccent);
    p.drawEllipse(c, 44, 44);
    p.restore();
    DrawIcon(p, Icon::Check, QRectF(c.x() - 24, c.y() - 24, 48, 48), pal::kWhite, 3.0);
    Text(p, QRectF(0, 356, 680, 30), QStringLiteral("手机已成功连接到电脑"), Font(18, true),
         pal::kText);
}

void DrawStep4(QPainter& p, QSize size) {
    DrawWizardFrame(p, size, 4);
    Heading(p, QPointF(24, 46), QStringLiteral("连接成功"));
    Text(p, QRectF(24, 80, 640, 20), QStringLiteral("驱动已安装完成，点击“完成连接”查看您的手机。"),
         Font(13), pal::kText2, Qt::AlignLeft | Qt::AlignVCenter);
    DrawSuccessIllustration(p);
}

void DrawStep5(QPainter& p, QSize size) {
    DrawWizardFrame(p, size, 0);
    DrawIcon(p, Icon::Warning, QRectF(24, 42, 22, 22), pal::kText2, 2.0);
    Text(p, QRectF(52, 38, 120, 30), QStringLiteral("连接未成功"), Font(17, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    TextEndingAt(p, 233, 44, 18, QStringLiteral("您也可以"), Font(13), pal::kText3);
    const QRectF card(80, 110, 540, 300);
    RoundBox(p, card, 12, pal::kCanvas, pal::kLine);
    Text(p, QRectF(112, 132, 400, 26), QStringLiteral("可能的原因"), Font(16, true), pal::kText,
         Qt::AlignLeft | Qt::AlignVCenter);
    const QStringList reasons = {QStringLiteral("数据线只能充电，不能传输数据，请换一根数据线"),
                                 QStringLiteral("手机上没有打开“USB调试”，或没有允许此电脑调试"),
                                 QStringLiteral("手机的USB驱动没能下载或安装成功"),
                                 QStringLiteral("手机处于锁屏状态，请解锁后重新插拔数据线")};
    for (int i = 0; i < reasons.size(); ++i) {
        const qreal y = 178 + i * 52;
        NumberBadge(p, QPointF(122, y + 10), i + 1, 9);
        Text(p, QRectF(142, y, 460, 20), reasons[i], Font(13), pal::kText2,
             Qt::AlignLeft | Qt::AlignVCenter);
    }
}

struct Guide {
    QString caption;
    QStringList steps;
    QList<QStringList> screens; // title first, then the rows
};

// A guide: up to four phones, each showing one settings screen, with numbered captions.
void DrawGuide(QPainter& p, QSize size, const Guide& g) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    const int n = g.steps.size();
    const qreal slot = size.width() / qreal(n);
    for (int i = 0; i < n; ++i) {
        const qreal cx = slot * i + slot / 2;
        const QRectF body(cx - 62, 14, 124, 210);
        const QRectF screen = DrawPhoneOutline(p, body, QColor(0x3A, 0x40, 0x4A), pal::kWhite,
                                               QColor(0x2A, 0x2F, 0x37));
        const QStringList& rows = g.screens[i];
        DrawSettingsScreen(p, screen, rows.first(), rows.mid(1));
        const qreal captionW = TextWidth(g.steps[i], Font(12)) + 24;
        const qreal left = cx - captionW / 2;
        NumberBadge(p, QPointF(left + 9, 246), i + 1, 9);
        Text(p, QRectF(left + 24, 236, captionW, 20), g.steps[i], Font(12), pal::kText2,
             Qt::AlignLeft | Qt::AlignVCenter);
        if (i + 1 < n) {
            DrawIcon(p, Icon::ChevronRight, QRectF(slot * (i + 1) - 10, 110, 20, 20),
                     pal::kTextDisabled, 2.4);
        }
    }
}

QStringList Rows(const char* text) {
    return QString::fromUtf8(text).split(QLatin1Char('|'));
}

Guide GuideOld() {
    return {QStringLiteral("安卓2.3及以下"),
            {QStringLiteral("打开“设置”"), QStringLiteral("进入“应用程序”"),
             QStringLiteral("进入“开发”，勾选“USB调试”")},
            {Rows("设置|无线和网络|声音|显示|应用程序!"),
             Rows("应用程序|未知来源|管理应用程序|运行中的服务|开发!"),
             Rows("开发|USB调试*|保持唤醒状态|允许模拟位置")}};
}

Guide GuideMiddle() {
    return {QStringLiteral("安卓3.0-4.1"),
            {QStringLiteral("打开“设置”"), QStringLiteral("进入“开发者选项”并开启"),
             QStringLiteral("打开“USB调试”")},
            {Rows("设置|显示|存储|电池|开发者选项!|关于手机"),
             Rows("开发者选项|开启*|USB调试|保持唤醒状态|错误报告"),
             Rows("开发者选项|开启*|USB调试*|保持唤醒状态|错误报告")}};
}

Guide GuideNew() {
    return {QStringLiteral("安卓4.2及以上"),
            {QStringLiteral("进入“关于手机”"), QStringLiteral("连点“版本号”7次"),
             QStringLiteral("返回，进入“开发者选项”"), QStringLiteral("打开“USB调试”")},
            {Rows("设置|显示|电池|存储|关于手机!"), Rows("关于手机|型号|安卓版本|基带版本|版本号!"),
             Rows("设置|显示|电池|开发者选项!|关于手机"),
             Rows("开发者选项|USB调试*|保持唤醒状态|错误报告")}};
}

// Guide tabs: the disabled state marks the guide shown and joins the guide frame below.
void AddGuideTab(std::vector<SkinPicture>& t, int normal, const QString& text) {
    for (int i = 0; i < 2; ++i) {
        const bool selected = i == 1;
        t.push_back({normal + i, QSize(97, 26), false, [=](QPainter& p, QSize s) {
                         p.fillRect(QRect(QPoint(0, 0), s), pal::kWhite);
                         const QRect box(0, 0, s.width() - 1, s.height());
                         if (selected) {
                             p.fillRect(box, pal::kWhite);
                             p.fillRect(QRect(0, 0, s.width() - 1, 2), pal::kAccent);
                             VLine(p, 0, 0, s.height(), pal::kLine);
                             VLine(p, s.width() - 2, 0, s.height(), pal::kLine);
                         } else {
                             p.fillRect(box, pal::kCanvas);
                             p.save();
                             p.setRenderHint(QPainter::Antialiasing, false);
                             p.setPen(pal::kLine);
                             p.drawRect(0, 0, s.width() - 2, s.height() - 1);
                             p.restore();
                         }
                         Text(p, QRectF(box), text, Font(12, selected),
                              selected ? pal::kAccent : pal::kText2);
                     }});
    }
}

void DrawDownloadFailed(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    const QPointF c(size.width() / 2.0, 92);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kCanvas);
    p.drawEllipse(c, 62, 62);
    p.restore();
    DrawIcon(p, Icon::Download, QRectF(c.x() - 32, c.y() - 34, 64, 64), QColor(0xB0, 0xB8, 0xC4),
             1.6);
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kWhite);
    p.drawEllipse(QPointF(c.x() + 32, c.y() + 30), 16, 16);
    p.restore();
    DrawIcon(p, Icon::Warning, QRectF(c.x() + 20, c.y() + 17, 24, 24), pal::kText2, 2.0);
    Text(p, QRectF(0, 170, size.width(), 28), QStringLiteral("驱动下载失败"), Font(18, true),
         pal::kText);
    Text(p, QRectF(0, 202, size.width(), 20), QStringLiteral("请检查网络连接，然后点击“重试”"),
         Font(13), pal::kText3);
}

} // namespace

void AddWizardPictures(std::vector<SkinPicture>& t) {
    t.push_back({103, kWizard, false, DrawStep1});
    t.push_back({104, kWizard, false, DrawStep2});
    t.push_back({105, kWizard, false, DrawStep3});
    t.push_back({106, kWizard, false, DrawStep4});
    t.push_back({107, kWizard, false, DrawStep5});
    const Guide guides[] = {GuideOld(), GuideMiddle(), GuideNew()};
    for (int i = 0; i < 3; ++i) {
        const Guide g = guides[i];
        t.push_back(
            {5 + i, QSize(686, 282), false, [g](QPainter& p, QSize s) { DrawGuide(p, s, g); }});
        AddGuideTab(t, 60 + 10 * i, g.caption);
    }
    AddButtonSeries(t, 1120, QSize(143, 38), Look::Primary, QStringLiteral("下一步"), true);
    AddButtonSeries(t, 1160, QSize(105, 18), Look::Link, QStringLiteral("查看更多机型设置方法"),
                    false, std::nullopt, 10);
    AddButtonSeries(t, 1110, QSize(143, 38), Look::Primary, QStringLiteral("完成连接"), false);
    AddButtonSeries(t, 1140, QSize(169, 38), Look::Primary, QStringLiteral("重试向导连接"), false);
    AddButtonSeries(t, 1150, QSize(105, 18), Look::Link, QStringLiteral("查看更多解决方法"), false,
                    std::nullopt, 12);
    t.push_back({2000, QSize(520, 240), false, DrawDownloadFailed});
    AddButtonSeries(t, 2090, QSize(143, 38), Look::Primary, QStringLiteral("重试"), false,
                    Icon::Refresh);
}

} // namespace skingen
