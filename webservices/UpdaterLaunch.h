// Starting the external updater, which outlives the program.
#pragma once

#include <string>

namespace webservices {

/// Starts the program at `path` without arguments, in the folder that holds it, and does not
/// wait for it (a detached thread reaps it should the program still be running when it
/// ends). False when it cannot be started (missing or not executable).
[[nodiscard]] bool LaunchUpdater(const std::string& path);

} // namespace webservices
