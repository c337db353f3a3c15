// Program paths: the program folder, the user's Documents folder, and the path builder every
// subsystem uses. Paths use '/'; the folder and file names are the program's own.
#pragma once

#include <string>

/// Folder of the running executable, without a trailing '/'. False (path untouched) when the
/// executable path cannot be read or has no '/' after its first character.
/// `OverrideModuleFolder` replaces the answer for the whole process (penlow-cli's
/// --program-folder, tests).
[[nodiscard]] bool GetModuleFolder(std::string& path);
void OverrideModuleFolder(const std::string& folder);

/// The current user's Documents folder; true always, with an empty path when unknown.
bool GetDocumentsFolder(std::string& path);

/// program folder + "/" + folder + "/" + file, and a trailing "/" when `isFile` is false.
/// False (path untouched) when `file` or `folder` is null. When the program folder cannot be
/// determined the path starts with a bare "/".
[[nodiscard]] bool BuildAppPath(const char* file, const char* folder, bool isFile,
                                std::string& path);

/// Creates every missing folder of `path`. True when all exist afterwards; the first failed
/// creation returns false and leaves the folders created before it.
[[nodiscard]] bool CreateDirectoryPath(const char* path);
