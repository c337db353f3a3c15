// Screenshots of the downloads tab in the real main window at 980 x 620: the downloading page
// with rows downloading (progress and speed), waiting, paused and failed, and the downloaded
// page with rows installing (animation), installed, failed and idle. Also the tab captions
// and the main window's badge that go with them.
#include "DownloadPagesFixture.h"

#include "TestProgramServices.h"

#include "app/shell/CKivOrviaDlg.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/CKivXzglZzxzDlg.h"
#include "pages/downloads/KivDownloadPage.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivSkinTable.h"
#include "ui/toolkit/cKivButtonEx.h"
#include "ui/toolkit/cKivDownList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QtTest>

using namespace pagetest;

namespace {

const cKivDownListCell::ButtonPictures kPause{150, 157, 158, 196};
const cKivDownListCell::ButtonPictures kContinue{156, 152, 154, 197};
const cKivDownListCell::ButtonPictures kInstall{164, 162, 163, 195};
const cKivDownListCell::ButtonPictures kDelete{161, 159, 160, 194};

/// A store-like app icon: a rounded square in `color` with a white glyph.
QString MakeIcon(const std::string& folder, const QString& name, QColor color, QChar glyph) {
    QImage image(96, 96, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, 96);
    gradient.setColorAt(0, color.lighter(125));
    gradient.setColorAt(1, color);
    QPainterPath path;
    path.addRoundedRect(QRectF(2, 2, 92, 92), 22, 22);
    p.fillPath(path, gradient);
    p.setPen(Qt::white);
    p.setFont(KivFont("微软雅黑", 56, 700));
    p.drawText(QRect(0, 0, 96, 92), Qt::AlignCenter, QString(glyph));
    p.end();
    const QString path2 = QString::fromStdString(folder) + "/" + name + ".png";
    image.save(path2);
    return path2;
}

struct Row {
    const char* title;
    const char* type;
    const char* version;
    std::uint64_t size;
    QColor color;
    QChar glyph;
};

} // namespace

class DownloadScreensTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutions();
        InstallDialogHook();
    }
    void cleanupTestCase() { RemoveDialogHook(); }

    void downloadsTab() {
        PagesFixture f;
        f.phoneAttached = false;
        ProgramServices services(testsupport::WindowTestCollaborators());
        auto window = std::make_unique<CKivOrviaDlg>(services.devicePage(), f.installServices());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        window->tabButton(2)->click();
        CKivXzglDlg* manager = window->downloadManager();
        QVERIFY(manager->isVisible());
        cKivDownList* running = manager->downloadingPage()->list();
        const std::string icons = f.programFolder();
        const Row rows[] = {
            {"星际探险家", "游戏 · 冒险", "2.9.1", 103'200'000, QColor(0x5B, 0x4B, 0xE0), u'星'},
            {"微聊", "社交通讯", "8.0.12", 195'100'000, QColor(0x1E, 0xB8, 0x6B), u'聊'},
            {"轻松地图", "出行导航", "12.3.0", 88'400'000, QColor(0x2D, 0x8C, 0xF0), u'图'},
            {"云上音乐", "音乐", "9.1.3", 142'000'000, QColor(0xE8, 0x3E, 0x4C), u'乐'},
            {"王国守卫战", "游戏 · 策略", "5.4.0", 1'288'490'189, QColor(0xF2, 0x9B, 0x1D), u'王'},
        };
        std::vector<cKivDownListCell*> cells;
        for (auto it = std::rbegin(rows); it != std::rend(rows); ++it) {
            cKivDownListCell* cell = running->rows().AddRow(
                cells.size() + 1, QString::fromUtf8(it->title), QString::fromUtf8(it->type),
                QString::fromUtf8(it->version),
                MakeIcon(icons, QString::number(cells.size()), it->color, it->glyph));
            running->rows().SetRowSize(it->size, cell);
            running->rows().SetRowButtonPictures(cell, 1, kDelete);
            cells.insert(cells.begin(), cell);
        }
        const QColor normal = KivDownloadPage::kNormalStatus;
        running->rows().SetRowProgress(normal, cells[0], 63, "正在下载63%", 1536, 0);
        running->rows().SetRowButtonPictures(cells[0], 0, kPause);
        running->rows().SetRowProgress(normal, cells[1], 27, "正在下载27%", 812, 0);
        running->rows().SetRowButtonPictures(cells[1], 0, kPause);
        running->rows().SetRowProgress(normal, cells[2], 0, "等待开始下载", -1, -1);
        running->rows().SetRowButtonPictures(cells[2], 0, kPause);
        running->rows().SetRowProgress(normal, cells[3], 45, "下载暂停", -1, -1);
        running->rows().SetRowButtonPictures(cells[3], 0, kContinue);
        running->rows().SetRowProgress(KivDownloadPage::kErrorStatus, cells[4], 12,
                                       "网络连接错误，无法下载", -1, -1);
        running->rows().SetRowButtonPictures(cells[4], 0, kContinue);
        // Ticked by a click, as the user does it: the toolbar follows.
        QTest::mouseClick(running->viewport(), Qt::LeftButton, {},
                          QPoint(cKivDownList::kColumn0 + 20, running->rowRect(1).center().y()));
        QVERIFY(cells[1]->checked);
        QVERIFY(manager->downloadingPage()->button(1)->isEnabled());
        SendKivMessage(manager->handle(), kMsgDownloadingRows, 5);
        QCOMPARE(manager->tab(0)->text(), QString("正在下载（5）"));
        QCOMPARE(window->tabButton(2)->text(), QString("5")); // the badge
        QTest::qWait(50);
        QVERIFY(!uitest::SaveScreenshot(window.get(), "downloads-downloading").isEmpty());
        // The error row's status is drawn in the error colour.
        const QImage shown = running->viewport()->grab().toImage();
        QVERIFY(uitest::CountNear(shown, running->rowRect(4), KivDownloadPage::kErrorStatus, 30) >
                10);

        manager->tab(1)->click();
        cKivDownList* finished = manager->downloadedPage()->list();
        const Row done[] = {
            {"每日记账", "效率工具", "3.2.0", 24'600'000, QColor(0x12, 0xA1, 0x9A), u'账'},
            {"像素农场", "游戏 · 模拟", "1.8.7", 512'000'000, QColor(0x8E, 0x5C, 0xD9), u'农'},
            {"晴天天气", "生活", "6.0.1", 18'300'000, QColor(0x38, 0xA8, 0xF5), u'晴'},
            {"口袋词典", "教育", "4.4.2", 61'000'000, QColor(0xF0, 0x6A, 0x3A), u'词'},
        };
        std::vector<cKivDownListCell*> finishedCells;
        for (auto it = std::rbegin(done); it != std::rend(done); ++it) {
            cKivDownListCell* cell = finished->rows().AddRow(
                finishedCells.size() + 1, QString::fromUtf8(it->title), QString::fromUtf8(it->type),
                QString::fromUtf8(it->version),
                MakeIcon(icons, "f" + QString::number(finishedCells.size()), it->color, it->glyph));
            finished->rows().SetRowSize(it->size, cell);
            finished->rows().SetRowButtonPictures(cell, 0, kInstall);
            finished->rows().SetRowButtonPictures(cell, 1, kDelete);
            finishedCells.insert(finishedCells.begin(), cell);
        }
        finished->rows().SetRowInstallState(normal, true, finishedCells[0], "正在安装");
        finished->rows().SetRowInstallState(normal, true, finishedCells[1], "安装完成");
        finished->rows().SetRowInstallState(KivDownloadPage::kErrorStatus, false, finishedCells[2],
                                            "设备未连接，无法安装");
        finished->rows().SetRowButtonEnabled(finishedCells[2], 0, false);
        finished->rows().SetRowButtonEnabled(finishedCells[2], 1, false);
        SendKivMessage(manager->handle(), kMsgDownloadedRows, 4);
        QCOMPARE(manager->tab(1)->text(), QString("已下载（4）"));
        QTest::qWait(120); // a few frames of the install animation
        QVERIFY(!uitest::SaveScreenshot(window.get(), "downloads-downloaded").isEmpty());

        SendKivMessage(manager->handle(), kMsgDownloadingRows, 0);
        QCOMPARE(manager->tab(0)->text(), QString("正在下载"));
        window.reset();
    }
};

QTEST_MAIN(DownloadScreensTest)
#include "DownloadScreensTest.moc"
