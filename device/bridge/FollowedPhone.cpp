#include "FollowedPhone.h"

#include <mutex>

namespace {

std::mutex g_lock;
std::string g_serial; // guarded by g_lock

} // namespace

void SetFollowedSerial(const std::string& serial) {
    std::lock_guard guard(g_lock);
    g_serial = serial;
}

std::string FollowedSerial() {
    std::lock_guard guard(g_lock);
    return g_serial;
}
