// The plain controls the device page and the connection wizard place themselves: hidden
// until the page lays them out and skins them.
#pragma once

#include <QColor>

#include <memory>

class ElidedLabel;
class KivImage;
struct KivButtonSkin;
class QLabel;
class QPushButton;
class QWidget;

namespace devicepages {

/// A hidden text label in `colour`.
QLabel* MakePageLabel(QWidget* parent, const char* caption, QColor colour);
/// The same for a text that may not fit: shortened with "…", whole in its tooltip.
ElidedLabel* MakeElidedPageLabel(QWidget* parent, const char* caption, QColor colour);
/// A hidden push button named "button<id>" (tests and the tour find it by that name) that
/// takes no focus and is never a default button.
QPushButton* MakePageButton(QWidget* parent, const char* caption, int id);
/// The button skin of four skin numbers (normal, hover, pressed, disabled; 0: none) with the
/// hand cursor or not, made once and kept (UI thread only).
std::shared_ptr<KivButtonSkin> SharedButtonSkin(int normal, int hover, int pressed, int disabled,
                                                bool hand = false);
/// The picture skin of skin picture `number`, made once and kept (UI thread only).
std::shared_ptr<KivImage> SharedPictureSkin(int number);

} // namespace devicepages
