#include "cKivDownloadInfo.h"

#include <atomic>

namespace {
std::atomic<std::uint64_t> g_nextSerial{1};
} // namespace

cKivDownloadInfo::cKivDownloadInfo() : serial(g_nextSerial.fetch_add(1)) {}
