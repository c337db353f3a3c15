// The window-skin table and its machinery: the caption-button hit rules, the dialog hook,
// frame/button/picture painting from the generated skins, and the table's limits.
#include "UiTestSupport.h"

#include "ui/toolkit/KivCaptionButtons.h"
#include "ui/toolkit/KivDialog.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

using State = KivCaptionState;
const std::vector<KivCaptionSlot> kMainButtons = {{KivCaptionButton::Close, {40, 30}},
                                                  {KivCaptionButton::Minimise, {40, 30}},
                                                  {KivCaptionButton::Custom1, {40, 30}},
                                                  {KivCaptionButton::Custom2, {40, 30}}};

KivCaptionPassResult Pass(KivCaptionEvent e, QPoint p, KivCaptionTracking& t,
                          const std::vector<KivCaptionSlot>& buttons = kMainButtons) {
    return RunCaptionPass(e, p, 30, 980, buttons, t);
}

int Close() {
    return static_cast<int>(KivCaptionButton::Close);
}

class CountingFilter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

QImage SkinPicture(int number) {
    KivImage image;
    LoadSkin(image, number);
    return image.image();
}

} // namespace

class KivSkinTableTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() { RemoveDialogHook(); }

    void captionButtonsSitRightToLeftInOrder() {
        KivCaptionTracking t;
        const KivCaptionPassResult r = Pass(KivCaptionEvent::Other, {-1, -1}, t);
        QCOMPARE(r.rects[Close()], QRect(940, 0, 40, 30));
        QCOMPARE(r.rects[int(KivCaptionButton::Minimise)], QRect(900, 0, 40, 30));
        QCOMPARE(r.rects[int(KivCaptionButton::Custom1)], QRect(860, 0, 40, 30));
        QCOMPARE(r.rects[int(KivCaptionButton::Custom2)], QRect(820, 0, 40, 30));
        // A smaller picture is centred vertically.
        const KivCaptionPassResult small =
            Pass(KivCaptionEvent::Other, {-1, -1}, t, {{KivCaptionButton::Close, {20, 20}}});
        QCOMPARE(small.rects[Close()], QRect(955, 5, 20, 20));
    }

    void pressLeaveReleaseDoesNotClickButReturnReleaseDoes() {
        KivCaptionTracking t;
        KivCaptionPassResult r = Pass(KivCaptionEvent::Down, {960, 15}, t);
        QCOMPARE(r.states[Close()], State::Pressed);
        QVERIFY(r.handled);
        r = Pass(KivCaptionEvent::Move, {500, 15}, t); // off the button, still held
        QCOMPARE(r.states[Close()], State::Normal);
        r = Pass(KivCaptionEvent::Move, {950, 10}, t); // back onto it
        QCOMPARE(r.states[Close()], State::Pressed);
        r = Pass(KivCaptionEvent::Up, {950, 10}, t);
        QCOMPARE(r.clicked, Close());
        QCOMPARE(r.states[Close()], State::Clicked);

        Pass(KivCaptionEvent::Down, {960, 15}, t);
        Pass(KivCaptionEvent::Move, {500, 15}, t);
        r = Pass(KivCaptionEvent::Up, {500, 15}, t);
        QCOMPARE(r.clicked, -1);
        // The press has ended: hovering and releasing over the button later clicks nothing.
        r = Pass(KivCaptionEvent::Move, {960, 15}, t);
        QCOMPARE(r.states[Close()], State::Hover);
        QCOMPARE(Pass(KivCaptionEvent::Up, {960, 15}, t).clicked, -1);
    }

    void releaseOnAnotherButtonClicksNeither() {
        KivCaptionTracking t;
        Pass(KivCaptionEvent::Down, {960, 15}, t);
        const KivCaptionPassResult r = Pass(KivCaptionEvent::Up, {920, 15}, t);
        QCOMPARE(r.clicked, -1);
        QCOMPARE(r.states[int(KivCaptionButton::Minimise)], State::Hover);
    }

    void gapsSwallowClicksAndTheRestOfTheCaptionDoesNot() {
        KivCaptionTracking t;
        const std::vector<KivCaptionSlot> uneven = {{KivCaptionButton::Close, {30, 30}},
                                                    {KivCaptionButton::Minimise, {20, 20}}};
        // Close: x 950..980; minimise: margin 5, x 925..945: the gap is 946..949.
        KivCaptionPassResult r = Pass(KivCaptionEvent::Down, {947, 15}, t, uneven);
        QVERIFY(r.handled);
        QCOMPARE(r.states[Close()], State::Normal);
        QCOMPARE(r.states[int(KivCaptionButton::Minimise)], State::Normal);
        r = Pass(KivCaptionEvent::Down, {400, 15}, t, uneven);
        QVERIFY(!r.handled); // the empty caption: the window may be dragged from here
        QCOMPARE(Pass(KivCaptionEvent::Up, {947, 15}, t, uneven).clicked, -1);
    }

    void leaveEndsHoverAndPress() {
        KivCaptionTracking t;
        Pass(KivCaptionEvent::Down, {960, 15}, t);
        const KivCaptionPassResult r = Pass(KivCaptionEvent::Leave, {-1, -1}, t);
        QCOMPARE(r.states[Close()], State::Normal);
        QVERIFY(!t.pressed);
        QCOMPARE(Pass(KivCaptionEvent::Up, {960, 15}, t).clicked, -1);
    }

    void hookEntersDialogsOnTheirFirstEventOnly() {
        QDialog dialog;
        QWidget plain;
        dialog.ensurePolished();
        plain.ensurePolished();
        QVERIFY(KivSkinTable::instance().find(&dialog));
        QVERIFY(!KivSkinTable::instance().find(&plain));
    }

    void dialogWithoutSkinDrawsAsWithoutTheHook() {
        auto render = [] {
            QDialog dialog;
            dialog.resize(160, 80);
            auto* label = new QLabel(QStringLiteral("Text 文字"), &dialog);
            label->move(10, 10);
            auto* button = new QPushButton(QStringLiteral("OK"), &dialog);
            button->move(10, 40);
            return dialog.grab().toImage();
        };
        const QImage hooked = render();
        RemoveDialogHook();
        const QImage plain = render();
        InstallDialogHook();
        QCOMPARE(hooked, plain);
    }

    void frameSkinCopiesItsBackgroundAndDrawsCaptionButtons() {
        uitest::TestProgramFolder folder;
        KivDialog dialog(nullptr, KivDialog::Frame::Dialog);
        dialog.initialise();
        dialog.setFixedSize(416, 264);
        QVERIFY(AttachFrameSkin(&dialog, MakeFrameSkin(0, 40)));
        const QImage shown = dialog.grab().toImage();
        const QImage background = SkinPicture(0);
        for (QPoint p : {QPoint(5, 5), QPoint(200, 100), QPoint(100, 240), QPoint(20, 15)}) {
            QCOMPARE(shown.pixelColor(p), background.pixelColor(p));
        }
        // The close button's normal picture covers (376, 0)-(415, 29); its icon is darker.
        QVERIFY(uitest::CountNear(shown, QRect(376, 0, 40, 30), QColor(0x5F, 0x67, 0x73), 40) > 10);
        uitest::SaveScreenshot(&dialog, QStringLiteral("toolkit-frame-skin"));
    }

    void closeCaptionButtonClosesTheDialogAfterARealClick() {
        uitest::TestProgramFolder folder;
        KivDialog dialog(nullptr, KivDialog::Frame::Dialog);
        dialog.setFixedSize(416, 264);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(AttachFrameSkin(&dialog, MakeFrameSkin(0, 40)));
        QTest::mouseMove(&dialog, QPoint(395, 15));
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(395, 15));
        QVERIFY(dialog.grab().toImage().pixelColor(405, 5) != SkinPicture(0).pixelColor(405, 5));
        QTest::mouseMove(&dialog, QPoint(100, 15));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(100, 15));
        QTest::qWait(20);
        QVERIFY(dialog.isVisible());
        QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(395, 15));
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(395, 15));
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void buttonSkinDrawsStatesAndTextWithOneRepaint() {
        uitest::TestProgramFolder folder;
        QWidget parent;
        parent.resize(200, 100);
        auto* button = new QPushButton(QStringLiteral("7"), &parent);
        button->setGeometry(0, 0, 169, 63);
        auto skin = MakeButtonSkin(1070, 1071, 1070, 1072);
        skin->drawText = true;
        skin->textColors = {Qt::white, Qt::white, Qt::white, Qt::white};
        skin->textRect = QRect(0, 0, 120, 20);
        QVERIFY(AttachButtonSkin(button, skin));
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));
        const QImage normal = button->grab().toImage();
        QCOMPARE(normal.pixelColor(5, 40), SkinPicture(1070).pixelColor(5, 40));
        QVERIFY(uitest::CountNear(normal, QRect(50, 2, 20, 16), Qt::white, 30) > 6); // the "7"
        button->setEnabled(false);
        QCOMPARE(button->grab().toImage().pixelColor(60, 32), SkinPicture(1072).pixelColor(60, 32));
        button->setEnabled(true);

        CountingFilter counter;
        button->installEventFilter(&counter);
        QCoreApplication::processEvents();
        counter.paints = 0;
        SetSkinnedButtonText(button, QStringLiteral("12"));
        QTRY_COMPARE(counter.paints, 1);
        QTest::qWait(30);
        QCOMPARE(counter.paints, 1);
        QCOMPARE(button->text(), QStringLiteral("12"));
    }

    void pictureSkinStretchesItsPictureAndHidesTheText() {
        uitest::TestProgramFolder folder;
        QLabel label(QStringLiteral("连接图标"));
        label.resize(240, 54); // twice 0091's size
        QVERIFY(AttachPictureSkin(&label, MakePictureSkin(91)));
        const QImage shown = label.grab().toImage();
        const QImage picture = SkinPicture(91);
        QVERIFY(uitest::Near(shown.pixelColor(171, 45), picture.pixelColor(85, 22), 12));
        QVERIFY(AttachPictureSkin(&label, std::make_shared<KivImage>())); // replaced: empty
        QCOMPARE(KivSkinTable::instance().find(&label)->kind, KivSkinKind::Picture);
    }

    void tableHoldsFourHundredWindowsAndFreesThemWithTheirWindows() {
        const int before = KivSkinTable::instance().count();
        auto skin = std::make_shared<KivButtonSkin>();
        std::vector<std::unique_ptr<QPushButton>> buttons;
        while (KivSkinTable::instance().count() < KivSkinTable::kSlots) {
            buttons.push_back(std::make_unique<QPushButton>());
            QVERIFY(AttachButtonSkin(buttons.back().get(), skin));
        }
        QPushButton extra(QStringLiteral("plain"));
        QVERIFY(!AttachButtonSkin(&extra, skin));
        QVERIFY(!KivSkinTable::instance().find(&extra));
        buttons.pop_back();
        QCOMPARE(KivSkinTable::instance().count(), KivSkinTable::kSlots - 1);
        QVERIFY(AttachButtonSkin(&extra, skin));
        buttons.clear();
        QCOMPARE(KivSkinTable::instance().count(), before + 1);
    }

    void attachFrameSkinLeavesUnknownWindowsAlone() {
        QWidget notADialog;
        QVERIFY(!AttachFrameSkin(&notADialog, std::make_shared<KivFrameSkin>()));
        QVERIFY(!KivSkinTable::instance().find(&notADialog));
    }
};

QTEST_MAIN(KivSkinTableTest)
#include "KivSkinTableTest.moc"
