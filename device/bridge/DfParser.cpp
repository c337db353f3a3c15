#include "DfParser.h"

#include "OutputText.h"

#include <string>

namespace {

constexpr std::size_t kWindowChars = 50;
constexpr std::int64_t kUnitFactor = 1024;

// Where to look for the number: `count` characters starting `offset` characters from the
// first `anchor` inside the window, which must sit at `minAnchor` or later.
struct Column {
    std::u32string_view anchor;
    std::int64_t offset;
    std::int64_t count;
    std::size_t minAnchor;
};

constexpr Column kBusyboxColumn{U"%", -10, 7, 0};
constexpr Column kPercentColumn{U"%", -11, 8, 0};
constexpr Column kBlockSizeColumn{U"4096", -8, 7, 0};

// The (up to) 50 characters just before the marker; near the start of the text the window is
// shorter rather than reaching past the marker.
std::u32string_view windowBefore(std::u32string_view chars, std::size_t markerAt) {
    std::size_t start = markerAt > kWindowChars ? markerAt - kWindowChars : 0;
    return chars.substr(start, markerAt - start);
}

// The excerpt as text, without line breaks and ':' (labels such as "Free:" end in one).
std::optional<std::string> excerpt(std::u32string_view window, const Column& column) {
    std::optional<std::size_t> at = FindChars(window, column.anchor);
    if (!at || *at < column.minAnchor) {
        return std::nullopt;
    }
    std::u32string_view part =
        CharExcerpt(window, static_cast<std::int64_t>(*at) + column.offset, column.count);
    std::string text;
    for (char c : RemoveLineBreaks(EncodeChars(part))) {
        if (c != ':') {
            text += c;
        }
    }
    return text;
}

// The number in the excerpt; nothing when the excerpt holds no digits, or a negative number
// (free space never is: the column was misread, and "-7" must not reach the page as storage).
std::optional<std::int64_t> number(const std::optional<std::string>& text) {
    if (!text) {
        return std::nullopt;
    }
    std::size_t digits = 0;
    std::int64_t value = TextToInt(*text, &digits);
    if (digits == 0 || value < 0) {
        return std::nullopt;
    }
    return value;
}

// Column value in the window before `marker`.
std::optional<std::int64_t> valueBefore(std::u32string_view chars, std::u32string_view marker,
                                        Column column) {
    std::optional<std::size_t> at = FindChars(chars, marker);
    if (!at) {
        return std::nullopt;
    }
    return number(excerpt(windowBefore(chars, *at), column));
}

// Block-size table: the window starts `skip` characters after the marker (just past it).
std::optional<std::int64_t> valueAfter(std::u32string_view chars, std::u32string_view marker,
                                       std::int64_t skip, Column column) {
    std::optional<std::size_t> at = FindChars(chars, marker);
    if (!at) {
        return std::nullopt;
    }
    std::u32string_view window = CharExcerpt(chars, static_cast<std::int64_t>(*at) + skip,
                                             static_cast<std::int64_t>(kWindowChars));
    std::optional<std::string> text = excerpt(window, column);
    std::optional<std::int64_t> value = number(text);
    if (value && Contains(*text, "G")) {
        *value *= kUnitFactor;
    } else if (value && Contains(*text, "K")) {
        *value /= kUnitFactor; // kilobytes: whole megabytes only
    }
    return value;
}

std::optional<std::int64_t> divided(std::optional<std::int64_t> value) {
    if (value) {
        *value /= kUnitFactor;
    }
    return value;
}

DfValues parsePercentTable(std::u32string_view chars) {
    Column sdColumn = kPercentColumn;
    sdColumn.minAnchor = 1;
    bool second = FindChars(chars, U"/sdcard2").has_value();
    DfValues values;
    values.data = valueBefore(chars, U"/data", kPercentColumn);
    values.sdcard = valueBefore(chars, second ? U"/sdcard2" : U"/sdcard", sdColumn);
    if (FindChars(chars, U"K-blocks")) {
        values.data = divided(values.data);
        values.sdcard = divided(values.sdcard);
    }
    return values;
}

DfValues parseBlockSizeTable(std::u32string_view chars) {
    Column sdColumn = kBlockSizeColumn;
    sdColumn.minAnchor = 1;
    DfValues values;
    values.data = valueAfter(chars, U"/data", 5, kBlockSizeColumn);
    if (FindChars(chars, U"/sdcard2")) {
        values.sdcard = valueAfter(chars, U"/sdcard2", 8, sdColumn);
    } else {
        values.sdcard = valueAfter(chars, U"/sdcard", 7, sdColumn);
    }
    return values;
}

} // namespace

DfValues ParseBusyboxDf(std::string_view output) {
    std::u32string chars = DecodeChars(output);
    Column sdColumn = kBusyboxColumn;
    sdColumn.minAnchor = 1;
    DfValues values;
    values.data = valueBefore(chars, U"/data", kBusyboxColumn);
    values.sdcard = valueBefore(chars, U"/sdcard", sdColumn);
    return values;
}

DfValues ParseToolboxDf(std::string_view output) {
    std::u32string chars = DecodeChars(output);
    if (FindChars(chars, U"%")) {
        return parsePercentTable(chars);
    }
    return parseBlockSizeTable(chars);
}
