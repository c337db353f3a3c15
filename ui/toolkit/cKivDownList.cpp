#include "cKivDownList.h"

#include "KivFonts.h"
#include "KivResourceCache.h"
#include "cKivCheckBoxEx.h"
#include "cKivHeadCtrlEx.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTimerEvent>

#include <algorithm>

namespace {

const QColor kSeparator(209, 209, 209);
const QColor kSelected(249, 249, 249);
const QColor kDetail(62, 62, 62);
constexpr int kCheckUnchecked = 182;
constexpr int kCheckChecked = 183;
constexpr int kCheckHover = 184;
constexpr int kProgressFrame = 165;
constexpr int kProgressFill = 166;
constexpr int kIconSize = 50;
constexpr int kAnimFrames[] = {143, 144, 145, 146, 147, 148, 149, 151, 153, 155,
                               185, 186, 187, 188, 189, 190, 191, 192, 193};
constexpr int kAnimFrameCount = static_cast<int>(std::size(kAnimFrames));

QSize PictureSize(int id, QSize fallback) {
    const KivImage* picture = CachedResourcePicture(id);
    return picture ? picture->size() : fallback;
}

const QFont& TitleFont() {
    static const QFont font = KivFont("Arial Black", 13, 400);
    return font;
}

const QFont& SmallFont() {
    static const QFont font = KivFont("Arial Black", 12, 400);
    return font;
}

void DrawElided(QPainter& painter, const QRect& rect, int flags, const QString& text) {
    const QString shown =
        painter.fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, rect.width()));
    painter.drawText(rect, flags | Qt::TextSingleLine, shown);
}

} // namespace

cKivDownList::cKivDownList(cKivDownRows& rows, QWidget* parent)
    : QAbstractScrollArea(parent), m_rows(rows), m_header(new cKivHeadCtrlEx(this)),
      m_headerModel(new QStandardItemModel(0, 4, this)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    verticalScrollBar()->setSingleStep(kRowHeight / 4);
    // A slim bar in the program's colours instead of the platform's default one.
    verticalScrollBar()->setStyleSheet(QStringLiteral(
        "QScrollBar:vertical { background: #F2F4F7; width: 8px; margin: 0; border: none; }"
        "QScrollBar::handle:vertical { background: #C3CAD4; min-height: 32px; border-radius: 4px; }"
        "QScrollBar::handle:vertical:hover { background: #9AA5B4; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"));
    const QStringList titles = {QStringLiteral("名称/类型"), QStringLiteral("大小"),
                                rows.isRunning() ? QStringLiteral("进度") : QStringLiteral("状态"),
                                QStringLiteral("操作")};
    m_headerModel->setHorizontalHeaderLabels(titles);
    m_header->setModel(m_headerModel);
    // Fixed columns: the user cannot drag or double-click the dividers.
    m_header->setSectionResizeMode(QHeaderView::Fixed);
    m_header->setSectionsClickable(false);
    m_header->setStretchLastSection(true);
    m_header->resizeSection(0, kColumn0);
    m_header->resizeSection(1, kColumn1);
    m_header->resizeSection(2, kColumn2);
    m_header->SetCallback([this](bool checked, std::intptr_t) { onSelectAll(checked); }, 0);
    connect(&m_rows, &cKivDownRows::rowInserted, this, &cKivDownList::onRowInserted);
    connect(&m_rows, &cKivDownRows::rowRemoved, this, &cKivDownList::onRowRemoved);
    connect(&m_rows, &cKivDownRows::rowChanged, this, &cKivDownList::onRowChanged);
    connect(&m_rows, &cKivDownRows::allRowsChanged, this, [this] { viewport()->update(); });
    connect(&m_rows, &cKivDownRows::busyChanged, this, &cKivDownList::updateAnimationTimer);
    layoutHeader();
    updateScrollRange();
    updateAnimationTimer();
}

cKivDownList::~cKivDownList() = default;

void cKivDownList::onRowInserted(int row) {
    // The anchor of single selection moves down with its row.
    if (m_lastClicked >= row) {
        ++m_lastClicked;
    }
    updateScrollRange();
    viewport()->update();
}

void cKivDownList::onRowRemoved(int row, const cKivDownListCell* cell) {
    if (m_lastClicked == row) {
        m_lastClicked = -1;
    } else if (m_lastClicked > row) {
        --m_lastClicked;
    }
    m_hover = {};
    if (m_pressedCell == cell) {
        m_pressed = {};
        m_pressedCell = nullptr;
    }
    updateScrollRange();
    viewport()->update();
}

