// 1,000 rows in the download list against a QTableWidget with the same texts: adding them,
// one scroll pass from top to bottom with every page painted, and the memory the rows take.
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/cKivDownList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTableWidget>

#include <malloc.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRows = 1000;
constexpr QSize kSize(811, 506);

struct Figures {
    double addMs = 0;
    double scrollMs = 0;
    double worstFrameMs = 0;
    double bytesPerRow = 0;
};

/// Heap bytes in use: finer than the resident size, which moves in whole pages.
long HeapBytes() {
    return static_cast<long>(mallinfo2().uordblks);
}

QString Title(int i) {
    return QStringLiteral("应用程序 %1 号 - 一个很长的名字").arg(i);
}

/// Scrolls one page at a time to the bottom; each page is painted into one reused picture,
/// which forces the paint even where the platform would skip an on-screen repaint.
void ScrollPass(QAbstractScrollArea& area, Figures& figures) {
    QScrollBar* bar = area.verticalScrollBar();
    bar->setValue(0);
    QImage page(area.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer total;
    total.start();
    for (int value = 0;; value += bar->pageStep()) {
        QElapsedTimer frame;
        frame.start();
        bar->setValue(std::min(value, bar->maximum()));
        area.viewport()->render(&page);
        figures.worstFrameMs = std::max(figures.worstFrameMs, frame.nsecsElapsed() / 1e6);
        if (value >= bar->maximum()) {
            break;
        }
    }
    figures.scrollMs = total.nsecsElapsed() / 1e6;
}

Figures MeasureList() {
    Figures figures;
    cKivDownRows rows(true);
    cKivDownList list(rows);
    list.resize(kSize);
    list.show();
    QApplication::processEvents();
    const long before = HeapBytes();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRows; ++i) {
        cKivDownListCell* cell = rows.AddRow(static_cast<cKivDownListCell::Key>(i + 1), Title(i),
                                             QStringLiteral("游戏"), QString());
        rows.SetRowSize(1024ull * 1024 * (i + 1), cell);
        rows.SetRowProgress(Qt::darkGray, cell, i % 100, QStringLiteral("正在下载%1%").arg(i % 100),
                            i, 0);
        rows.SetRowButtonPictures(cell, 0, {150, 157, 158, 196});
        rows.SetRowButtonPictures(cell, 1, {161, 159, 160, 194});
    }
    (void)list.viewport()->grab();
    figures.addMs = timer.nsecsElapsed() / 1e6;
    figures.bytesPerRow = static_cast<double>(HeapBytes() - before) / kRows;
    ScrollPass(list, figures);
    return figures;
}

Figures MeasureTable() {
    Figures figures;
    QTableWidget table(0, 4);
    table.resize(kSize);
    table.verticalHeader()->setDefaultSectionSize(cKivDownList::kRowHeight);
    table.verticalHeader()->hide();
    table.show();
    QApplication::processEvents();
    const long before = HeapBytes();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kRows; ++i) {
        table.insertRow(0);
        table.setItem(0, 0, new QTableWidgetItem(Title(i) + QStringLiteral("\n游戏")));
        table.setItem(0, 1, new QTableWidgetItem(cKivDownRows::SizeText(1024ull * 1024 * (i + 1))));
        table.setItem(0, 2, new QTableWidgetItem(QStringLiteral("正在下载%1%").arg(i % 100)));
        table.setItem(0, 3, new QTableWidgetItem(QStringLiteral("暂停 删除")));
    }
    (void)table.viewport()->grab();
    figures.addMs = timer.nsecsElapsed() / 1e6;
    figures.bytesPerRow = static_cast<double>(HeapBytes() - before) / kRows;
    ScrollPass(table, figures);
    return figures;
}

void Print(const char* name, const Figures& f) {
    std::printf("%-12s add %8.2f ms  scroll %8.2f ms  worst frame %6.2f ms  %8.0f bytes/row\n",
                name, f.addMs, f.scrollMs, f.worstFrameMs, f.bytesPerRow);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    // Warm the font and picture caches so neither side pays for them.
    MeasureList();
    MeasureTable();
    const Figures table = MeasureTable();
    const Figures list = MeasureList();
    std::printf("%d rows, %dx%d, one scroll pass page by page\n", kRows, kSize.width(),
                kSize.height());
    Print("QTableWidget", table);
    Print("cKivDownList", list);
    std::printf("ratio (list / table): add %.2f  scroll %.2f  memory %.2f\n",
                list.addMs / table.addMs, list.scrollMs / table.scrollMs,
                table.bytesPerRow > 0 ? list.bytesPerRow / table.bytesPerRow : 0.0);
    std::printf("goal: ratios at most 3, worst frame at most 16 ms: %s\n",
                list.addMs <= 3 * table.addMs && list.scrollMs <= 3 * table.scrollMs &&
                        list.worstFrameMs <= 16.0
                    ? "met"
                    : "NOT met");
    return 0;
}
