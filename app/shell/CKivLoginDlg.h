// CKivLoginDlg: the login dialog of start-up. The account is checked on a worker thread
// while the dialog shows a spinner in place of its OK button; success ends the dialog with
// OK, failure shows "帐户密码错误,请正确输入~" and leaves the dialog usable.
#pragma once

#include "ui/toolkit/KivDialog.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

class KivFolderAnimation;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CKivLoginDlg : public KivDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 230;
    /// The spinner's place (client coordinates): where the OK button is.
    static constexpr QRect kSpinnerRect{170, 140, 40, 40};
    static constexpr const char* kFailureText = "帐户密码错误,请正确输入~";

    /// Logs in (blocking, on the worker): true when logged in, with the server's message.
    using LoginFunction = std::function<bool(const std::string& account,
                                             const std::string& password, std::string& message)>;

    explicit CKivLoginDlg(LoginFunction login, QWidget* parent = nullptr);
    ~CKivLoginDlg() override;

    QLineEdit* accountEdit() const { return m_account; }
    QLineEdit* passwordEdit() const { return m_password; }
    QCheckBox* rememberBox() const { return m_remember; }
    QPushButton* okButton() const { return m_ok; }
    bool isLoggingIn() const { return m_worker.joinable(); }
    const KivFolderAnimation* spinner() const { return m_spinner.get(); }

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;

private:
    void startLogin();
    void finishLogin();
    KivResult onLoginSucceeded(KivWParam wParam, KivLParam lParam);
    KivResult onLoginFailed(KivWParam wParam, KivLParam lParam);

    LoginFunction m_login;
    QLabel* m_accountLabel;
    QLineEdit* m_account;
    QLabel* m_passwordLabel;
    QLineEdit* m_password;
    QCheckBox* m_remember;
    QPushButton* m_ok;
    std::unique_ptr<KivFolderAnimation> m_spinner;
    std::jthread m_worker; // the login thread; it only posts back to this dialog

    static const KivMessageEntry<CKivLoginDlg> kMessageMap[];
};