void cKivDownList::onRowChanged(int row, int column) {
    if (column < 0) {
        viewport()->update(rowRect(row));
    } else {
        viewport()->update(columnRect(row, column).adjusted(0, -1, 0, 2));
    }
}

bool cKivDownList::selectAllChecked() const {
    return m_header->selectAllBox()->checked();
}

void cKivDownList::setSelectAllChecked(bool checked) {
    m_header->selectAllBox()->setChecked(checked);
}

int cKivDownList::columnWidth(int column) const {
    switch (column) {
    case 0:
        return kColumn0;
    case 1:
        return kColumn1;
    case 2:
        return kColumn2;
    default:
        return std::max(kMinLastColumn, viewport()->width() - (kColumn0 + kColumn1 + kColumn2));
    }
}

// ---- Geometry --------------------------------------------------------------------------

QRect cKivDownList::rowRect(int row) const {
    return QRect(0, row * kRowHeight - verticalScrollBar()->value(), viewport()->width(),
                 kRowHeight);
}

QRect cKivDownList::columnRect(int row, int column) const {
    int left = 0;
    for (int c = 0; c < column; ++c) {
        left += columnWidth(c);
    }
    const QRect r = rowRect(row);
    // The cell's rectangle: one pixel off the top, two off the bottom.
    return QRect(left, r.top() + 1, columnWidth(column), kRowHeight - 3);
}

QRect cKivDownList::checkBoxRect(int row) const {
    const QRect s = columnRect(row, 0);
    const QSize box = PictureSize(kCheckUnchecked, QSize(16, 16));
    return QRect(s.left() + 10, s.top() + (s.height() - box.height()) / 2, box.width(),
                 box.height());
}

QRect cKivDownList::progressRect(int row) const {
    const QRect s = columnRect(row, 2);
    const QSize bar = m_rows.isRunning() ? PictureSize(kProgressFrame, QSize(139, 8))
                                         : PictureSize(kAnimFrames[0], QSize(139, 5));
    const int x = s.left() + (s.width() - bar.width()) / 2;
    const int y = s.top() + (s.height() - bar.height() - 14) / 2;
    return QRect(x, y + 14, bar.width(), bar.height());
}

QRect cKivDownList::buttonRect(int row, int button) const {
    const cKivDownListCell* cell = cellAt(row);
    if (!cell) {
        return {};
    }
    const QRect s = columnRect(row, 3);
    const QSize first = PictureSize(cell->buttonPictures[0][0], QSize(0, 0));
    const QSize second = PictureSize(cell->buttonPictures[1][0], QSize(0, 0));
    const int top = s.top() + (s.height() - first.height()) / 2;
    if (button == cKivDownListCell::kFirstButton) {
        return QRect(QPoint(s.left() + 35, top), first);
    }
    return QRect(QPoint(s.left() + 35 + first.width() + 40, top), second);
}

void cKivDownList::updateScrollRange() {
    QScrollBar* bar = verticalScrollBar();
    bar->setPageStep(viewport()->height());
    bar->setRange(0, std::max(0, rowCount() * kRowHeight - viewport()->height()));
}

void cKivDownList::layoutHeader() {
    const int height = m_header->sizeHint().height();
    setViewportMargins(0, height, 0, 0);
    const QRect area = contentsRect();
    m_header->setGeometry(area.left(), area.top(), area.width(), height);
}

void cKivDownList::updateAnimationTimer() {
    const bool anyBusy = m_rows.anyBusy();
    if (anyBusy && !m_animTimer.isActive()) {
        m_animTimer.start(kAnimFrameMs, this);
    } else if (!anyBusy) {
        m_animTimer.stop();
    }
}

// ---- Painting --------------------------------------------------------------------------

void cKivDownList::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, Qt::white);
    if (m_rows.rowCount() == 0) {
        return;
    }
    const int scroll = verticalScrollBar()->value();
    const int first = std::max(0, (scroll + dirty.top()) / kRowHeight);
    const int last = std::min(rowCount() - 1, (scroll + dirty.bottom()) / kRowHeight);
    for (int row = first; row <= last; ++row) {
        paintRow(painter, row);
    }
}

