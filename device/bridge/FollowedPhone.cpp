#include "FollowedPhone.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex g_lock;
std::string g_serial; // guarded by g_lock
std::atomic<bool> g_followed{false};

} // namespace

void SetFollowedSerial(const std::string& serial) {
    std::lock_guard guard(g_lock);
    g_serial = serial;
}

std::string FollowedSerial() {
    std::lock_guard guard(g_lock);
    return g_serial;
}

void SetPhoneFollowed(bool followed) {
    g_followed.store(followed);
}

bool PhoneFollowed() {
    return g_followed.load();
}
