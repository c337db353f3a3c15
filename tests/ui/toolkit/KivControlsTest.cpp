// The skinned controls with their real pictures: button states and fallbacks, tick box,
// header layout and select-all box, progress bar fill rule, install animation timing rules.
#include "UiTestSupport.h"

#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivResourceCache.h"
#include "ui/toolkit/cKivButtonEx.h"
#include "ui/toolkit/cKivCheckBoxEx.h"
#include "ui/toolkit/cKivHeadCtrlEx.h"
#include "ui/toolkit/cKivInstAnim.h"
#include "ui/toolkit/cKivProgressCtrlEx.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

namespace {

// The picture as the control shows it: on white, 1:1 from the top-left corner.
QImage OnWhite(int id, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    const KivImage* picture = CachedResourcePicture(id);
    DrawImage(painter, *picture, QRect(QPoint(0, 0), picture->size()),
              QRect(QPoint(0, 0), picture->size()));
    return image;
}

bool SameAs(const QImage& shown, const QImage& expected) {
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (!uitest::Near(shown.pixelColor(x, y), expected.pixelColor(x, y), 2)) {
                return false;
            }
        }
    }
    return true;
}

void Enter(QWidget* widget) {
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(widget, &enter);
}

void Leave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

} // namespace

class KivControlsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void buttonShowsItsStatePictures() {
        cKivButtonEx button;
        button.SetPictures(169, 167, 168, 198); // delete: normal, pressed, hover, disabled
        button.resize(button.sizeHint());
        QCOMPARE(button.size(), QSize(62, 21));
        QVERIFY(SameAs(button.grab().toImage(), OnWhite(169, button.size())));
        Enter(&button);
        QVERIFY(SameAs(button.grab().toImage(), OnWhite(168, button.size())));
        Leave(&button);
        button.setDown(true);
        QVERIFY(SameAs(button.grab().toImage(), OnWhite(167, button.size())));
        button.setDown(false);
        button.setEnabled(false);
        QVERIFY(SameAs(button.grab().toImage(), OnWhite(198, button.size())));
    }

    void disabledButtonWithoutDisabledPictureShowsItsNormalPicture() {
        cKivButtonEx button;
        button.SetPictures(175, 173, 174, 0); // open folder has no disabled picture
        button.resize(90, 21);
        button.setEnabled(false);
        QVERIFY(SameAs(button.grab().toImage(), OnWhite(175, button.size())));
    }

    void buttonReportsClicksWithItsUserValue() {
        cKivButtonEx button;
        button.SetPictures(161, 159, 160, 194);
        button.resize(18, 20);
        int code = 0;
        cKivButtonEx* from = nullptr;
        std::intptr_t user = 0;
        button.SetClick(
            [&](int c, cKivButtonEx* b, std::intptr_t u) {
                code = c;
                from = b;
                user = u;
            },
            4711);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(code, 1);
        QCOMPARE(from, &button);
        QCOMPARE(user, std::intptr_t(4711));
    }

    void checkBoxTogglesAndShowsHoverOnlyWhileUnchecked() {
        cKivCheckBoxEx box;
        box.resize(box.sizeHint());
        QCOMPARE(box.size(), QSize(21, 19));
        std::vector<bool> reported;
        box.SetClick(
            [&](bool checked, std::intptr_t user) {
                QCOMPARE(user, std::intptr_t(9));
                reported.push_back(checked);
            },
            9);
        Enter(&box);
        QVERIFY(SameAs(box.grab().toImage(), OnWhite(184, box.size())));
        QTest::mouseClick(&box, Qt::LeftButton);
        QVERIFY(box.checked());
        QVERIFY(SameAs(box.grab().toImage(), OnWhite(183, box.size())));
        QTest::mouseClick(&box, Qt::LeftButton);
        QCOMPARE(reported, (std::vector<bool>{true, false}));
        Leave(&box);
        QVERIFY(SameAs(box.grab().toImage(), OnWhite(182, box.size())));
        box.setChecked(true); // the owner sets the state without a callback
        QCOMPARE(reported.size(), std::size_t(2));
    }

    void headerKeepsAtLeastItsMinimumHeight() {
        cKivHeadCtrlEx header;
        QCOMPARE(header.applyMinimumHeight(30), 35);
        QCOMPARE(header.applyMinimumHeight(40), 40);
        QCOMPARE(header.applyMinimumHeight(36), 40); // 40 became the minimum
        QVERIFY(header.sizeHint().height() >= 40);
    }

    void headerShowsTheSelectAllBoxInItsFirstItem() {
        QTreeView list;
        QStandardItemModel model(0, 3);
        model.setHorizontalHeaderLabels(
            {QStringLiteral("名称/类型"), QStringLiteral("大小"), QStringLiteral("进度")});
        list.setModel(&model);
        cKivHeadCtrlEx* header = cKivHeadCtrlEx::Attach(&list);
        bool reported = false;
        header->SetCallback([&](bool checked, std::intptr_t) { reported = checked; }, 0);
        list.resize(500, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTRY_VERIFY(header->selectAllBox()->isVisible());
        QVERIFY(header->height() >= 35);
        QCOMPARE(header->selectAllBox()->x(), 10);
        QTest::mouseClick(header->selectAllBox(), Qt::LeftButton);
        QVERIFY(reported);
        uitest::SaveScreenshot(&list, QStringLiteral("toolkit-header"));
    }

    void progressFillFollowsThePositionInItsRange() {
        cKivProgressCtrlEx bar;
        bar.LoadPictures();
        bar.resize(139, 8);
        bar.setRange(0, 100);
        bar.setPosition(50);
        QCOMPARE(bar.fillWidth(139), 69); // truncated
        const QColor fill = CachedResourcePicture(166)->image().pixelColor(0, 0);
        const QColor frame = CachedResourcePicture(165)->image().pixelColor(0, 0);
        QImage shown = bar.grab().toImage();
        QCOMPARE(shown.pixelColor(68, 4), fill);
        QCOMPARE(shown.pixelColor(69, 4), frame);
        bar.setPosition(100);
        QCOMPARE(bar.fillWidth(139), 139);
        QCOMPARE(bar.grab().toImage().pixelColor(138, 7), fill);
        bar.setRange(5, 5);
        bar.setPosition(5);
        QCOMPARE(bar.fillWidth(139), 139); // an empty range at its end: full, no division
        bar.setRange(0, 100);
        bar.setPosition(-1);
        QCOMPARE(bar.fillWidth(139), -1);
        bar.setRange(10, 0);
        bar.setPosition(5);
        QCOMPARE(bar.fillWidth(139), -1);
    }

    void progressBelowTheRangeDrawsNothing() {
        QWidget parent;
        parent.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(10, 200, 10));
        parent.setPalette(palette);
        parent.resize(160, 20);
        auto* bar = new cKivProgressCtrlEx(&parent);
        bar->LoadPictures();
        bar->setGeometry(0, 0, 139, 8);
        bar->setRange(0, 100);
        bar->setPosition(-5);
        const QImage shown = parent.grab().toImage();
        QCOMPARE(uitest::CountNear(shown, QRect(0, 0, 139, 8), QColor(10, 200, 10), 1), 139 * 8);
    }

    void installAnimationStartsOnlyWithFramesAndNeverRestarts() {
        cKivInstAnim animation;
        animation.Start();
        QVERIFY(!animation.isRunning()); // no frames
        animation.AddFrame(999);         // missing: not added
        QCOMPARE(animation.frameCount(), 0);
        for (int id : {143, 144, 145, 146, 147, 148, 149, 151, 153, 155, 185, 186, 187, 188, 189,
                       190, 191, 192, 193}) {
            animation.AddFrame(id);
        }
        QCOMPARE(animation.frameCount(), 19);
        QCOMPARE(animation.frameSize(), QSize(139, 5));
        animation.resize(139, 5);
        animation.Start();
        QVERIFY(animation.isRunning());
        QTRY_VERIFY(animation.frameIndex() >= 2);
        const int index = animation.frameIndex();
        animation.Start(); // does not go back to frame 0
        QVERIFY(animation.frameIndex() >= index);
        animation.Stop();
        QVERIFY(!animation.isRunning());
        QCOMPARE(animation.frameIndex(), 0);
        const QImage stopped = animation.grab().toImage();
        QCOMPARE(uitest::CountNear(stopped, stopped.rect(), Qt::white, 0), 139 * 5);
    }
};

QTEST_MAIN(KivControlsTest)
#include "KivControlsTest.moc"
