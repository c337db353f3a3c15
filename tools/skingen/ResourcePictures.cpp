// Built-in resource pictures 142-201: default app icon, install animation frames, progress
// bar, row buttons, toolbar buttons and check box.
#include "SkinKit.h"
#include "SkinTable.h"

#include <QPainterPath>

namespace skingen {
namespace {

const QString kPng = QStringLiteral("PNG");

void DrawDefaultAppIcon(QPainter& p, QSize size) {
    const QRectF r(1, 1, size.width() - 2, size.height() - 2);
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor(0xDD, 0xE6, 0xF3));
    g.setColorAt(1, QColor(0xC3, 0xD0, 0xE3));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, 11, 11);
    DrawIcon(p, Icon::Apps, r.adjusted(11, 11, -11, -11), pal::kWhite, 2.2);
}

// One frame of the indeterminate install bar: a light track and a moving accent segment.
void DrawInstallFrame(QPainter& p, QSize size, int index, int count) {
    const QRectF track(0, 0, size.width(), size.height());
    Pill(p, track, pal::kLine);
    const qreal seg = 46;
    const qreal travel = size.width() + seg;
    const qreal x = -seg + travel * index / count;
    p.save();
    p.setClipPath([&] {
        QPainterPath clip;
        clip.addRoundedRect(track, size.height() / 2.0, size.height() / 2.0);
        return clip;
    }());
    QLinearGradient g(x, 0, x + seg, 0);
    g.setColorAt(0, QColor(pal::kAccent.red(), pal::kAccent.green(), pal::kAccent.blue(), 0));
    g.setColorAt(0.5, pal::kAccent);
    g.setColorAt(1, QColor(pal::kAccent.red(), pal::kAccent.green(), pal::kAccent.blue(), 0));
    p.fillRect(QRectF(x, 0, seg, size.height()), g);
    p.restore();
}

struct RowButton {
    Icon icon;
    int normal, pressed, hover, disabled;
};

void AddRowButton(std::vector<ResourcePicture>& t, const RowButton& b) {
    const std::pair<int, State> states[] = {{b.normal, State::Normal},
                                            {b.pressed, State::Pressed},
                                            {b.hover, State::Hover},
                                            {b.disabled, State::Disabled}};
    for (const auto& [id, s] : states) {
        const Icon icon = b.icon;
        const State st = s;
        t.push_back({kPng, id, QSize(18, 20), true, [=](QPainter& p, QSize sz) {
                         QColor fg = pal::kIcon;
                         if (st == State::Hover || st == State::Pressed) {
                             p.setPen(Qt::NoPen);
                             p.setBrush(st == State::Hover ? pal::kAccentSoft : pal::kAccentSoft2);
                             p.drawEllipse(QPointF(9, 10), 9, 9);
                             fg = st == State::Hover ? pal::kAccent : pal::kAccentPressed;
                         } else if (st == State::Disabled) {
                             fg = pal::kTextDisabled;
                         }
                         const QRectF box(2, 3, 14, 14);
                         DrawIcon(p, icon, box, fg, 2.2);
                         (void)sz;
                     }});
    }
}

struct ToolbarButton {
    const char* text;
    Icon icon;
    int width;
    int pressed, hover, normal, disabled; // disabled 0: none
    bool primary;
};

void AddToolbarButton(std::vector<ResourcePicture>& t, const ToolbarButton& b) {
    const std::pair<int, State> states[] = {{b.normal, State::Normal},
                                            {b.pressed, State::Pressed},
                                            {b.hover, State::Hover},
                                            {b.disabled, State::Disabled}};
    for (const auto& [id, s] : states) {
        if (id == 0) {
            continue;
        }
        const QString text = QString::fromUtf8(b.text);
        const Look look = b.primary ? Look::Primary : Look::Toolbar;
        const Icon icon = b.icon;
        const State st = s;
        t.push_back({kPng, id, QSize(b.width, 21), true,
                     [=](QPainter& p, QSize sz) { DrawButton(p, sz, look, st, text, icon, 12); }});
    }
}

void AddCheckBox(std::vector<ResourcePicture>& t) {
    const struct {
        int id;
        bool checked;
        bool hover;
    } boxes[] = {{182, false, false}, {183, true, false}, {184, false, true}};
    for (const auto& b : boxes) {
        const bool checked = b.checked;
        const bool hover = b.hover;
        t.push_back({kPng, b.id, QSize(21, 19), true, [=](QPainter& p, QSize) {
                         const QRectF box(3, 2, 15, 15);
                         if (checked) {
                             RoundBox(p, box, 3, pal::kAccent);
                             DrawIcon(p, Icon::Check, box.adjusted(2, 2, -2, -2), pal::kWhite, 3.2);
                         } else {
                             RoundBox(p, box, 3, pal::kWhite, hover ? pal::kAccent : pal::kBorder);
                         }
                     }});
    }
}

} // namespace

void AddResourcePictures(std::vector<ResourcePicture>& t) {
    t.push_back({kPng, 142, QSize(50, 50), true, DrawDefaultAppIcon});
    const int frames[] = {143, 144, 145, 146, 147, 148, 149, 151, 153, 155,
                          185, 186, 187, 188, 189, 190, 191, 192, 193};
    const int count = int(std::size(frames));
    for (int i = 0; i < count; ++i) {
        t.push_back({kPng, frames[i], QSize(139, 5), true,
                     [i, count](QPainter& p, QSize s) { DrawInstallFrame(p, s, i, count); }});
    }
    t.push_back({kPng, 165, QSize(139, 8), false, [](QPainter& p, QSize s) {
                     p.fillRect(QRect(QPoint(0, 0), s), QColor(0xE4, 0xE8, 0xEE));
                 }});
    t.push_back({kPng, 166, QSize(1, 6), false,
                 [](QPainter& p, QSize s) { p.fillRect(QRect(QPoint(0, 0), s), pal::kAccent); }});

    AddRowButton(t, {Icon::Pause, 150, 157, 158, 196});
    AddRowButton(t, {Icon::Play, 156, 152, 154, 197});
    AddRowButton(t, {Icon::Trash, 161, 159, 160, 194});
    AddRowButton(t, {Icon::Install, 164, 162, 163, 195});

    AddToolbarButton(t, {"删除", Icon::Trash, 62, 167, 168, 169, 198, false});
    AddToolbarButton(t, {"一键安装", Icon::Install, 90, 170, 171, 172, 199, true});
    AddToolbarButton(t, {"打开目录", Icon::Folder, 90, 173, 174, 175, 0, false});
    AddToolbarButton(t, {"暂停", Icon::Pause, 62, 176, 177, 178, 200, false});
    AddToolbarButton(t, {"继续", Icon::Play, 62, 179, 180, 181, 201, false});
    AddCheckBox(t);
}

} // namespace skingen
