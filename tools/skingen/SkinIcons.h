// Line icons drawn on a 24 x 24 design grid and scaled into any square: the pictograms of
// tabs, toolbars, caption buttons and illustrations.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace skingen {

enum class Icon {
    Phone,
    Apps,
    Download,
    Close,
    Minimise,
    Menu,
    Feedback,
    ChevronLeft,
    ChevronRight,
    Refresh,
    Search,
    Check,
    Pause,
    Play,
    Trash,
    Install,
    Folder,
    Info,
    Globe,
    Help,
    Document,
    Shield,
    Usb,
    SdCard,
    Battery,
    Chip,
    Link,
    Warning,
    Monitor,
    Home,
    Gamepad,
    Star,
    Grid,
};

/// Draws `icon` centred in `box` (a square is used: the smaller side) with a stroke of
/// `stroke` design units (on the 24-unit grid) in `color`.
void DrawIcon(QPainter& p, Icon icon, const QRectF& box, const QColor& color, qreal stroke = 1.8);

/// The product mark: an accent squircle with a white phone and a download arrow.
void DrawLogoMark(QPainter& p, const QRectF& box);

} // namespace skingen
