#include "CachedText.h"

#include <utility>

std::string CachedText::load() const {
    std::lock_guard lock(m_mutex);
    return m_value;
}

void CachedText::store(std::string value) {
    std::lock_guard lock(m_mutex);
    m_value.swap(value);
    // The old text is freed after the lock is released, when `value` goes out of scope.
}
