// One process-wide cached text (model, device, MAC, IMEI) that several threads read while
// the phone worker replaces it.
#pragma once

#include <mutex>
#include <string>

class CachedText {
public:
    /// A copy of the current value: the old or the new one, never a mixture.
    std::string load() const;
    void store(std::string value);
    void clear() { store(std::string()); }

private:
    mutable std::mutex m_mutex; // guards m_value; held only to copy or swap the text
    std::string m_value;
};
