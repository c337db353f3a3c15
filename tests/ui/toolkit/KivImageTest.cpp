// Skin pictures: decoding by content, the two premultiplication rules, the drawing
// primitives, the 100-entry resource cache and the folder animation.
#include "UiTestSupport.h"

#include "ui/toolkit/KivFolderAnimation.h"
#include "ui/toolkit/KivImage.h"
#include "ui/toolkit/KivResourceCache.h"

#include <QBuffer>
#include <QPainter>
#include <QWidget>
#include <QtTest>

namespace {

QByteArray Encode(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage Solid(QSize size, QColor color, QImage::Format format = QImage::Format_ARGB32) {
    QImage image(size, format);
    image.fill(color);
    return image;
}

KivImage OnePixel(QRgb straight) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, straight);
    KivImage picture;
    picture.setImage(image);
    return picture;
}

class GreyWidget : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(128, 128, 128));
    }
};

} // namespace

class KivImageTest : public QObject {
    Q_OBJECT
private slots:
    void skinFileFormatComesFromTheContent_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<bool>("alpha");
        const QImage picture = Solid(QSize(7, 5), QColor(10, 20, 30, 128));
        QTest::newRow("png") << Encode(picture, "png") << true << true;
        QTest::newRow("bmp") << Encode(picture.convertToFormat(QImage::Format_RGB32), "bmp") << true
                             << false;
        QTest::newRow("jpeg") << Encode(picture.convertToFormat(QImage::Format_RGB32), "jpg")
                              << true << false;
        QTest::newRow("garbage") << QByteArray("not a picture at all") << false << false;
        QTest::newRow("empty") << QByteArray() << false << false;
    }
    void skinFileFormatComesFromTheContent() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, loads);
        QFETCH(bool, alpha);
        testsupport::TempDir dir;
        const std::string path = dir.file("0123.arg");
        testsupport::WriteFile(path, bytes.toStdString());
        KivImage image;
        image.setImage(Solid(QSize(3, 3), Qt::red)); // a previous picture is replaced
        QCOMPARE(LoadSkinFile(image, QString::fromStdString(path)), loads);
        QCOMPARE(image.isNull(), !loads);
        if (loads) {
            QCOMPARE(image.size(), QSize(7, 5));
            QCOMPARE(image.hasAlpha(), alpha);
            QCOMPARE(image.bitsPerPixel(), alpha ? 32 : 24);
        }
    }

    void missingSkinFileLeavesTheImageEmpty() {
        KivImage image;
        QVERIFY(!LoadSkinFile(image, QStringLiteral("/nonexistent/9999.arg")));
        QVERIFY(image.isNull());
    }

    void premultiplicationRules_data() {
        QTest::addColumn<QRgb>("straight");
        QTest::addColumn<QRgb>("rounded");
        QTest::addColumn<QRgb>("truncated");
        QTest::newRow("half") << qRgba(255, 3, 200, 128) << qRgba(128, 2, 100, 128)
                              << qRgba(128, 1, 100, 128);
        QTest::newRow("opaque") << qRgba(17, 99, 254, 255) << qRgba(17, 99, 254, 255)
                                << qRgba(17, 99, 254, 255);
        QTest::newRow("clear") << qRgba(255, 255, 255, 0) << qRgba(0, 0, 0, 0) << qRgba(0, 0, 0, 0);
        QTest::newRow("faint") << qRgba(254, 128, 1, 1) << qRgba(1, 1, 0, 1) << qRgba(0, 0, 0, 1);
    }
    void premultiplicationRules() {
        QFETCH(QRgb, straight);
        QFETCH(QRgb, rounded);
        QFETCH(QRgb, truncated);
        KivImage a = OnePixel(straight);
        Premultiply(a);
        QCOMPARE(a.image().pixel(0, 0), rounded);
        QCOMPARE(a.image().format(), QImage::Format_ARGB32_Premultiplied);
        KivImage b = OnePixel(straight);
        PremultiplyTruncating(b);
        QCOMPARE(b.image().pixel(0, 0), truncated);
    }

    void opaquePicturesAreNotPremultiplied() {
        KivImage image;
        image.setImage(Solid(QSize(2, 2), QColor(9, 8, 7), QImage::Format_RGB32));
        Premultiply(image);
        QCOMPARE(image.image().format(), QImage::Format_RGB32);
    }

    void drawImageBlendsAlphaPicturesAndCopiesOthers() {
        QImage target = Solid(QSize(8, 8), Qt::white, QImage::Format_RGB32);
        KivImage translucent;
        translucent.setImage(Solid(QSize(2, 2), QColor(255, 0, 0, 128)));
        KivImage opaque;
        opaque.setImage(Solid(QSize(2, 2), QColor(0, 0, 255), QImage::Format_RGB32));
        {
            QPainter painter(&target);
            DrawImageStretched(painter, translucent, QRect(0, 0, 4, 4));
            DrawImage(painter, opaque, QRect(4, 4, 4, 4), QRect(0, 0, 2, 2));
        }
        QVERIFY(uitest::Near(target.pixelColor(1, 1), QColor(255, 127, 127), 3));
        QVERIFY(uitest::Near(target.pixelColor(3, 3), QColor(255, 127, 127), 3)); // stretched
        QCOMPARE(target.pixelColor(7, 7), QColor(0, 0, 255));
        QCOMPARE(target.pixelColor(5, 2), QColor(Qt::white));
    }

    void blitCopiesPixelsWithoutBlendingOrStretching() {
        QImage target = Solid(QSize(6, 6), Qt::white, QImage::Format_ARGB32);
        KivImage clear;
        clear.setImage(Solid(QSize(4, 4), QColor(0, 0, 0, 0)));
        {
            QPainter painter(&target);
            BlitImage(painter, clear, 1, 1, 2, 10);
        }
        QCOMPARE(qAlpha(target.pixel(1, 1)), 0);
        QCOMPARE(qAlpha(target.pixel(2, 4)), 0);
        QCOMPARE(target.pixelColor(3, 1), QColor(Qt::white)); // cropped to width 2
        QCOMPARE(target.pixelColor(2, 5), QColor(Qt::white)); // never stretched
    }

    void cacheSkipsIdZeroAndHoldsAHundredPictures() {
        int loads = 0;
        KivResourceCache cache([&](KivImage& image, const char*, int id) {
            ++loads;
            if (id == 55) {
                return false;
            }
            image.setImage(Solid(QSize(1, 1), QColor(200, 100, 50, 128)));
            return true;
        });
        QVERIFY(cache.picture(0) == nullptr);
        QCOMPARE(cache.size(), 0);
        QCOMPARE(loads, 0);
        QVERIFY(cache.picture(55) == nullptr); // fails to load: no entry
        QCOMPARE(cache.size(), 0);
        const KivImage* first = cache.picture(1);
        QVERIFY(first);
        QCOMPARE(first->image().pixel(0, 0), qRgba(100, 50, 25, 128)); // truncating rule
        for (int id = 2; id <= KivResourceCache::kEntries + 1; ++id) {
            if (id != 55) {
                QVERIFY(cache.picture(id));
            }
        }
        QCOMPARE(cache.size(), 100);
        QCOMPARE(cache.picture(1), first); // a hit loads nothing
        const int before = loads;
        QVERIFY(cache.picture(102) == nullptr); // the 101st distinct id
        QCOMPARE(loads, before);
    }

    void builtInPicturesComeFromTheResources() {
        const KivImage* icon = CachedResourcePicture(142);
        QVERIFY(icon);
        QCOMPARE(icon->size(), QSize(50, 50));
        QCOMPARE(icon->image().format(), QImage::Format_ARGB32_Premultiplied);
        const KivImage* shell = CachedResourcePicture(207, "JPG");
        QVERIFY(shell);
        QCOMPARE(shell->size(), QSize(205, 399));
        QCOMPARE(shell->bitsPerPixel(), 24);
        QVERIFY(CachedResourcePicture(999) == nullptr);
        KivImage direct;
        QVERIFY(!LoadResourcePicture(direct, "PNG", 207));
        QVERIFY(LoadResourcePicture(direct, "PNG", 206));
    }

    void folderAnimationPlaysFramesOnWhiteInItsRectangle() {
        uitest::TestProgramFolder folder;
        GreyWidget window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect rect(20, 10, 80, 80);
        auto animation = StartFolderAnimation(&window, rect, SkinFolderPath(3));
        QVERIFY(animation->isRunning());
        QTRY_VERIFY(animation->framesShownForTesting() >= 4);
        const QImage shown = window.grab().toImage();
        QVERIFY(uitest::CountNear(shown, rect, Qt::white) > 2000); // the white ground
        QVERIFY(uitest::CountNear(shown, rect, QColor(0x2E, 0x74, 0xF0), 40) > 20); // the arc
        QVERIFY(uitest::Near(shown.pixelColor(150, 50), QColor(128, 128, 128)));
        StopFolderAnimation(animation.get());
        QVERIFY(!animation->isRunning());
        QTRY_COMPARE(uitest::CountNear(window.grab().toImage(), rect, QColor(128, 128, 128)),
                     rect.width() * rect.height());
        FreeFolderAnimation(animation);
        QVERIFY(!animation);
    }

    void folderWithOneFrameRepeatsIt() {
        testsupport::TempDir dir;
        testsupport::WriteFile(dir.file("only.png"),
                               Encode(Solid(QSize(4, 4), QColor(0, 160, 0)), "png").toStdString());
        testsupport::WriteFile(dir.file("broken.png"), "no picture");
        GreyWidget window;
        window.resize(50, 50);
        window.show();
        KivFolderAnimation animation(&window, QRect(0, 0, 20, 20),
                                     QString::fromStdString(dir.path()));
        QVERIFY(!animation.isRunning()); // prepared, not playing
        animation.start();
        QTRY_VERIFY(animation.framesShownForTesting() >= 3);
        QVERIFY(uitest::Near(window.grab().toImage().pixelColor(10, 10), QColor(0, 160, 0)));
    }

    void folderWithoutFramesShowsNothingAndStopsPromptly() {
        testsupport::TempDir dir;
        testsupport::WriteFile(dir.file("a.png"), "no picture");
        GreyWidget window;
        window.resize(50, 50);
        window.show();
        auto animation =
            StartFolderAnimation(&window, QRect(0, 0, 20, 20), QString::fromStdString(dir.path()));
        QTest::qWait(120);
        QCOMPARE(animation->framesShownForTesting(), 0);
        QElapsedTimer timer;
        timer.start();
        animation->stop();
        QVERIFY(timer.elapsed() < 1000);
    }
};

QTEST_MAIN(KivImageTest)
#include "KivImageTest.moc"
