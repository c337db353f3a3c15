// Debug-output lines ("CKivDownObj::OnRun exit" and the like): developer traces written to
// stderr, never shown to the user. Tests can capture them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

/// Writes one debug line. Thread-safe.
void DebugOutput(std::string_view line);

/// Replaces the sink for all debug lines (nullptr restores stderr). For tests.
void SetDebugSinkForTesting(std::function<void(const std::string&)> sink);

} // namespace platform
