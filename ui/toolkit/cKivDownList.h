// cKivDownList: the painted report list of the two downloads pages. Rows are 68 pixels high;
// everything in a row (tick box, icon, texts, progress bar or install animation, two picture
// buttons) is painted as part of the row, so a list of thousands of rows scrolls smoothly and
// nothing needs hiding or moving while it scrolls. The header is a cKivHeadCtrlEx with the
// select-all box; the columns are fixed (the last one takes the rest of the width).
//
// The list paints, hit-tests and takes input only: the rows are a cKivDownRows model that the
// page owns and fills; the list follows the model's signals and reports clicks as signals that
// name rows by their key.
//
// Selection: a click on a row unticks the last clicked row (unless Ctrl is held) and toggles
// the clicked one; a click on the tick box toggles only that row; the select-all box sets
// every row. UI thread only; workers reach the pages, whose handlers change the model.
#pragma once

#include "cKivDownRows.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include <cstdint>

class cKivHeadCtrlEx;
class QStandardItemModel;

class cKivDownList : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 68;
    static constexpr int kColumn0 = 265;
    static constexpr int kColumn1 = 129;
    static constexpr int kColumn2 = 228;
    static constexpr int kMinLastColumn = 125;
    static constexpr int kAnimFrameMs = 25;

    /// Shows `rows`, which must outlive the list; running rows get a progress bar column,
    /// finished ones the install animation.
    explicit cKivDownList(cKivDownRows& rows, QWidget* parent = nullptr);
    ~cKivDownList() override;

    cKivDownRows& rows() const { return m_rows; }
    bool isRunningList() const { return m_rows.isRunning(); }
    int rowCount() const { return m_rows.rowCount(); }
    cKivDownListCell* cellAt(int row) const { return m_rows.cellAt(row); }

    /// The header's select-all box.
    bool selectAllChecked() const;
    void setSelectAllChecked(bool checked);
    int lastClicked() const { return m_lastClicked; }
    /// Width of column `column` now (the last one follows the list's width).
    int columnWidth(int column) const;
    cKivHeadCtrlEx* header() const { return m_header; }

    /// Rectangles in viewport coordinates of a row's parts (for tests and hit-testing).
    QRect rowRect(int row) const;
    QRect checkBoxRect(int row) const;
    QRect buttonRect(int row, int button) const;

signals:
    /// A row's usable button was clicked (pressed and released on it).
    void rowButtonClicked(quint64 key, int button);
    /// The user clicked a row's tick box; the tick is set already.
    void rowTickClicked(quint64 key, bool checked);
    /// A row was clicked (after the selection rules ran); -1 below the last row is not reported.
    void rowClicked(int row);
    /// The select-all box was set by the user; every row's tick follows it already.
    void selectAllClicked(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    struct Hit {
        int row = -1;
        enum Part { kNone, kRow, kCheckBox, kButton } part = kNone;
        int button = -1;
    };

    Hit hitTest(const QPoint& point) const;
    void clickRow(int row, bool ctrl);
    void onSelectAll(bool checked);
    void onRowInserted(int row);
    void onRowRemoved(int row, const cKivDownListCell* cell);
    void onRowChanged(int row, int column);
    void updateScrollRange();
    void layoutHeader();
    void updateAnimationTimer();
    QRect columnRect(int row, int column) const;
    QRect progressRect(int row) const;

    void paintRow(QPainter& painter, int row);
    void paintNameColumn(QPainter& painter, const cKivDownListCell& cell, int row);
    void paintStatusColumn(QPainter& painter, const cKivDownListCell& cell, int row);
    void paintButtons(QPainter& painter, const cKivDownListCell& cell, int row);

    cKivDownRows& m_rows;
    cKivHeadCtrlEx* m_header;
    QStandardItemModel* m_headerModel;
    int m_lastClicked = -1;
    Hit m_hover;
    Hit m_pressed; // its row index is not used: rows may come and go while the button is down
    // The row whose button is held down, by identity: a row added or removed above it while the
    // mouse button is down must not hand the press to another row.
    const cKivDownListCell* m_pressedCell = nullptr;
    QBasicTimer m_animTimer;
};
