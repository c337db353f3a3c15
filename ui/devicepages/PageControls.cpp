#include "PageControls.h"

#include "ui/toolkit/KivSkins.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include <map>

namespace devicepages {

QLabel* MakePageLabel(QWidget* parent, const char* caption, QColor colour) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->hide();
    return label;
}

QPushButton* MakePageButton(QWidget* parent, const char* caption, int id) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

std::shared_ptr<KivImage> SharedPictureSkin(int number) {
    static std::map<int, std::shared_ptr<KivImage>> skins; // UI thread
    auto& skin = skins[number];
    if (!skin) {
        skin = MakePictureSkin(number);
    }
    return skin;
}

} // namespace devicepages
