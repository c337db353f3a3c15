// Pictures of the store page (navigation strip and buttons) and of the download manager
// (its two tabs and the flying icon).
#include "SkinKit.h"
#include "SkinTable.h"

namespace skingen {
namespace {

// Round icon buttons of the navigation strip (back, forward, refresh, search).
void AddIconButton(std::vector<SkinPicture>& t, int first, QSize size, Icon icon,
                   bool withDisabled) {
    const State states[] = {State::Normal, State::Hover, State::Pressed, State::Disabled};
    for (int i = 0; i < (withDisabled ? 4 : 3); ++i) {
        const State s = states[i];
        t.push_back({first + i, size, true, [=](QPainter& p, QSize sz) {
                         const qreal side = qMin(sz.width(), sz.height()) - 4;
                         const QRectF disc(sz.width() / 2.0 - side / 2,
                                           sz.height() / 2.0 - side / 2, side, side);
                         QColor fg = pal::kIcon;
                         if (s == State::Hover) {
                             p.setPen(Qt::NoPen);
                             p.setBrush(pal::kHover);
                             p.drawEllipse(disc);
                             fg = pal::kAccent;
                         } else if (s == State::Pressed) {
                             p.setPen(Qt::NoPen);
                             p.setBrush(pal::kAccentSoft2);
                             p.drawEllipse(disc);
                             fg = pal::kAccentPressed;
                         } else if (s == State::Disabled) {
                             fg = pal::kTextDisabled;
                         }
                         const qreal is = qMin<qreal>(16, side - 6);
                         DrawIcon(
                             p, icon,
                             QRectF(sz.width() / 2.0 - is / 2, sz.height() / 2.0 - is / 2, is, is),
                             fg, 2.0);
                     }});
    }
}

// Section buttons: the pressed picture doubles as the "section shown" look (disabled).
void AddSection(std::vector<SkinPicture>& t, int first, const QString& text) {
    const State states[] = {State::Normal, State::Hover, State::Pressed};
    for (int i = 0; i < 3; ++i) {
        const State s = states[i];
        t.push_back({first + i, QSize(67, 35), true, [=](QPainter& p, QSize sz) {
                         QColor fg = pal::kText2;
                         if (s == State::Hover) {
                             RoundBox(p, QRectF(4, 5, sz.width() - 8, sz.height() - 10), 6,
                                      pal::kHover);
                             fg = pal::kText;
                         } else if (s == State::Pressed) {
                             fg = pal::kAccent;
                             Pill(p, QRectF(14, sz.height() - 3, sz.width() - 28, 3), pal::kAccent);
                         }
                         Text(p, QRectF(0, 0, sz.width(), sz.height()), text,
                              Font(14, s == State::Pressed), fg);
                     }});
    }
}

void DrawStoreStrip(QPainter& p, QSize size) {
    p.fillRect(QRect(QPoint(0, 0), size), pal::kWhite);
    HLine(p, 0, size.width(), size.height() - 1, pal::kLine);
    VLine(p, 131, 9, 27, pal::kLine);
    // The search field around the edit box (page 645,13) and its button (page 768,8).
    RoundBox(p, QRectF(622, 6, 158, 28), 14, pal::kCanvas, pal::kBorder);
    p.fillRect(QRectF(630, 13, 122, 19), pal::kCanvas);
}

// Download manager tabs: caption drawn by the button, white on the three active looks and
// dark grey on the disabled one (the tab shown).
void AddManagerTab(std::vector<SkinPicture>& t, int number, State s) {
    t.push_back({number, QSize(129, 43), true, [=](QPainter& p, QSize sz) {
                     const QRectF r(2, 6, sz.width() - 4, sz.height() - 6);
                     QColor fill = QColor(0x7B, 0x85, 0x94);
                     if (s == State::Hover) {
                         fill = pal::kAccent;
                     } else if (s == State::Disabled) {
                         fill = pal::kWhite;
                     }
                     p.save();
                     p.setPen(Qt::NoPen);
                     p.setBrush(s == State::Disabled ? QColor(0xC8, 0xC8, 0xC8) : fill);
                     p.drawRoundedRect(r.adjusted(0, 0, 0, 8), 7, 7);
                     if (s == State::Disabled) {
                         p.setBrush(fill);
                         p.drawRoundedRect(r.adjusted(1, 1, -1, 8), 6, 6);
                         p.setBrush(pal::kAccent);
                         p.drawRoundedRect(QRectF(r.left() + 1, r.top(), r.width() - 2, 3), 1.5,
                                           1.5);
                     }
                     p.restore();
                 }});
}

void DrawFlyingIcon(QPainter& p, QSize size) {
    const QRectF r(1, 1, size.width() - 2, size.height() - 2);
    p.setPen(Qt::NoPen);
    p.setBrush(pal::kAccent);
    p.drawEllipse(r);
    DrawIcon(p, Icon::Download, r.adjusted(8, 8, -8, -8), pal::kWhite, 2.4);
}

} // namespace

void AddStorePictures(std::vector<SkinPicture>& t) {
    AddIconButton(t, 2010, QSize(29, 35), Icon::ChevronLeft, true);
    AddIconButton(t, 2020, QSize(29, 35), Icon::ChevronRight, true);
    AddIconButton(t, 2030, QSize(29, 35), Icon::Refresh, false);
    AddSection(t, 2040, QStringLiteral("主页"));
    AddSection(t, 2050, QStringLiteral("应用分类"));
    AddSection(t, 2060, QStringLiteral("精选主题"));
    AddSection(t, 2070, QStringLiteral("游戏分类"));
    AddIconButton(t, 2080, QSize(25, 24), Icon::Search, false);
    t.push_back({5003, QSize(781, 40), false, DrawStoreStrip});

    AddManagerTab(t, 1050, State::Normal);
    AddManagerTab(t, 1051, State::Hover);
    AddManagerTab(t, 1053, State::Disabled);
    t.push_back({1234, QSize(36, 36), true, DrawFlyingIcon});
}

} // namespace skingen
