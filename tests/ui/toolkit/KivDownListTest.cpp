// The painted download list and its row model: size texts, the progress and install setters, rows
// inserted at the top, single and Ctrl selection, select-all, the row buttons' states and clicks,
// the fixed columns and the ellipsis of long titles.
#include "UiTestSupport.h"

#include "ui/toolkit/cKivCheckBoxEx.h"
#include "ui/toolkit/cKivDownList.h"
#include "ui/toolkit/cKivHeadCtrlEx.h"

#include <QtTest>

namespace {

const cKivDownListCell::ButtonPictures kPause{150, 157, 158, 196};
const cKivDownListCell::ButtonPictures kDelete{161, 159, 160, 194};

void ClickAt(cKivDownList& list, QPoint point, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, point);
}

// A row on top with the next key (1, 2, ...).
cKivDownListCell* AddRow(cKivDownRows& rows, const QString& title, const QString& detail,
                         const QString& third) {
    return rows.AddRow(static_cast<cKivDownListCell::Key>(rows.rowCount() + 1), title, detail,
                       third);
}

QPoint RowSpot(cKivDownList& list, int row) {
    // Column 1 (the size text) is plain row area.
    return QPoint(cKivDownList::kColumn0 + 20, list.rowRect(row).center().y());
}

} // namespace

class KivDownListTest : public QObject {
    Q_OBJECT

private slots:
    void sizeTexts_data() {
        QTest::addColumn<qulonglong>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("one gigabyte") << 1073741824ull << "1.00G";
        QTest::newRow("a byte short") << 1073741823ull << "1024.00MB";
        QTest::newRow("zero") << 0ull << "0.00MB";
        QTest::newRow("rounded up") << 1572864ull + 5243ull << "1.51MB";
        QTest::newRow("several gigabytes") << 5ull * 1073741824ull + 536870912ull << "5.50G";
    }
    void sizeTexts() {
        QFETCH(qulonglong, bytes);
        QFETCH(QString, text);
        QCOMPARE(cKivDownRows::SizeText(bytes), text);
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        cKivDownListCell* cell = AddRow(listRows, "a", "b", "c");
        listRows.SetRowSize(bytes, cell);
        QCOMPARE(cell->sizeText, text);
        QCOMPARE(cell->size, static_cast<std::uint64_t>(bytes));
    }

    void progressSetterKeepsOrResets() {
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        cKivDownListCell* cell = AddRow(listRows, "App", "游戏", "1.0");
        listRows.SetRowProgress(Qt::red, cell, 40, "正在下载40%", 120, 0);
        QCOMPARE(cell->progress, 40);
        QCOMPARE(cell->speedText, QString("120KB/S"));
        QCOMPARE(cell->statusColor, QColor(Qt::red));
        listRows.SetRowProgress(Qt::black, cell, -1, "下载暂停", -1, -1);
        QCOMPARE(cell->progress, 40); // -1 keeps the bar
        QVERIFY(cell->speedText.isEmpty());
        QCOMPARE(cell->statusText, QString("下载暂停"));

        cKivDownRows finishedRows(false);
        cKivDownList finished(finishedRows);
        cKivDownListCell* done = AddRow(finishedRows, "App", "游戏", "1.0");
        finishedRows.SetRowProgress(Qt::red, done, 50, "x", 1, 0); // running list only
        QVERIFY(done->statusText.isEmpty());
        QCOMPARE(done->progress, 0);
    }

