// Free space on the phone: the SD card and the data partition, in megabytes.
#pragma once

#include "DfParser.h"

#include <cstdint>

/// Up to three passes, each `busybox df -m` (pushing busybox when needed, see RunBusybox) and,
/// when busybox gives nothing, the phone's own `df` (10 s limit). Stops after the first pass
/// that located either value. A value that could not be located is 0. True when at least
/// one value was located.
bool QueryStorage(std::int64_t& sdcardMb, std::int64_t& dataMb);

/// The same passes, keeping which values were located: a phone without an SD card lists no
/// SD card mount, and `values.sdcard` stays empty. True when at least one value was located.
bool QueryStorageValues(DfValues& values);
