// CKivMsgBoxDlg and ShowMessageBox: the program's skinned message box, used everywhere for
// confirmations and errors.
#pragma once

#include "KivDialog.h"

#include <QString>

class QLabel;
class QPushButton;

class CKivMsgBoxDlg : public KivDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 414;
    static constexpr int kHeight = 188;

    CKivMsgBoxDlg(const QString& text, const QString& title, bool withCancel,
                  QWidget* parent = nullptr);

    QLabel* messageLabel() const { return m_message; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void onInitDialog() override;

private:
    QString m_text;
    bool m_withCancel;
    QLabel* m_message;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

/// Runs the message box modally on the UI thread: 1 when the user pressed OK, 2 for cancel,
/// the close caption button or Esc. `parent` (default: the active window) centres the box.
int ShowMessageBox(const QString& text, const QString& title, bool withCancel,
                   QWidget* parent = nullptr);