    void installStateBlocksButtons() {
        cKivDownRows listRows(false);
        cKivDownList list(listRows);
        list.resize(811, 400);
        cKivDownListCell* cell = AddRow(listRows, "App", "应用", "1.0");
        listRows.SetRowButtonPictures(cell, 0, kPause);
        listRows.SetRowButtonPictures(cell, 1, kDelete);
        int clicks = 0;
        QObject::connect(&list, &cKivDownList::rowButtonClicked, [&](quint64 key, int button) {
            clicks += key == cell->key && button == 0 ? 1 : 0;
        });
        listRows.SetRowInstallState(Qt::black, true, cell, "正在安装");
        QVERIFY(!cell->buttonUsable(0));
        ClickAt(list, list.buttonRect(0, 0).center());
        QCOMPARE(clicks, 0);
        listRows.SetRowInstallState(Qt::black, false, cell, "");
        ClickAt(list, list.buttonRect(0, 0).center());
        QCOMPARE(clicks, 1);
        listRows.SetRowButtonEnabled(cell, 0, false);
        ClickAt(list, list.buttonRect(0, 0).center());
        QCOMPARE(clicks, 1);
        // The running list ignores the install setter.
        cKivDownRows runningRows(true);
        cKivDownList running(runningRows);
        cKivDownListCell* other = AddRow(runningRows, "a", "b", "c");
        runningRows.SetRowInstallState(Qt::red, true, other, "正在安装");
        QVERIFY(!other->busy);
    }

