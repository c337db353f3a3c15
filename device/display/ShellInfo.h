// What the phone display knows about one phone model: its shell picture, the screen rectangle
// inside it, its display name and whether its frame buffer is upside down. One record per
// ShowPhone call; the same columns are stored per model in ScreenInfoDb.
#pragma once

#include <string>
#include <string_view>

struct ShellInfo {
    std::string vid;
    std::string pid;
    std::string model;
    std::string device;
    std::string name;
    std::string shellPath; ///< stored, never filled: written empty
    std::string scrPath;   ///< the last screenshot file
    int type = 0;          ///< first number of the web service's ImageInfo
    int shellW = 0;
    int shellH = 0;
    int width = 0; ///< screen rectangle inside the shell
    int height = 0;
    int x = 0;
    int y = 0;
    int roate = 0;   ///< 1: screenshots of this model are turned by 180 degrees
    int shellId = 0; ///< built-in shell picture
    bool found = false;
};

/// Size of every built-in shell picture.
inline constexpr int kShellWidth = 205;
inline constexpr int kShellHeight = 399;
/// The default shell: PNG 206 with its screen rectangle.
inline constexpr int kDefaultShellId = 206;

struct BuiltInShell {
    int shellId = kDefaultShellId;
    int x = 10;
    int y = 35;
    int width = 185;
    int height = 307;
};

/// The built-in shell for a screenshot of `width` x `height` pixels: 480 x 800 gives 208,
/// 480 x 854, 540 x 960 and 720 x 1280 give 207, 320 x 480 gives 209, anything else (also no
/// screenshot: 0 x 0) the default shell 206.
BuiltInShell ChooseBuiltInShell(int width, int height);

/// True when a display name names one of the models whose frame buffer is upside down.
bool NameMarksUpsideDown(std::string_view name);

/// The same decided from a getprop listing, for phones without USB ids: a model marker in
/// lower case and the maker's name ("中兴" or "ZTE") must both appear.
bool GetpropMarksUpsideDown(std::string_view getprop);
