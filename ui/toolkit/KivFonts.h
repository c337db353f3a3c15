// Fonts by the face names the program asks for. "微软雅黑", "GB2312" and "Arial Black" are
// mapped to the installed Noto Sans CJK, which covers both Chinese and Latin text.
#pragma once

#include <QFont>

/// Maps the program's face names to installed fonts and makes Noto Sans CJK (12 px) the
/// application's dialog font. Call once after the application object exists.
void InstallFontSubstitutions();

/// A font requested like a Windows LOGFONT: `height` > 0 is the cell height (ascent plus
/// descent), < 0 the character height, in pixels; `weight` 100 to 900 (400 regular, 700 bold).
QFont KivFont(const char* face, int height, int weight);