void cKivDownList::paintRow(QPainter& painter, int row) {
    const cKivDownListCell& cell = *m_rows.cellAt(row);
    const QRect r = rowRect(row);
    if (cell.checked) {
        painter.fillRect(QRect(10, r.top() + 1, viewport()->width() - 20, kRowHeight - 3),
                         kSelected);
    }
    paintNameColumn(painter, cell, row);
    const QRect size = columnRect(row, 1);
    painter.setFont(SmallFont());
    painter.setPen(Qt::black);
    painter.drawText(size, Qt::AlignCenter | Qt::TextSingleLine, cell.sizeText);
    paintStatusColumn(painter, cell, row);
    paintButtons(painter, cell, row);
    painter.setPen(kSeparator);
    painter.drawLine(10, r.top() + kRowHeight - 1, viewport()->width() - 10,
                     r.top() + kRowHeight - 1);
}

void cKivDownList::paintNameColumn(QPainter& painter, const cKivDownListCell& cell, int row) {
    const QRect s = columnRect(row, 0);
    const QRect box = checkBoxRect(row);
    const bool hover = m_hover.row == row && m_hover.part == Hit::kCheckBox;
    const int boxPicture = cell.checked ? kCheckChecked : hover ? kCheckHover : kCheckUnchecked;
    if (const KivImage* picture = CachedResourcePicture(boxPicture)) {
        DrawImageStretched(painter, *picture, box);
    }
    const int iconLeft = std::min(box.right() + 1 + 10, s.right());
    const int iconTop = s.top() + (s.height() - kIconSize) / 2;
    const QRect icon(iconLeft, iconTop, std::min(kIconSize, s.right() - iconLeft + 1), kIconSize);
    if (const KivImage* picture = cell.shownIcon()) {
        DrawImageStretched(painter, *picture, icon);
    }
    const int textLeft = icon.right() + 1 + 5;
    const int textWidth = s.right() - textLeft;
    painter.setFont(TitleFont());
    painter.setPen(Qt::black);
    DrawElided(painter, QRect(textLeft, iconTop, textWidth, 20), Qt::AlignLeft | Qt::AlignBottom,
               cell.title);
    painter.setFont(SmallFont());
    painter.setPen(kDetail);
    DrawElided(painter, QRect(textLeft, iconTop + 25, textWidth, 20),
               Qt::AlignLeft | Qt::AlignBottom, cell.detail);
}

void cKivDownList::paintStatusColumn(QPainter& painter, const cKivDownListCell& cell, int row) {
    const QRect bar = progressRect(row);
    const QRect s = columnRect(row, 2);
    const int textTop = bar.top() - 14;
    painter.setFont(SmallFont());
    painter.setPen(cell.statusColor);
    if (m_rows.isRunning()) {
        // Without a speed the status may take the bar's whole width (the error text needs it).
        const int half = bar.width() / 2;
        const int statusWidth = cell.speedText.isEmpty() ? bar.width() : half;
        DrawElided(painter, QRect(bar.left(), textTop, statusWidth, 12),
                   Qt::AlignLeft | Qt::AlignVCenter, cell.statusText);
        painter.setPen(Qt::black);
        DrawElided(painter, QRect(bar.left() + half, textTop, bar.width() - half, 12),
                   Qt::AlignRight | Qt::AlignVCenter, cell.speedText);
        if (const KivImage* frame = CachedResourcePicture(kProgressFrame)) {
            DrawImageStretched(painter, *frame, bar);
        }
        const int fill = bar.width() * std::clamp(cell.progress, 0, 100) / 100;
        const KivImage* fillPicture = CachedResourcePicture(kProgressFill);
        if (fill > 0 && fillPicture) {
            DrawImageStretched(painter, *fillPicture,
                               QRect(bar.left(), bar.top() + 1, fill, bar.height() - 2));
        }
        return;
    }
    DrawElided(painter, QRect(bar.left(), textTop, s.right() - bar.left(), 12),
               Qt::AlignLeft | Qt::AlignVCenter, cell.statusText);
    if (cell.busy) {
        const int id = kAnimFrames[std::clamp(cell.animFrame, 0, kAnimFrameCount - 1)];
        if (const KivImage* frame = CachedResourcePicture(id)) {
            DrawImageStretched(painter, *frame, bar);
        }
    }
}

void cKivDownList::paintButtons(QPainter& painter, const cKivDownListCell& cell, int row) {
    for (int button = 0; button < 2; ++button) {
        const auto& pictures = cell.buttonPictures[button];
        int state = 0; // normal, hover, pressed, disabled
        if (!cell.buttonUsable(button)) {
            state = 3;
        } else if (m_pressedCell == &cell && m_pressed.part == Hit::kButton &&
                   m_pressed.button == button) {
            state = 2;
        } else if (m_hover.row == row && m_hover.part == Hit::kButton && m_hover.button == button) {
            state = 1;
        }
        const KivImage* picture = CachedResourcePicture(pictures[state]);
        if (!picture) {
            picture = CachedResourcePicture(pictures[0]);
        }
        if (picture) {
            DrawImageStretched(painter, *picture, buttonRect(row, button));
        }
    }
}

