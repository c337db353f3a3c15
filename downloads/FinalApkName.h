// The file name a finished package keeps: the app's display name with ".apk", numbered
// "Name(n).apk" when that name is taken in the folder.
#pragma once

#include <string>
#include <string_view>

/// `name` made usable as one file name: '/', NUL and control characters become '_', the
/// text is cut to 200 bytes (never inside a UTF-8 sequence), and an empty, "." or ".." name
/// becomes "app".
std::string SafeFileStem(std::string_view name);

/// The first of "Stem.apk", "Stem(1).apk", "Stem(2).apk" ... that does not exist in `folder`
/// (ending in '/'); after n = 999998 the 999999th is taken untested.
std::string FreeApkName(const std::string& folder, const std::string& stem);

/// Renames the engine's file `folder` + `engineName` to the free name for `name` and returns
/// the new file name. When the rename fails the engine's name is kept, with ".apk" added (and
/// the file moved to it) when it does not end in ".apk" in any letter case. Empty when one of
/// the three texts is empty.
std::string FinalApkName(const std::string& name, const std::string& folder,
                         const std::string& engineName);
