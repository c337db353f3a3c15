// cKivHeadCtrlEx: the header of a report list, drawn flat with cell borders, at least 35
// pixels high, with a select-all tick box in its first item.
#pragma once

#include <QHeaderView>

#include <cstdint>
#include <functional>

class cKivCheckBoxEx;
class QTableView;
class QTreeView;

class cKivHeadCtrlEx : public QHeaderView {
    Q_OBJECT
public:
    /// (new state of the select-all box, user value)
    using Callback = std::function<void(bool checked, std::intptr_t user)>;
    static constexpr int kMinimumHeight = 35;

    explicit cKivHeadCtrlEx(QWidget* parent = nullptr);

    /// Replaces the list's header with a new cKivHeadCtrlEx and returns it.
    static cKivHeadCtrlEx* Attach(QTreeView* list);
    static cKivHeadCtrlEx* Attach(QTableView* list);

    void SetCallback(Callback callback, std::intptr_t user);
    cKivCheckBoxEx* selectAllBox() const { return m_selectAll; }

    /// The layout rule: the height the header takes for a computed height. It never goes
    /// below the minimum; a larger computed height becomes the new minimum.
    int applyMinimumHeight(int computed);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    cKivCheckBoxEx* m_selectAll;
    Callback m_callback;
    std::intptr_t m_user = 0;
    int m_minimumHeight = kMinimumHeight;
};
