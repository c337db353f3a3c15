// The table of every picture the program uses: skin files, animation frames and built-in
// resource pictures, each with its size and the code that draws it.
#pragma once

#include "SkinIcons.h"

#include <QPainter>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace skingen {

using DrawFn = std::function<void(QPainter&, QSize)>;

/// skins/NNNN.arg
struct SkinPicture {
    int number;
    QSize size;
    bool alpha;
    DrawFn draw;
};

/// A built-in resource picture: type "PNG" or "JPG" and its numeric id.
struct ResourcePicture {
    QString type;
    int id;
    QSize size;
    bool alpha;
    DrawFn draw;
};

/// skins/NNNN/ frame folder: `count` frames of `size`, frame i of n drawn by `draw`.
struct FrameSet {
    int folder;
    QSize size;
    int count;
    std::function<void(QPainter&, QSize, int index, int count)> draw;
};

/// Mouse states of a button picture; the last digit of a skin number usually gives it.
enum class State { Normal, Hover, Pressed, Disabled };

/// The looks a text button can have.
enum class Look {
    Primary,   // filled accent, white text
    Secondary, // white with a grey border
    Link,      // accent text only
    Toolbar,   // small white button with an icon and text, grey border
};

/// Draws a button of `look` in `state` over the whole picture.
void DrawButton(QPainter& p, QSize size, Look look, State state, const QString& text,
                std::optional<Icon> icon = std::nullopt, qreal fontPx = 0);

/// Appends one picture per (number, state) pair, all drawn as `look` with `text`.
void AddButton(std::vector<SkinPicture>& table, std::initializer_list<std::pair<int, State>> states,
               QSize size, Look look, const QString& text, std::optional<Icon> icon = std::nullopt,
               qreal fontPx = 0);

/// The usual series: first (normal), first+1 (hover), first+2 (pressed) and, when
/// `withDisabled`, first+3 (disabled).
void AddButtonSeries(std::vector<SkinPicture>& table, int first, QSize size, Look look,
                     const QString& text, bool withDisabled,
                     std::optional<Icon> icon = std::nullopt, qreal fontPx = 0);

// The tables of each area (one file each).
void AddShellPictures(std::vector<SkinPicture>& table);        // main window, dialogs, menu, login
void AddDevicePictures(std::vector<SkinPicture>& table);       // device page and its panels
void AddWizardPictures(std::vector<SkinPicture>& table);       // connection wizard
void AddStorePictures(std::vector<SkinPicture>& table);        // store page, download manager
void AddResourcePictures(std::vector<ResourcePicture>& table); // 142-201
void AddPhoneShells(std::vector<ResourcePicture>& table);      // 206-209
void AddFrameSets(std::vector<FrameSet>& table);               // skins/0001 .. 0004

/// Every skin file, sorted by number.
std::vector<SkinPicture> AllSkinPictures();
/// Every resource picture, sorted by type and id.
std::vector<ResourcePicture> AllResourcePictures();
std::vector<FrameSet> AllFrameSets();

} // namespace skingen
