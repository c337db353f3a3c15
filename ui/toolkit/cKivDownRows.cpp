#include "cKivDownRows.h"

#include "KivResourceCache.h"

#include <algorithm>

namespace {
constexpr int kDefaultIcon = 142;
} // namespace

cKivDownRows::cKivDownRows(bool running, QObject* parent) : QObject(parent), m_running(running) {}

cKivDownRows::~cKivDownRows() = default;

cKivDownListCell* cKivDownRows::AddRow(Key key, const QString& title, const QString& detail,
                                       const QString& third, const QString& iconPath) {
    auto cell = std::make_unique<cKivDownListCell>();
    cell->key = key;
    cell->title = title;
    cell->detail = detail;
    cell->sizeText = third;
    if (!iconPath.isEmpty() && LoadSkinFile(cell->icon, iconPath)) {
        PremultiplyTruncating(cell->icon);
    }
    cell->fallbackIcon = CachedResourcePicture(kDefaultIcon);
    cKivDownListCell* raw = cell.get();
    m_rows.insert(m_rows.begin(), std::move(cell));
    emit rowInserted(0);
    return raw;
}

void cKivDownRows::RemoveRow(const cKivDownListCell* cell) {
    const int row = indexOf(cell);
    if (row < 0) {
        return;
    }
    const bool wasBusy = cell->busy;
    m_rows.erase(m_rows.begin() + row);
    emit rowRemoved(row, cell);
    if (wasBusy) {
        emit busyChanged();
    }
}

void cKivDownRows::SetRowProgress(const QColor& color, cKivDownListCell* cell, int percent,
                                  const QString& status, int speedLow, int speedHigh) {
    if (!cell || !m_running) {
        return;
    }
    cell->statusColor = color;
    cell->statusText = status;
    if (percent >= 0) {
        cell->progress = std::min(percent, 100);
    }
    cell->speedText = speedHigh < 0 ? QString() : QStringLiteral("%1KB/S").arg(speedLow);
    changed(cell, 2);
    if (m_statusObserver) {
        m_statusObserver(*cell);
    }
}

QString cKivDownRows::SizeText(std::uint64_t bytes) {
    const double gigabytes = static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0);
    if (gigabytes >= 1.0) {
        return QString::asprintf("%.2fG", gigabytes);
    }
    return QString::asprintf("%.2fMB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

void cKivDownRows::SetRowSize(std::uint64_t bytes, cKivDownListCell* cell) {
    if (!cell) {
        return;
    }
    cell->size = bytes;
    cell->sizeText = SizeText(bytes);
    changed(cell, 1);
}

void cKivDownRows::SetRowInstallState(const QColor& color, bool busy, cKivDownListCell* cell,
                                      const QString& status) {
    if (!cell || m_running) {
        return;
    }
    cell->statusColor = color;
    cell->statusText = status;
    cell->busy = busy;
    cell->animFrame = 0;
    emit busyChanged();
    changed(cell, -1); // the buttons change with the busy state
    if (m_statusObserver) {
        m_statusObserver(*cell);
    }
}

void cKivDownRows::SetRowIcon(cKivDownListCell* cell, const QString& iconPath) {
    if (!cell) {
        return;
    }
    if (LoadSkinFile(cell->icon, iconPath)) {
        PremultiplyTruncating(cell->icon);
    }
    changed(cell, -1);
}

void cKivDownRows::SetRowButtonPictures(cKivDownListCell* cell, int button,
                                        const cKivDownListCell::ButtonPictures& pictures) {
    if (!cell || button < 0 || button > 1) {
        return;
    }
    cell->buttonPictures[button] = pictures;
    changed(cell, 3);
}

void cKivDownRows::SetRowButtonEnabled(cKivDownListCell* cell, int button, bool enabled) {
    if (!cell || button < 0 || button > 1) {
        return;
    }
    cell->buttonEnabled[button] = enabled;
    changed(cell, 3);
}

void cKivDownRows::SetRowChecked(cKivDownListCell* cell, bool checked) {
    if (!cell) {
        return;
    }
    cell->checked = checked;
    changed(cell, -1);
}

void cKivDownRows::SetAllChecked(bool checked) {
    for (auto& cell : m_rows) {
        cell->checked = checked;
    }
    emit allRowsChanged();
}

void cKivDownRows::AdvanceAnimation(int frames) {
    for (auto& cell : m_rows) {
        if (cell->busy) {
            cell->animFrame = (cell->animFrame + 1) % frames;
        }
    }
}

cKivDownListCell* cKivDownRows::cellAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[static_cast<std::size_t>(row)].get() : nullptr;
}

cKivDownListCell* cKivDownRows::find(Key key) const {
    for (const auto& cell : m_rows) {
        if (cell->key == key) {
            return cell.get();
        }
    }
    return nullptr;
}

int cKivDownRows::indexOf(const cKivDownListCell* cell) const {
    if (!cell) {
        return -1;
    }
    // Compared by address only: a caller may hold the pointer of a row removed already, and
    // such a pointer must not be read.
    for (int i = 0; i < rowCount(); ++i) {
        if (m_rows[static_cast<std::size_t>(i)].get() == cell) {
            return i;
        }
    }
    return -1;
}

bool cKivDownRows::anyChecked() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const auto& c) { return c->checked; });
}

bool cKivDownRows::allChecked() const {
    return !m_rows.empty() &&
           std::all_of(m_rows.begin(), m_rows.end(), [](const auto& c) { return c->checked; });
}

bool cKivDownRows::anyBusy() const {
    return std::any_of(m_rows.begin(), m_rows.end(), [](const auto& c) { return c->busy; });
}

void cKivDownRows::changed(const cKivDownListCell* cell, int column) {
    const int row = indexOf(cell);
    if (row >= 0) {
        emit rowChanged(row, column);
    }
}
