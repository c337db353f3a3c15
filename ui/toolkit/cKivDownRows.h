// cKivDownRows: the rows of a download list, apart from the list that paints them. The page
// that owns it adds and removes rows by key and sets what they show; the list reads the rows,
// follows the model's signals and reports the user's input. UI thread only.
#pragma once

#include "cKivDownListCell.h"

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class cKivDownRows : public QObject {
    Q_OBJECT
public:
    using Key = cKivDownListCell::Key;

    /// `running`: rows of running downloads (progress bar), else of finished ones (install
    /// animation).
    explicit cKivDownRows(bool running, QObject* parent = nullptr);
    ~cKivDownRows() override;

    bool isRunning() const { return m_running; }

    /// A new row at the top, named by `key`; the third text shows in the size column until
    /// SetRowSize. The icon is loaded from `iconPath` when given. The model owns the cell.
    cKivDownListCell* AddRow(Key key, const QString& title, const QString& detail,
                             const QString& third, const QString& iconPath = {});
    /// Removes the row of `cell` and destroys the cell; nothing when no row holds it.
    void RemoveRow(const cKivDownListCell* cell);
    /// Running rows: status colour and text, the bar's position when `percent` >= 0, and the
    /// speed text "%dKB/S" of `speedLow`, empty when `speedHigh` is negative.
    void SetRowProgress(const QColor& color, cKivDownListCell* cell, int percent,
                        const QString& status, int speedLow, int speedHigh);
    /// The size and its text: "%.2fG" from one gigabyte on, else "%.2fMB".
    void SetRowSize(std::uint64_t bytes, cKivDownListCell* cell);
    /// Finished rows: status colour and text; `busy` starts the install animation (the row's
    /// buttons cannot be pressed meanwhile), not busy stops and hides it.
    void SetRowInstallState(const QColor& color, bool busy, cKivDownListCell* cell,
                            const QString& status);
    /// Loads the picture file as the row's icon (premultiplied when 32-bit).
    void SetRowIcon(cKivDownListCell* cell, const QString& iconPath);
    /// The row's button pictures (normal, hover, pressed, disabled).
    void SetRowButtonPictures(cKivDownListCell* cell, int button,
                              const cKivDownListCell::ButtonPictures& pictures);
    void SetRowButtonEnabled(cKivDownListCell* cell, int button, bool enabled);
    /// Sets a row's tick.
    void SetRowChecked(cKivDownListCell* cell, bool checked);
    /// Sets every row's tick.
    void SetAllChecked(bool checked);
    /// The next frame of every installing row's animation.
    void AdvanceAnimation(int frames);

    /// Called after every status change of a row (progress or install state): the headless
    /// manager of penlow-cli prints them.
    using StatusObserver = std::function<void(const cKivDownListCell& cell)>;
    void SetStatusObserver(StatusObserver observer) { m_statusObserver = std::move(observer); }

    int rowCount() const { return static_cast<int>(m_rows.size()); }
    cKivDownListCell* cellAt(int row) const;
    /// The row of `key`, or null.
    cKivDownListCell* find(Key key) const;
    int indexOf(const cKivDownListCell* cell) const;
    bool anyChecked() const;
    bool allChecked() const;
    bool anyBusy() const;

    /// The size text of a byte count.
    static QString SizeText(std::uint64_t bytes);

signals:
    /// A row was inserted at `row` (always 0: new rows go on top).
    void rowInserted(int row);
    /// The row at `row` was removed; `cell` is gone, compare it by address only.
    void rowRemoved(int row, const cKivDownListCell* cell);
    /// What a row shows changed: one column, or the whole row when `column` is -1.
    void rowChanged(int row, int column);
    /// Every row's tick changed.
    void allRowsChanged();
    /// A row started or stopped its install animation.
    void busyChanged();

private:
    void changed(const cKivDownListCell* cell, int column);

    bool m_running;
    std::vector<std::unique_ptr<cKivDownListCell>> m_rows; // index 0 is the top row
    StatusObserver m_statusObserver;
};
