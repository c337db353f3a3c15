#include "KivFonts.h"

#include <QApplication>

namespace {

const char* const kInstalledFace = "Noto Sans CJK SC";

// Cell height to character height for the Chinese UI face the program was drawn with: its
// ascent plus descent is about 1.32 em.
constexpr double kCellToEm = 1.0 / 1.32;

QFont::Weight WeightOf(int weight) {
    if (weight >= 800) {
        return QFont::ExtraBold;
    }
    if (weight >= 700) {
        return QFont::Bold;
    }
    if (weight >= 600) {
        return QFont::DemiBold;
    }
    if (weight >= 500) {
        return QFont::Medium;
    }
    return QFont::Normal;
}

} // namespace

void InstallFontSubstitutions() {
    for (const char* face : {"微软雅黑", "Microsoft YaHei", "GB2312", "Arial Black"}) {
        QFont::insertSubstitution(QString::fromUtf8(face), QString::fromLatin1(kInstalledFace));
    }
    QFont dialogFont(QString::fromLatin1(kInstalledFace));
    dialogFont.setPixelSize(12);
    QApplication::setFont(dialogFont);
}

QFont KivFont(const char* face, int height, int weight) {
    QFont font(QString::fromUtf8(face));
    const int pixels = height > 0 ? qRound(height * kCellToEm) : -height;
    font.setPixelSize(qMax(1, pixels));
    font.setWeight(WeightOf(weight));
    return font;
}
