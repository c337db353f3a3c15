#include "cKivHeadCtrlEx.h"

#include "KivFonts.h"
#include "cKivCheckBoxEx.h"

#include <QPainter>
#include <QTableView>
#include <QTreeView>

namespace {
const QColor kBackground(249, 249, 249);
const QColor kBorder(207, 207, 207);
} // namespace

cKivHeadCtrlEx::cKivHeadCtrlEx(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_selectAll(new cKivCheckBoxEx(this)) {
    setFont(KivFont("微软雅黑", 18, 400));
    m_selectAll->setGeometry(0, 0, 10, 10);
    m_selectAll->SetBackground(kBackground);
    m_selectAll->hide();
    m_selectAll->SetClick(
        [this](bool checked, std::intptr_t) {
            if (m_callback) {
                m_callback(checked, m_user);
            }
        },
        0);
}

cKivHeadCtrlEx* cKivHeadCtrlEx::Attach(QTreeView* list) {
    auto* header = new cKivHeadCtrlEx(list);
    list->setHeader(header);
    return header;
}

cKivHeadCtrlEx* cKivHeadCtrlEx::Attach(QTableView* list) {
    auto* header = new cKivHeadCtrlEx(list);
    list->setHorizontalHeader(header);
    return header;
}

void cKivHeadCtrlEx::SetCallback(Callback callback, std::intptr_t user) {
    m_callback = std::move(callback);
    m_user = user;
}

int cKivHeadCtrlEx::applyMinimumHeight(int computed) {
    if (computed > m_minimumHeight) {
        m_minimumHeight = computed;
    }
    return m_minimumHeight;
}

QSize cKivHeadCtrlEx::sizeHint() const {
    QSize size = QHeaderView::sizeHint();
    size.setHeight(const_cast<cKivHeadCtrlEx*>(this)->applyMinimumHeight(size.height()));
    return size;
}

void cKivHeadCtrlEx::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    painter->fillRect(rect, kBackground);
    painter->setPen(kBorder);
    painter->drawLine(rect.topLeft(), rect.topRight());
    const int visual = visualIndex(logicalIndex);
    if (visual > 0) {
        painter->drawLine(rect.topLeft(), rect.bottomLeft());
    }
    painter->drawLine(rect.left(), rect.bottom() - 1, rect.right(), rect.bottom() - 1);
    if (visual == 0) {
        const QSize box = m_selectAll->sizeHint();
        m_selectAll->setGeometry(rect.left() + 10, rect.top() + (rect.height() - box.height()) / 2,
                                 box.width(), box.height());
        if (m_selectAll->isHidden()) {
            m_selectAll->show();
        }
    }
    const QString text =
        model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
    painter->setFont(font());
    painter->setPen(Qt::black);
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text.left(255));
    painter->restore();
}
