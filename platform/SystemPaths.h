// Where the running executable and the user's Documents folder are.
#pragma once

#include <optional>
#include <string>

namespace platform {

/// Full path of the running executable (/proc/self/exe), or nothing when it cannot be read.
std::optional<std::string> ExecutablePath();

/// The user's Documents folder: $XDG_DOCUMENTS_DIR, else the XDG user-dirs entry, else
/// $HOME/Documents. Empty when no home folder is known.
std::string DocumentsPath();

/// Base name of `path` without its extension ("Penlow" for "/opt/Penlow/Penlow").
std::string BaseNameWithoutExtension(const std::string& path);

/// True when `path` names an existing directory / regular file.
bool IsDirectory(const std::string& path);
bool IsRegularFile(const std::string& path);

} // namespace platform
