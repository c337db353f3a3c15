#include "PageControls.h"

#include "ElidedLabel.h"

#include "ui/toolkit/KivSkins.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include <map>
#include <tuple>

namespace devicepages {

namespace {

template <typename Label> Label* SetUpPageLabel(Label* label, QColor colour) {
    // Page labels show what phones, servers and pages say: never as markup, which would let
    // a phone make the page load pictures from this computer's disk.
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->hide();
    return label;
}

} // namespace

QLabel* MakePageLabel(QWidget* parent, const char* caption, QColor colour) {
    return SetUpPageLabel(new QLabel(QString::fromUtf8(caption), parent), colour);
}

ElidedLabel* MakeElidedPageLabel(QWidget* parent, const char* caption, QColor colour) {
    return SetUpPageLabel(new ElidedLabel(QString::fromUtf8(caption), parent), colour);
}

QPushButton* MakePageButton(QWidget* parent, const char* caption, int id) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QStringLiteral("button%1").arg(id));
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

std::shared_ptr<KivButtonSkin> SharedButtonSkin(int normal, int hover, int pressed, int disabled,
                                                bool hand) {
    static std::map<std::tuple<int, int, int, int, bool>, std::shared_ptr<KivButtonSkin>>
        skins; // UI thread
    auto& skin = skins[{normal, hover, pressed, disabled, hand}];
    if (!skin) {
        skin = MakeButtonSkin(normal, hover, pressed, disabled);
        skin->handCursor = hand;
    }
    return skin;
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
