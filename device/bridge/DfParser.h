// Free space of the data partition and the SD card from the `df` tables phones print. No I/O.
//
// The tables are read at fixed character offsets around markers, which fits the layouts
// phones print: busybox `df -m` and toolbox `df` with a "Use%" column (megabytes, or kilobytes
// under a "K-blocks" header), both with the mount point last; and the older toolbox table with
// the mount point first, sizes such as "487M" or "1.5G" and the block size 4096 last.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

/// Free megabytes; a value that could not be located stays empty.
struct DfValues {
    std::optional<std::int64_t> sdcard;
    std::optional<std::int64_t> data;
    bool any() const { return sdcard.has_value() || data.has_value(); }
};

/// `busybox df -m`: 7 characters from 10 before the first "%" within the 50 characters
/// before "/data" (respectively "/sdcard").
DfValues ParseBusyboxDf(std::string_view output);

/// Toolbox `df`. With a "%" anywhere: 8 characters from 11 before the first "%" within the
/// 50 characters before "/data" (respectively "/sdcard2", else "/sdcard"), divided by 1024
/// under a "K-blocks" header. Otherwise the block-size table: 7 characters from 8 before the
/// first "4096" within the 50 characters after the mount name; "G" values times 1024, "K"
/// values divided by 1024.
DfValues ParseToolboxDf(std::string_view output);
