// Starting the external updater, which outlives the program.
#pragma once

#include <string>

namespace webservices {

/// Starts the program at `path` without arguments, in the folder that holds it, and does not
/// wait for it: it is started through a shell that leaves at once, so it is not our child and
/// needs no reaping. False when it cannot be started (missing or not executable).
[[nodiscard]] bool LaunchUpdater(const std::string& path);

} // namespace webservices
