// cKivDownListCell: one row of the download list, plain data the list paints: tick box,
// icon, texts, progress (running list) or install animation (finished list), and the two row
// buttons with their pictures, enabled states and click callbacks. UI thread only.
#pragma once

#include "KivImage.h"

#include <QColor>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

class cKivDownListCell {
public:
    /// The two picture buttons of a row.
    enum Button { kFirstButton = 0, kSecondButton = 1 };
    /// Resource ids in the order normal, hover, pressed, disabled (0: none).
    using ButtonPictures = std::array<int, 4>;
    using ButtonCallback = std::function<void(cKivDownListCell* cell)>;
    using CheckCallback = std::function<void(bool checked, std::intptr_t user)>;

    static inline const QColor kDefaultStatusColor{85, 85, 85};

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
    int rowIndex = -1;    ///< set when the row is painted
    bool checked = false; ///< the row's tick box: its selection

    KivImage icon; ///< own icon; empty: `fallbackIcon`
    const KivImage* fallbackIcon = nullptr;

    std::array<ButtonPictures, 2> buttonPictures{};
    std::array<bool, 2> buttonEnabled{true, true};
    std::array<ButtonCallback, 2> buttonCallbacks;

    /// Called when the user clicks the tick box itself.
    CheckCallback checkCallback;
    std::intptr_t checkUser = 0;

    /// What the owner keeps with the row (an entry of the page).
    void* data = nullptr;

    const KivImage* shownIcon() const { return icon.isNull() ? fallbackIcon : &icon; }
    /// Whether the button can be pressed: enabled and the row is not installing.
    bool buttonUsable(int button) const { return buttonEnabled[button] && !busy; }
};
