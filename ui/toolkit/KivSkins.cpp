#include "KivSkins.h"

namespace {

void LoadIf(KivImage& image, int number) {
    if (number > 0) {
        LoadSkin(image, number);
    }
}

} // namespace

void LoadCaptionPictures(KivCaptionPictures& pictures, int first) {
    LoadSkin(pictures.normal, first);
    LoadSkin(pictures.hover, first + 1);
    LoadSkin(pictures.pressed, first + 2);
}

std::shared_ptr<KivFrameSkin> MakeFrameSkin(int background, int closeFirst, int minimiseFirst,
                                            int maximiseFirst) {
    auto skin = std::make_shared<KivFrameSkin>();
    LoadSkin(skin->background, background);
    if (closeFirst > 0) {
        LoadCaptionPictures(skin->close, closeFirst);
    }
    if (minimiseFirst > 0) {
        LoadCaptionPictures(skin->minimise, minimiseFirst);
    }
    if (maximiseFirst > 0) {
        LoadCaptionPictures(skin->maximise, maximiseFirst);
    }
    return skin;
}

std::shared_ptr<KivButtonSkin> MakeButtonSkin(int normal, int hover, int pressed, int disabled) {
    auto skin = std::make_shared<KivButtonSkin>();
    LoadIf(skin->pictures[kButtonNormal], normal);
    LoadIf(skin->pictures[kButtonHover], hover);
    LoadIf(skin->pictures[kButtonPressed], pressed);
    LoadIf(skin->pictures[kButtonDisabled], disabled);
    return skin;
}

std::shared_ptr<KivImage> MakePictureSkin(int number) {
    auto picture = std::make_shared<KivImage>();
    LoadSkin(*picture, number);
    return picture;
}
