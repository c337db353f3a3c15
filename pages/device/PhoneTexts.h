// The texts of the connected screen's value rows: storage in "MB" or "G", the battery level
// with "%", "无" for a missing SD card and "未知" where nothing could be read. Pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

/// A value and the unit drawn after it.
struct ValueText {
    std::string value;
    std::string unit;
};

/// Megabytes below 1024 as "<n>" "MB", else "<n / 1024 with two decimals>" "G".
ValueText StorageText(std::int64_t megabytes);

/// The SD card row: "无" for a phone that lists no SD card, else StorageText.
ValueText SdCardText(const std::optional<std::int64_t>& megabytes);

/// The battery row: `ok` false gives "未知"; an answer "未知" stays as it is; anything else is
/// its leading integer with "%".
ValueText BatteryText(bool ok, const std::string& level);
