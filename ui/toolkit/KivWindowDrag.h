// Moving a frameless window by a press on its caption strip or on an empty spot.
#pragma once

#include <QPoint>

class QWidget;

/// Starts moving the top-level window of `widget` with the left button held down, from the
/// press at global position `pressedAt`. Uses the window system's own move when it offers
/// one, else follows the mouse until the button is released.
void BeginWindowDrag(QWidget* widget, QPoint pressedAt);
