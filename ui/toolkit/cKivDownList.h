// cKivDownList: the painted report list of the two downloads pages. Rows are 68 pixels high;
// everything in a row (tick box, icon, texts, progress bar or install animation, two picture
// buttons) is painted as part of the row, so a list of thousands of rows scrolls smoothly and
// nothing needs hiding or moving while it scrolls. The header is a cKivHeadCtrlEx with the
// select-all box; the columns are fixed (the last one takes the rest of the width).
//
// Selection: a click on a row unticks the last clicked row (unless Ctrl is held) and toggles
// the clicked one; a click on the tick box toggles only that row; the select-all box sets
// every row. UI thread only; workers reach the pages, whose handlers call the setters.
#pragma once

#include "cKivDownListCell.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

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

    using SelectAllCallback = std::function<void(bool checked, std::intptr_t user)>;
    using RowClickCallback = std::function<void(int row, std::intptr_t user)>;

    /// `running`: the list of running downloads (progress bar per row), else the list of
    /// finished ones (install animation per row).
    explicit cKivDownList(bool running, QWidget* parent = nullptr);
    ~cKivDownList() override;

    bool isRunningList() const { return m_running; }

    /// A new row at the top; the third text shows in the size column until SetRowSize. The
    /// icon is loaded from `iconPath` when given. The list owns the cell.
    cKivDownListCell* AddRow(const QString& title, const QString& detail, const QString& third,
                             const QString& iconPath = {});
    /// Removes the row of `cell` and destroys the cell; nothing when no row holds it.
    void RemoveRow(cKivDownListCell* cell);
    /// Running list: status colour and text, the bar's position when `percent` >= 0, and the
    /// speed text "%dKB/S" of `speedLow`, empty when `speedHigh` is negative.
    void SetRowProgress(const QColor& color, cKivDownListCell* cell, int percent,
                        const QString& status, int speedLow, int speedHigh);
    /// The size and its text: "%.2fG" from one gigabyte on, else "%.2fMB".
    void SetRowSize(std::uint64_t bytes, cKivDownListCell* cell);
    /// Finished list: status colour and text; `busy` starts the install animation (the row's
    /// buttons cannot be pressed meanwhile), not busy stops and hides it.
    void SetRowInstallState(const QColor& color, bool busy, cKivDownListCell* cell,
                            const QString& status);
    /// Loads the picture file as the row's icon (premultiplied when 32-bit).
    void SetRowIcon(cKivDownListCell* cell, const QString& iconPath);
    /// The row's button pictures (normal, hover, pressed, disabled).
    void SetRowButtonPictures(cKivDownListCell* cell, int button,
                              const cKivDownListCell::ButtonPictures& pictures);
    void SetRowButtonEnabled(cKivDownListCell* cell, int button, bool enabled);
    /// Sets a row's tick without calling back.
    void SetRowChecked(cKivDownListCell* cell, bool checked);

    /// Called after every status change of a row (progress or install state): the headless
    /// manager of penlow-cli prints them.
    using StatusObserver = std::function<void(const cKivDownListCell& cell)>;
    void SetStatusObserver(StatusObserver observer) { m_statusObserver = std::move(observer); }

    void SetSelectAllCallback(SelectAllCallback callback, std::intptr_t user);
    void SetRowClickCallback(RowClickCallback callback, std::intptr_t user);

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    cKivDownListCell* cellAt(int row) const;
    int indexOf(const cKivDownListCell* cell) const;
    /// Whether any row / every row is ticked.
    bool anyChecked() const;
    bool allChecked() const;
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

    /// The size text of a byte count.
    static QString SizeText(std::uint64_t bytes);

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
    void updateScrollRange();
    void layoutHeader();
    void repaintRow(const cKivDownListCell* cell);
    void repaintColumn(const cKivDownListCell* cell, int column);
    void updateAnimationTimer();
    QRect columnRect(int row, int column) const;
    QRect progressRect(int row) const;

    void paintRow(QPainter& painter, int row);
    void paintNameColumn(QPainter& painter, const cKivDownListCell& cell, int row);
    void paintStatusColumn(QPainter& painter, const cKivDownListCell& cell, int row);
    void paintButtons(QPainter& painter, const cKivDownListCell& cell, int row);

    bool m_running;
    cKivHeadCtrlEx* m_header;
    QStandardItemModel* m_headerModel;
    std::vector<std::unique_ptr<cKivDownListCell>> m_rows; // index 0 is the top row
    int m_lastClicked = -1;
    SelectAllCallback m_selectAll;
    std::intptr_t m_selectAllUser = 0;
    RowClickCallback m_rowClick;
    StatusObserver m_statusObserver;
    std::intptr_t m_rowClickUser = 0;
    Hit m_hover;
    Hit m_pressed; // its row index is not used: rows may come and go while the button is down
    // The row whose button is held down, by identity: a row added or removed above it while the
    // mouse button is down must not hand the press to another row.
    const cKivDownListCell* m_pressedCell = nullptr;
    QBasicTimer m_animTimer;
};
