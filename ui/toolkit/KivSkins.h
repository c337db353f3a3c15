// The skin records attached to windows: frame skins (background and caption buttons), button
// skins (four state pictures and text colours) and picture skins (one picture). The functions
// that build them share ownership with the skin table, so a skin lives as long as a window
// uses it.
#pragma once

#include "KivImage.h"

#include <QColor>
#include <QRect>

#include <array>
#include <functional>
#include <memory>

/// Normal, hover and pressed pictures of one caption button.
struct KivCaptionPictures {
    KivImage normal;
    KivImage hover;
    KivImage pressed;
};

struct KivFrameSkin {
    KivImage background; ///< copied 1:1 over the whole window, caption included
    KivCaptionPictures minimise;
    KivCaptionPictures maximise;
    KivCaptionPictures close;
    KivCaptionPictures custom1;
    KivCaptionPictures custom2;
    bool custom1Present = false;
    bool custom2Present = false;
    std::function<void()> custom1Action; ///< run on the UI thread after the click
    std::function<void()> custom2Action;
};

/// Index of a button skin's pictures and colours.
enum KivButtonState {
    kButtonNormal = 0,
    kButtonHover = 1,
    kButtonPressed = 2,
    kButtonDisabled = 3
};

struct KivButtonSkin {
    std::array<KivImage, 4> pictures; ///< by KivButtonState
    std::array<QColor, 4> textColors{Qt::black, Qt::black, Qt::black, Qt::black};
    QRect textRect;          ///< where the text is drawn; empty: the whole button
    bool drawText = false;   ///< draw the button's text over the picture
    bool handCursor = false; ///< the hand cursor while the mouse is over the button
};

/// Loads skins/first, first+1, first+2 as normal, hover and pressed.
void LoadCaptionPictures(KivCaptionPictures& pictures, int first);

/// A frame skin with background `background` and, when non-zero, the close, minimise and
/// maximise pictures starting at the given numbers.
std::shared_ptr<KivFrameSkin> MakeFrameSkin(int background, int closeFirst, int minimiseFirst = 0,
                                            int maximiseFirst = 0);

/// A button skin from four skin numbers (normal, hover, pressed, disabled; 0: none).
std::shared_ptr<KivButtonSkin> MakeButtonSkin(int normal, int hover, int pressed, int disabled);

/// A picture skin from one skin number.
std::shared_ptr<KivImage> MakePictureSkin(int number);
