// The skinned message box: results for OK, cancel, the close caption button and Esc, the
// button layout, and a message wider than the box centred at a negative x.
#include "UiTestSupport.h"

#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Runs ShowMessageBox and, once the box shows, `act` on it; returns the box's result.
int RunBox(const QString& text, bool withCancel, std::function<void(CKivMsgBoxDlg*)> act) {
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY(qobject_cast<CKivMsgBoxDlg*>(QApplication::activeModalWidget()));
        act(qobject_cast<CKivMsgBoxDlg*>(QApplication::activeModalWidget()));
    });
    return ShowMessageBox(text, QStringLiteral("Penlow"), withCancel);
}

} // namespace

class KivMsgBoxTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() { RemoveDialogHook(); }

    void okGivesOneAndEveryOtherWayOutGivesTwo() {
        uitest::TestProgramFolder folder;
        QCOMPARE(
            RunBox(QStringLiteral("确定删除吗？"), true,
                   [](CKivMsgBoxDlg* box) { QTest::mouseClick(box->okButton(), Qt::LeftButton); }),
            1);
        QCOMPARE(RunBox(QStringLiteral("确定删除吗？"), true,
                        [](CKivMsgBoxDlg* box) {
                            QTest::mouseClick(box->cancelButton(), Qt::LeftButton);
                        }),
                 2);
        QCOMPARE(RunBox(QStringLiteral("确定删除吗？"), true,
                        [](CKivMsgBoxDlg* box) { QTest::keyClick(box, Qt::Key_Escape); }),
                 2);
        // The close caption button: the rightmost 40 x 30 of the caption strip.
        QCOMPARE(RunBox(QStringLiteral("确定删除吗？"), true,
                        [](CKivMsgBoxDlg* box) {
                            QTest::mousePress(box, Qt::LeftButton, {}, QPoint(395, 15));
                            QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(395, 15));
                        }),
                 2);
    }

    void layoutWithAndWithoutCancel() {
        uitest::TestProgramFolder folder;
        CKivMsgBoxDlg withCancel(QStringLiteral("下载尚未完成，是否确定要删除？"), QString(), true);
        withCancel.initialise();
        QCOMPARE(withCancel.size(), QSize(414, 188));
        QCOMPARE(withCancel.okButton()->geometry(), QRect(120, 115 + kCaptionHeight, 66, 25));
        QCOMPARE(withCancel.cancelButton()->geometry(), QRect(220, 115 + kCaptionHeight, 66, 25));
        QVERIFY(!withCancel.cancelButton()->isHidden());
        withCancel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&withCancel));
        uitest::SaveScreenshot(&withCancel, QStringLiteral("message-box"));

        CKivMsgBoxDlg okOnly(QStringLiteral("对不起,初始化失败!"), QString(), false);
        okOnly.initialise();
        QCOMPARE(okOnly.okButton()->geometry(), QRect(170, 115 + kCaptionHeight, 66, 25));
        QVERIFY(okOnly.cancelButton()->isHidden());
    }

    void longMessageIsCentredAtANegativeXOnOneLine() {
        uitest::TestProgramFolder folder;
        const QString text = QString(QStringLiteral("很长的消息")).repeated(12);
        CKivMsgBoxDlg box(text, QString(), false);
        box.initialise();
        QLabel* label = box.messageLabel();
        const QFontMetrics metrics(label->font());
        const int width = metrics.horizontalAdvance(text);
        QVERIFY(width > 414);
        QCOMPARE(label->geometry(),
                 QRect((410 - width) / 2, (120 - metrics.height()) / 2 + kCaptionHeight, width,
                       metrics.height()));
        QVERIFY(label->x() < 0);
        QVERIFY(!label->wordWrap());
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        uitest::SaveScreenshot(&box, QStringLiteral("message-box-long"));
    }
};

QTEST_MAIN(KivMsgBoxTest)
#include "KivMsgBoxTest.moc"