// ---- Events ----------------------------------------------------------------------------

void cKivDownList::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutHeader();
    updateScrollRange();
    viewport()->update();
}

void cKivDownList::scrollContentsBy(int, int dy) {
    m_hover = {};
    viewport()->scroll(0, dy);
}

cKivDownList::Hit cKivDownList::hitTest(const QPoint& point) const {
    Hit hit;
    const int y = point.y() + verticalScrollBar()->value();
    if (point.y() < 0 || y < 0) {
        return hit;
    }
    const int row = y / kRowHeight;
    if (row >= rowCount()) {
        return hit;
    }
    hit.row = row;
    hit.part = Hit::kRow;
    if (checkBoxRect(row).contains(point)) {
        hit.part = Hit::kCheckBox;
    }
    for (int button = 0; button < 2; ++button) {
        if (buttonRect(row, button).contains(point)) {
            hit.part = Hit::kButton;
            hit.button = button;
        }
    }
    return hit;
}

void cKivDownList::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const Hit hit = hitTest(event->position().toPoint());
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (hit.part) {
    case Hit::kButton:
        if (cellAt(hit.row)->buttonUsable(hit.button)) {
            m_pressed = hit;
            m_pressedCell = cellAt(hit.row);
            viewport()->update(buttonRect(hit.row, hit.button));
        }
        return;
    case Hit::kCheckBox: {
        cKivDownListCell* cell = cellAt(hit.row);
        m_rows.SetRowChecked(cell, !cell->checked);
        emit rowTickClicked(cell->key, cell->checked);
        return;
    }
    case Hit::kRow:
    case Hit::kNone:
        clickRow(hit.row, ctrl);
        return;
    }
}

void cKivDownList::mouseReleaseEvent(QMouseEvent* event) {
    const Hit pressed = m_pressed;
    const cKivDownListCell* pressedCell = m_pressedCell;
    m_pressed = {};
    m_pressedCell = nullptr;
    const int pressedRow = m_rows.indexOf(pressedCell);
    if (pressed.part != Hit::kButton || pressedRow < 0) {
        return;
    }
    viewport()->update(buttonRect(pressedRow, pressed.button));
    // The release counts on the very row that was pressed, wherever rows moved meanwhile.
    const Hit hit = hitTest(event->position().toPoint());
    const cKivDownListCell* cell = cellAt(pressedRow);
    if (hit.row != pressedRow || hit.part != Hit::kButton || hit.button != pressed.button ||
        !cell->buttonUsable(pressed.button)) {
        return;
    }
    emit rowButtonClicked(cell->key, pressed.button);
}

void cKivDownList::mouseMoveEvent(QMouseEvent* event) {
    const Hit hit = hitTest(event->position().toPoint());
    if (hit.row == m_hover.row && hit.part == m_hover.part && hit.button == m_hover.button) {
        return;
    }
    const int oldRow = m_hover.row;
    m_hover = hit;
    if (oldRow >= 0) {
        viewport()->update(rowRect(oldRow));
    }
    if (hit.row >= 0 && hit.row != oldRow) {
        viewport()->update(rowRect(hit.row));
    }
}

void cKivDownList::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (m_hover.row >= 0) {
        viewport()->update(rowRect(m_hover.row));
    }
    m_hover = {};
}

void cKivDownList::clickRow(int row, bool ctrl) {
    if (!ctrl) {
        m_rows.SetRowChecked(cellAt(m_lastClicked), false);
    }
    cKivDownListCell* cell = cellAt(row);
    if (!cell) {
        m_lastClicked = -1;
        return;
    }
    m_lastClicked = row;
    m_rows.SetRowChecked(cell, !cell->checked);
    emit rowClicked(row);
}

void cKivDownList::onSelectAll(bool checked) {
    m_rows.SetAllChecked(checked);
    m_lastClicked = -1;
    emit selectAllClicked(checked);
}

void cKivDownList::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_animTimer.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    const int scroll = verticalScrollBar()->value();
    const int first = scroll / kRowHeight;
    const int last = std::min(rowCount() - 1, (scroll + viewport()->height()) / kRowHeight);
    m_rows.AdvanceAnimation(kAnimFrameCount);
    // Only the bars on screen are repainted.
    for (int row = first; row <= last; ++row) {
        if (m_rows.cellAt(row)->busy) {
            viewport()->update(progressRect(row));
        }
    }
}
