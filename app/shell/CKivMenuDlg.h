// CKivMenuDlg: the drop-down menu under the main window's menu caption button (116 x 120):
// change log, website, about, help. It closes when the user clicks elsewhere or it loses
// activation, and after any item.
#pragma once

#include "ui/toolkit/KivDialog.h"

#include <array>

class QPushButton;

class CKivMenuDlg : public KivDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 116;
    static constexpr int kHeight = 120;
    enum Item { kChangeLog = 0, kWebsite, kAbout, kHelp, kPrivacy, kItemCount };

    /// The menu, to be shown with its top-left corner at `position` (screen coordinates).
    CKivMenuDlg(QPoint position, QWidget* parent);

    QPushButton* item(Item which) const { return m_items[which]; }

protected:
    void onInitDialog() override;
    bool event(QEvent* event) override;

private:
    void choose(Item which);

    QPoint m_position;
    std::array<QPushButton*, kItemCount> m_items{};
};

/// Opens the menu modally under the right end of `mainWindow`'s caption.
void OpenDropDownMenu(QWidget* mainWindow);
