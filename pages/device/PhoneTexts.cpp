#include "PhoneTexts.h"

#include "device/bridge/PhoneInfo.h"

#include <charconv>
#include <cstdio>

ValueText StorageText(std::int64_t megabytes) {
    if (megabytes < 1024) {
        return {std::to_string(megabytes), "MB"};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(megabytes) / 1024.0);
    return {text, "G"};
}

ValueText SdCardText(const std::optional<std::int64_t>& megabytes) {
    // "0 MB" would read as a full card; a phone without a card says so.
    return megabytes ? StorageText(*megabytes) : ValueText{"无", ""};
}

ValueText BatteryText(bool ok, const std::string& level) {
    if (!ok || level == kUnknownMarker) {
        return {kUnknownMarker, ""};
    }
    // The phone prints the level with a line break ("85\r\n"); leading blanks are skipped as
    // the C runtime's number reading does.
    std::size_t at = level.find_first_not_of(" \t\r\n");
    int value = 0;
    if (at != std::string::npos) {
        std::from_chars(level.data() + at, level.data() + level.size(), value);
    }
    return {std::to_string(value), "%"};
}