    // A row added or removed above the pressed row while the mouse button is down never hands
    // the press to another row: the release runs no other row's button.
    void aPressStaysWithItsRowWhileRowsComeAndGo() {
        cKivDownRows listRows(false);
        cKivDownList list(listRows);
        list.resize(811, 400);
        std::vector<QString> clicked;
        QObject::connect(&list, &cKivDownList::rowButtonClicked, [&](quint64 key, int button) {
            const cKivDownListCell* cell = listRows.find(key);
            QVERIFY(cell && button == 1);
            clicked.push_back(cell->title);
        });
        auto addRow = [&](const char* name) {
            cKivDownListCell* cell = AddRow(listRows, name, "应用", "1.0");
            listRows.SetRowButtonPictures(cell, 1, kDelete);
            return cell;
        };
        addRow("lower");
        cKivDownListCell* upper = addRow("upper");          // on top: row 0
        const QPoint spot = list.buttonRect(1, 1).center(); // the lower row's delete button
        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, spot);
        addRow("newest"); // every row moves down one: "upper" is now under the pointer
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, spot);
        QVERIFY(clicked.empty());

        QTest::mousePress(list.viewport(), Qt::LeftButton, {}, list.buttonRect(2, 1).center());
        listRows.RemoveRow(upper); // a row above goes: the pressed row moves up under another spot
        QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, list.buttonRect(2, 1).center());
        QVERIFY(clicked.empty());
        ClickAt(list, list.buttonRect(1, 1).center()); // an ordinary click still works
        QCOMPARE(clicked.size(), std::size_t(1));
        QCOMPARE(clicked[0], QString("lower"));
    }

    void newRowsGoOnTop() {
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        list.resize(811, 400);
        cKivDownListCell* first = AddRow(listRows, "first", "", "");
        listRows.SetRowButtonPictures(first, 0, kPause);
        ClickAt(list, RowSpot(list, 0));
        QCOMPARE(list.lastClicked(), 0);
        cKivDownListCell* second = AddRow(listRows, "second", "", "");
        QCOMPARE(list.cellAt(0), second);
        QCOMPARE(list.cellAt(1), first);
        QCOMPARE(list.lastClicked(), 1); // the anchor moved down with its row
        listRows.SetRowButtonPictures(second, 0, kPause);
        QCOMPARE(list.buttonRect(1, 0).top() - list.buttonRect(0, 0).top(),
                 cKivDownList::kRowHeight);
        listRows.RemoveRow(second);
        QCOMPARE(list.rowCount(), 1);
        QCOMPARE(list.lastClicked(), 0);
        listRows.RemoveRow(second); // gone already: nothing happens
        QCOMPARE(list.rowCount(), 1);
    }

    void singleAndCtrlSelection() {
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        list.resize(811, 400);
        AddRow(listRows, "r2", "", "");
        AddRow(listRows, "r1", "", "");
        AddRow(listRows, "r0", "", "");
        QList<int> clicked;
        QObject::connect(&list, &cKivDownList::rowClicked, [&](int row) { clicked << row; });
        ClickAt(list, RowSpot(list, 1));
        ClickAt(list, RowSpot(list, 2));
        QVERIFY(!list.cellAt(1)->checked);
        QVERIFY(list.cellAt(2)->checked);
        // The checked row again without Ctrl: unchecked as the last clicked, then toggled.
        ClickAt(list, RowSpot(list, 2));
        QVERIFY(list.cellAt(2)->checked);
        ClickAt(list, RowSpot(list, 1), Qt::ControlModifier);
        QVERIFY(list.cellAt(1)->checked);
        QVERIFY(list.cellAt(2)->checked);
        ClickAt(list, RowSpot(list, 1), Qt::ControlModifier);
        QVERIFY(!list.cellAt(1)->checked);
        QCOMPARE(clicked, (QList<int>{1, 2, 2, 1, 1}));
        // Below the last row: only the anchor (row 1) is unticked, and the anchor goes.
        ClickAt(list, QPoint(300, 3 * cKivDownList::kRowHeight + 30));
        QCOMPARE(list.lastClicked(), -1);
        QVERIFY(list.cellAt(2)->checked);
        ClickAt(list, RowSpot(list, 0));
        QVERIFY(list.cellAt(2)->checked); // no anchor to untick
    }

    void tickBoxAndSelectAll() {
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        list.resize(811, 400);
        AddRow(listRows, "r1", "", "");
        AddRow(listRows, "r0", "", "");
        bool ticked = false;
        QObject::connect(&list, &cKivDownList::rowTickClicked, [&](quint64 key, bool checked) {
            ticked = key == list.cellAt(1)->key && checked;
        });
        ClickAt(list, list.checkBoxRect(1).center());
        QVERIFY(ticked);
        QVERIFY(list.cellAt(1)->checked);
        QVERIFY(!list.cellAt(0)->checked);
        QList<bool> states;
        QObject::connect(&list, &cKivDownList::selectAllClicked,
                         [&](bool checked) { states << checked; });
        cKivCheckBoxEx* box = list.header()->selectAllBox();
        box->show();
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(listRows.allChecked());
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(!listRows.anyChecked());
        QCOMPARE(states, (QList<bool>{true, false}));
        QCOMPARE(list.lastClicked(), -1);
    }

    void columnsAreFixed() {
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        list.resize(811, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(list.viewport()->width(), 811);
        QCOMPARE(list.columnWidth(3), 811 - 622);
        list.resize(700, 300);
        QCOMPARE(list.columnWidth(3), cKivDownList::kMinLastColumn);
        QCOMPARE(list.header()->sectionResizeMode(0), QHeaderView::Fixed);
        QCOMPARE(list.header()->model()->headerData(2, Qt::Horizontal).toString(), QString("进度"));
        cKivDownRows finishedRows(false);
        cKivDownList finished(finishedRows);
        QCOMPARE(finished.header()->model()->headerData(2, Qt::Horizontal).toString(),
                 QString("状态"));
    }

    void longTitleEndsInEllipsis() {
        uitest::TestProgramFolder folder;
        cKivDownRows listRows(true);
        cKivDownList list(listRows);
        list.resize(811, 200);
        list.show();
        cKivDownListCell* cell = AddRow(listRows, QString(80, QChar('W')), "detail", "");
        Q_UNUSED(cell);
        const QImage shown = list.viewport()->grab().toImage();
        // Nothing of the title is painted past column 0.
        QCOMPARE(uitest::CountNear(shown, QRect(cKivDownList::kColumn0, 0, 60, 60), Qt::black, 60),
                 0);
        QVERIFY(uitest::CountNear(shown, QRect(100, 0, 160, 60), Qt::black, 60) > 0);
    }
};

QTEST_MAIN(KivDownListTest)
#include "KivDownListTest.moc"
