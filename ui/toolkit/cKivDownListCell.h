// cKivDownListCell: one row of the download list, plain data the list paints: tick box,
// icon, texts, progress (running list) or install animation (finished list), and the two row
// buttons with their pictures and enabled states. The row's key names it to its owner (the
// page's entry serial). UI thread only.
#pragma once

#include "KivImage.h"

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>

class cKivDownListCell {
public:
    /// The two picture buttons of a row.
    enum Button { kFirstButton = 0, kSecondButton = 1 };
    /// Resource ids in the order normal, hover, pressed, disabled (0: none).
    using ButtonPictures = std::array<int, 4>;
    /// What names a row to its owner.
    using Key = std::uint64_t;

    static inline const QColor kDefaultStatusColor{85, 85, 85};

    /// The owner's name for the row, given when it is added.
    Key key = 0;

    // Texts and figures painted by the list.
    QString title;
    QString detail;
    QString sizeText;
    std::uint64_t size = 0;
    QString statusText;
    QColor statusColor = kDefaultStatusColor;
    QString speedText;
    int progress = 0;     ///< 0-100, running list
    bool busy = false;    ///< finished list: the install animation runs
    int animFrame = 0;    ///< current frame of the install animation
    bool checked = false; ///< the row's tick box: its selection

    KivImage icon; ///< own icon; empty: `fallbackIcon`
    const KivImage* fallbackIcon = nullptr;

    std::array<ButtonPictures, 2> buttonPictures{};
    std::array<bool, 2> buttonEnabled{true, true};

    const KivImage* shownIcon() const { return icon.isNull() ? fallbackIcon : &icon; }
    /// Whether the button can be pressed: enabled and the row is not installing.
    bool buttonUsable(int button) const { return buttonEnabled[button] && !busy; }
};
