// The login dialog against the devservices login endpoint: the remembered account, Tab
// order, a successful login that remembers or forgets the account, and a failed one that
// shows the message and leaves the dialog usable; with the spinner while the worker runs.
#include "ShellTestSupport.h"
#include "UiTestSupport.h"

#include "ServerProcess.h"
#include "TestEnvironment.h"

#include "app/shell/CKivLoginDlg.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivFolderAnimation.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"
#include "webservices/AccountLogin.h"
#include "webservices/WebServiceEndpoint.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <memory>

using shelltest::WhenShown;

namespace {

const char* const kAccounts = R"json({"accounts": [
  {"user": "alice", "password": "secret", "uid": "1001", "name": "Alice"}
]})json";

std::string Config(const std::string& user) {
    return "[Application]\nappname=Penlow\n\n[User]\n" + user;
}

} // namespace

class LoginDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
        m_dir = std::make_unique<testsupport::TempDir>();
        testsupport::WriteFile(m_dir->file("accounts.json"), kAccounts);
        m_server = std::make_unique<testsupport::ServerProcess>(
            std::vector<std::string>{"--login-accounts", m_dir->file("accounts.json")});
        QVERIFY2(m_server->ready(), m_server->startOutput().c_str());
        m_port = std::make_unique<testsupport::ScopedEnv>(webservices::kLoginPortVariable,
                                                          std::to_string(m_server->port("login")));
    }
    void cleanupTestCase() {
        m_port.reset();
        m_server.reset();
        RemoveDialogHook();
    }

    void labelsShowTextNeverMarkup() {
        uitest::TestProgramFolder folder(Config(""));
        CKivLoginDlg dialog(webservices::LoginEntry);
        dialog.initialise();
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QVERIFY(!labels.isEmpty());
        for (QLabel* label : labels) {
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->text()));
        }
    }

    void rememberedAccountIsFilledOnlyWhenBothValuesExist() {
        {
            uitest::TestProgramFolder folder(Config("name=alice\nword=secret\n"));
            CKivLoginDlg dialog(webservices::LoginEntry);
            dialog.initialise();
            QVERIFY(dialog.rememberBox()->isChecked());
            QCOMPARE(dialog.accountEdit()->text(), QStringLiteral("alice"));
            QCOMPARE(dialog.passwordEdit()->text(), QStringLiteral("secret"));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("Penlow"));
        }
        {
            uitest::TestProgramFolder folder(Config("name=alice\nword=\n"));
            CKivLoginDlg dialog(webservices::LoginEntry);
            dialog.initialise();
            QVERIFY(!dialog.rememberBox()->isChecked());
            QVERIFY(dialog.accountEdit()->text().isEmpty());
            QVERIFY(dialog.passwordEdit()->text().isEmpty());
        }
        {
            uitest::TestProgramFolder folder("");
            CKivLoginDlg dialog(webservices::LoginEntry);
            dialog.initialise();
            const std::string text = folder.configText();
            for (const char* key : {"appname=\n", "name=\n", "word=\n"}) {
                QVERIFY2(text.find(key) != std::string::npos, text.c_str()); // written back empty
            }
        }
    }

    void tabCyclesOkAccountPasswordRemember() {
        uitest::TestProgramFolder folder(Config(""));
        CKivLoginDlg dialog(webservices::LoginEntry);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        QTRY_COMPARE(QApplication::focusWidget(), dialog.accountEdit());
        const QWidget* expected[] = {dialog.passwordEdit(), dialog.rememberBox(), dialog.okButton(),
                                     dialog.accountEdit()};
        for (const QWidget* next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        uitest::SaveScreenshot(&dialog, QStringLiteral("login-dialog"));
    }

    void successWithoutRememberForgetsTheAccount() {
        uitest::TestProgramFolder folder(Config("name=old\nword=pass\n"));
        CKivLoginDlg dialog(webservices::LoginEntry);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.accountEdit()->setText(QStringLiteral("alice"));
        dialog.passwordEdit()->setText(QStringLiteral("secret"));
        dialog.rememberBox()->setChecked(false);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QVERIFY(!dialog.isEnabled());
        QVERIFY(dialog.okButton()->isHidden());
        QVERIFY(dialog.spinner() && dialog.spinner()->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const std::string text = folder.configText();
        QVERIFY2(text.find("name=\n") != std::string::npos, text.c_str());
        QVERIFY2(text.find("word=\n") != std::string::npos, text.c_str());
        QCOMPARE(webservices::CurrentLoginResult().uid, std::string("1001"));
    }

    void successWithRememberKeepsTheAccount() {
        uitest::TestProgramFolder folder(Config(""));
        CKivLoginDlg dialog(webservices::LoginEntry);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.accountEdit()->setText(QStringLiteral("alice"));
        dialog.passwordEdit()->setText(QStringLiteral("secret"));
        dialog.rememberBox()->setChecked(true);
        QTest::keyClick(dialog.passwordEdit(), Qt::Key_Return); // Enter logs in too
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 10000);
        const std::string text = folder.configText();
        QVERIFY2(text.find("name=alice\n") != std::string::npos, text.c_str());
        QVERIFY2(text.find("word=secret\n") != std::string::npos, text.c_str());
    }

    void failureShowsTheMessageAndTheDialogStaysUsable() {
        uitest::TestProgramFolder folder(Config("name=alice\nword=secret\n"));
        CKivLoginDlg dialog(webservices::LoginEntry);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.passwordEdit()->setText(QStringLiteral("wrong"));
        QString shownText;
        WhenShown<CKivMsgBoxDlg>([&](CKivMsgBoxDlg* box) {
            shownText = box->messageLabel()->text();
            QVERIFY(box->windowTitle().isEmpty());
            QVERIFY(box->cancelButton()->isHidden());
            uitest::SaveScreenshot(box, QStringLiteral("login-failed-message"));
            box->accept();
        });
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!shownText.isEmpty(), 10000);
        QCOMPARE(shownText, QString::fromUtf8(CKivLoginDlg::kFailureText));
        QTRY_VERIFY(dialog.isEnabled());
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.okButton()->isHidden());
        QVERIFY(!dialog.isLoggingIn());
        QVERIFY(!dialog.spinner());
        QVERIFY(folder.configText().find("word=secret") != std::string::npos); // untouched
    }

    void unreachableServerFailsLikeAWrongPassword() {
        uitest::TestProgramFolder folder(Config(""));
        testsupport::ScopedEnv deadPort(webservices::kLoginPortVariable, "1");
        CKivLoginDlg dialog(webservices::LoginEntry);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QString shownText;
        WhenShown<CKivMsgBoxDlg>([&](CKivMsgBoxDlg* box) {
            shownText = box->messageLabel()->text();
            box->accept();
        });
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!shownText.isEmpty(), 10000);
        QCOMPARE(shownText, QString::fromUtf8(CKivLoginDlg::kFailureText));
    }

    void spinnerTakesThePlaceOfTheOkButton() {
        uitest::TestProgramFolder folder(Config(""));
        std::atomic<bool> release{false};
        CKivLoginDlg dialog([&release](const std::string&, const std::string&, std::string&) {
            while (!release) {
                QThread::msleep(5);
            }
            return false;
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.spinner()->rect(), QRect(170, 140 + kCaptionHeight, 40, 40));
        QTRY_VERIFY(dialog.spinner()->framesShownForTesting() >= 2);
        uitest::SaveScreenshot(&dialog, QStringLiteral("login-dialog-busy"));
        WhenShown<CKivMsgBoxDlg>([](CKivMsgBoxDlg* box) { box->accept(); });
        release = true;
        QTRY_VERIFY(dialog.isEnabled());
    }

private:
    std::unique_ptr<testsupport::TempDir> m_dir;
    std::unique_ptr<testsupport::ServerProcess> m_server;
    std::unique_ptr<testsupport::ScopedEnv> m_port;
};

QTEST_MAIN(LoginDialogTest)
#include "LoginDialogTest.moc"
