// Reading the battery level and the location of the capacity file out of shell output.
// No I/O.
#pragma once

#include <optional>
#include <string>
#include <string_view>

/// The output is a battery level: at most 6 characters, digits (with blanks or line breaks
/// around them) for a number from 0 to 100.
bool IsBatteryLevel(std::string_view output);

/// The output is too long to be a level (an error text rather than a number).
bool IsLongerThanLevel(std::string_view output);

/// From `find -name capacity` output: the path on the line of the first "capacity", up to
/// and including that word. Nothing when there is none, or when the path holds anything
/// but letters, digits and "._-/" (it becomes part of a phone command line).
std::optional<std::string> CapacityPathFromFind(std::string_view output);
