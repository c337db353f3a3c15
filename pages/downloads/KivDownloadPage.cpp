#include "KivDownloadPage.h"

#include "platform/DebugLog.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivWindows.h"
#include "ui/toolkit/cKivButtonEx.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>

#include <mutex>

namespace {

std::mutex g_confirmMutex;
KivDownloadPage::ConfirmFunction g_confirm; // guarded by g_confirmMutex

constexpr int kStripHeight = 38;
constexpr int kButtonGap = 20;
constexpr int kRightMargin = 50;

} // namespace

KivDownloadPage::KivDownloadPage(QWidget* parent, bool runningList)
    : KivDialog(parent, Frame::Child), m_runningList(runningList) {
    setDragByEmptySpots(true);
}

void KivDownloadPage::SetConfirmFunctionForTesting(ConfirmFunction confirm) {
    std::lock_guard lock(g_confirmMutex);
    g_confirm = std::move(confirm);
}

bool KivDownloadPage::Confirm(const QString& question) {
    ConfirmFunction confirm;
    {
        std::lock_guard lock(g_confirmMutex);
        confirm = g_confirm;
    }
    if (confirm) {
        return confirm(question);
    }
    return ShowMessageBox(question, ApplicationName(), true) == 1;
}

void KivDownloadPage::showInitFailure() {
    platform::DebugOutput("KivDownloadPage: a page worker could not be started");
    QTimer::singleShot(0, this, [] {
        ShowMessageBox(QStringLiteral("对不起,初始化失败!"), ApplicationName(), false);
    });
}

void KivDownloadPage::createControls(const std::array<std::array<int, 4>, 3>& pictures) {
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        auto* button = new cKivButtonEx(this);
        const auto& p = pictures[i];
        button->SetPictures(p[0], p[2], p[1], p[3]);
        button->resize(button->sizeHint());
        m_buttons[i] = button;
    }
    m_rows = new cKivDownRows(m_runningList);
    m_list = new cKivDownList(*m_rows, this);
    // The list's child: the rows go after the list that reads them, never before.
    m_rows->setParent(m_list);
    connect(m_list, &cKivDownList::rowClicked, this, [this](int row) {
        if (!QGuiApplication::keyboardModifiers().testFlag(Qt::ControlModifier)) {
            for (int i = 0; i < m_rows->rowCount(); ++i) {
                cKivDownListCell* cell = m_rows->cellAt(i);
                if (cell->checked != (i == row)) {
                    m_rows->SetRowChecked(cell, i == row);
                }
            }
            m_list->setSelectAllChecked(false);
        }
        onRowClicked(row);
        followTicks();
    });
    connect(m_list, &cKivDownList::selectAllClicked, this, [this](bool checked) {
        if (!pageBusy()) {
            setTickButtonsEnabled(checked && m_rows->rowCount() > 0);
        }
    });
    connect(m_list, &cKivDownList::rowTickClicked, this, [this](quint64 key, bool checked) {
        m_list->setSelectAllChecked(checked && m_rows->allChecked());
        if (cKivDownListCell* cell = m_rows->find(key)) {
            onRowTicked(cell);
        }
        followTicks();
    });
    connect(m_list, &cKivDownList::rowButtonClicked, this, [this](quint64 key, int button) {
        if (cKivDownListCell* cell = m_rows->find(key)) {
            onRowButton(cell, button);
        }
    });
    layoutControls();
}

void KivDownloadPage::setTickButtonsEnabled(bool enabled) {
    for (int i = 0; i < tickButtonCount(); ++i) {
        m_buttons[static_cast<std::size_t>(i)]->setEnabled(enabled);
    }
}

void KivDownloadPage::followTicks() {
    if (!pageBusy()) {
        setTickButtonsEnabled(m_rows->anyChecked());
    }
}

void KivDownloadPage::resizeEvent(QResizeEvent* event) {
    KivDialog::resizeEvent(event);
    layoutControls();
}

void KivDownloadPage::layoutControls() {
    if (!m_list) {
        return;
    }
    int total = 0;
    int height = 0;
    for (cKivButtonEx* button : m_buttons) {
        total += button->width();
        height = std::max(height, button->height());
    }
    const int top = (kStripHeight - height) / 2;
    int left = width() - total - kRightMargin;
    for (cKivButtonEx* button : m_buttons) {
        button->move(left, top);
        left += button->width() + kButtonGap;
    }
    m_list->setGeometry(0, height + 2 * top, width(),
                        std::max(0, this->height() - height - 2 * top));
}

void KivDownloadPage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(QRect(0, 0, width(), 2), QColor(0xC8, 0xC8, 0xC8));
}
