// Text buttons in their four states, and the helpers that put button series into the table.
#include "SkinKit.h"
#include "SkinTable.h"

namespace skingen {
namespace {

struct Colors {
    QColor fill;
    QColor border;
    QColor text;
};

Colors PrimaryColors(State s) {
    switch (s) {
    case State::Normal:
        return {pal::kAccent, Qt::transparent, pal::kWhite};
    case State::Hover:
        return {pal::kAccentHover, Qt::transparent, pal::kWhite};
    case State::Pressed:
        return {pal::kAccentPressed, Qt::transparent, pal::kWhite};
    case State::Disabled:
        return {pal::kAccentDisabled, Qt::transparent, pal::kWhite};
    }
    return {};
}

Colors SecondaryColors(State s) {
    switch (s) {
    case State::Normal:
        return {pal::kWhite, pal::kBorder, pal::kText2};
    case State::Hover:
        return {pal::kWhite, pal::kAccent, pal::kAccent};
    case State::Pressed:
        return {pal::kAccentSoft, pal::kAccentPressed, pal::kAccentPressed};
    case State::Disabled:
        return {pal::kCanvas, pal::kLine, pal::kTextDisabled};
    }
    return {};
}

QColor LinkColor(State s) {
    switch (s) {
    case State::Normal:
        return pal::kAccent;
    case State::Hover:
        return pal::kAccentHover;
    case State::Pressed:
        return pal::kAccentPressed;
    case State::Disabled:
        return pal::kTextDisabled;
    }
    return pal::kAccent;
}

qreal DefaultFontPx(QSize size) {
    if (size.height() >= 36) {
        return 15;
    }
    if (size.height() >= 26) {
        return 13;
    }
    return 12;
}

void DrawContent(QPainter& p, QRectF area, const QString& text, std::optional<Icon> icon,
                 const QFont& font, const QColor& color) {
    const qreal iconSide = icon ? qRound(font.pixelSize() * 1.15) : 0;
    const qreal gap = icon && !text.isEmpty() ? 5 : 0;
    const qreal width = iconSide + gap + TextWidth(text, font);
    qreal x = area.center().x() - width / 2;
    if (icon) {
        DrawIcon(p, *icon, QRectF(x, area.center().y() - iconSide / 2, iconSide, iconSide), color,
                 2.0);
        x += iconSide + gap;
    }
    Text(p, QRectF(x, area.top(), width, area.height()), text, font, color,
         Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

void DrawButton(QPainter& p, QSize size, Look look, State state, const QString& text,
                std::optional<Icon> icon, qreal fontPx) {
    const QRectF r(0, 0, size.width(), size.height());
    const qreal px = fontPx > 0 ? fontPx : DefaultFontPx(size);
    const qreal radius = size.height() >= 30 ? 6 : 4;
    switch (look) {
    case Look::Primary: {
        const Colors c = PrimaryColors(state);
        RoundBox(p, r, radius, c.fill);
        DrawContent(p, r, text, icon, Font(px, true), c.text);
        break;
    }
    case Look::Secondary:
    case Look::Toolbar: {
        const Colors c = SecondaryColors(state);
        RoundBox(p, r, look == Look::Toolbar ? 3 : radius, c.fill, c.border);
        DrawContent(p, r, text, icon, Font(px, look == Look::Secondary && px >= 14), c.text);
        break;
    }
    case Look::Link: {
        const QColor c = LinkColor(state);
        const QFont font = Font(px);
        DrawContent(p, r, text, icon, font, c);
        if (state == State::Hover || state == State::Pressed) {
            const qreal w = TextWidth(text, font) + (icon ? px * 1.15 + 5 : 0);
            const qreal y = r.center().y() + px / 2 + 1;
            HLine(p, r.center().x() - w / 2, r.center().x() + w / 2, qMin(y, r.bottom() - 1), c);
        }
        break;
    }
    }
}

void AddButton(std::vector<SkinPicture>& table, std::initializer_list<std::pair<int, State>> states,
               QSize size, Look look, const QString& text, std::optional<Icon> icon, qreal fontPx) {
    for (const auto& [number, state] : states) {
        const State s = state;
        table.push_back({number, size, true, [=](QPainter& p, QSize sz) {
                             DrawButton(p, sz, look, s, text, icon, fontPx);
                         }});
    }
}

void AddButtonSeries(std::vector<SkinPicture>& table, int first, QSize size, Look look,
                     const QString& text, bool withDisabled, std::optional<Icon> icon,
                     qreal fontPx) {
    AddButton(table,
              {{first, State::Normal}, {first + 1, State::Hover}, {first + 2, State::Pressed}},
              size, look, text, icon, fontPx);
    if (withDisabled) {
        AddButton(table, {{first + 3, State::Disabled}}, size, look, text, icon, fontPx);
    }
}

} // namespace skingen
