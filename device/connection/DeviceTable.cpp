// The device table's operations.
#include "DeviceTable.h"

#include "platform/Utf8.h"

namespace {

constexpr std::size_t kIdChars = 4;
constexpr std::size_t kMaxSerialBytes = 99;
constexpr std::size_t kMaxVendorBytes = 29;

// The longest prefix of `text` within `maxBytes` that does not split a UTF-8 sequence.
std::string boundedText(const std::string& text, std::size_t maxBytes) {
    std::string bounded = platform::Utf8Prefix(text, maxBytes);
    while (bounded.size() > maxBytes) {
        bounded = platform::Utf8Prefix(bounded, platform::Utf8Length(bounded) - 1);
    }
    return bounded;
}

} // namespace

void DeviceTable::setEventHandler(EventHandler handler) {
    std::lock_guard guard(m_lock);
    m_handler = std::move(handler);
}

void DeviceTable::setEventsEnabled(bool enabled) {
    std::lock_guard guard(m_lock);
    m_enabled = enabled;
}

void DeviceTable::Add(const std::string& vid, const std::string& pid, const std::string& vendor,
                      const std::string& usbSerial) {
    int index = -1;
    {
        std::lock_guard guard(m_lock);
        for (int i = 0; i < kSlotCount && index < 0; ++i) {
            Entry& entry = m_entries[static_cast<std::size_t>(i)];
            if (!entry.inUse) {
                entry.inUse = true;
                entry.slot = DeviceSlot{0,
                                        vid.substr(0, kIdChars),
                                        pid.substr(0, kIdChars),
                                        {},
                                        boundedText(vendor, kMaxVendorBytes)};
                entry.usbSerial = boundedText(usbSerial, kMaxSerialBytes);
                ++m_count;
                index = i;
            }
        }
    }
    if (index >= 0) {
        raise(DeviceEvent::Arrived, index);
    }
}

void DeviceTable::Remove(const std::string& vid, const std::string& pid,
                         const std::string& usbSerial) {
    const std::string bounded = boundedText(usbSerial, kMaxSerialBytes);
    int index = -1;
    {
        std::lock_guard guard(m_lock);
        // Of two phones of one model, the one unplugged is known by its USB serial.
        for (const bool bySerial : {true, false}) {
            for (int i = 0; i < kSlotCount && index < 0; ++i) {
                const Entry& entry = m_entries[static_cast<std::size_t>(i)];
                if (entry.inUse && entry.slot.vid == vid && entry.slot.pid == pid &&
                    (!bySerial || entry.usbSerial == bounded)) {
                    index = i;
                }
            }
        }
        if (index >= 0) {
            m_entries[static_cast<std::size_t>(index)] = Entry{};
            --m_count;
        }
    }
    if (index >= 0) {
        raise(DeviceEvent::Removed, index);
    }
}

int DeviceTable::findSlotFor(const std::string& serial, bool online) const {
    enum class Match { Serial, UsbSerial, Unknown };
    for (const Match match : {Match::Serial, Match::UsbSerial, Match::Unknown}) {
        if (match != Match::Serial && !online) {
            break;
        }
        for (int i = 0; i < kSlotCount; ++i) {
            const Entry& entry = m_entries[static_cast<std::size_t>(i)];
            if (!entry.inUse) {
                continue;
            }
            const DeviceSlot& slot = entry.slot;
            if ((match == Match::Serial && slot.serial == serial) ||
                (match == Match::UsbSerial && slot.serial.empty() && entry.usbSerial == serial) ||
                (match == Match::Unknown && slot.serial.empty() && entry.usbSerial.empty())) {
                return i;
            }
        }
    }
    return -1;
}

void DeviceTable::SetState(const std::string& serial, bool online) {
    const std::string bounded = boundedText(serial, kMaxSerialBytes);
    int index = -1;
    {
        std::lock_guard guard(m_lock);
        index = bounded.empty() ? -1 : findSlotFor(bounded, online);
        if (index >= 0) {
            DeviceSlot& slot = m_entries[static_cast<std::size_t>(index)].slot;
            slot.serial = bounded;
            slot.adbState = online ? 1 : 0;
        }
    }
    if (index >= 0) {
        raise(online ? DeviceEvent::Online : DeviceEvent::Offline, index);
    }
}

bool DeviceTable::Copy(int index, DeviceSlot& slot) const {
    if (index < 0 || index >= kSlotCount) {
        return false;
    }
    std::lock_guard guard(m_lock);
    const Entry& entry = m_entries[static_cast<std::size_t>(index)];
    if (!entry.inUse) {
        return false;
    }
    slot = entry.slot;
    return true;
}

int DeviceTable::slotFor(const std::string& serial) const {
    const std::string bounded = boundedText(serial, kMaxSerialBytes);
    std::lock_guard guard(m_lock);
    return bounded.empty() ? -1 : findSlotFor(bounded, true);
}

int DeviceTable::nextToFollow() const {
    std::lock_guard guard(m_lock);
    int firstInUse = -1;
    for (int i = 0; i < kSlotCount; ++i) {
        const Entry& entry = m_entries[static_cast<std::size_t>(i)];
        if (!entry.inUse) {
            continue;
        }
        if (entry.slot.adbState == 1) {
            return i;
        }
        if (firstInUse < 0) {
            firstInUse = i;
        }
    }
    return firstInUse;
}

int DeviceTable::count() const {
    std::lock_guard guard(m_lock);
    return m_count;
}

void DeviceTable::raise(DeviceEvent event, int index) const {
    EventHandler handler;
    {
        std::lock_guard guard(m_lock);
        if (!m_enabled || !m_handler) {
            return;
        }
        handler = m_handler;
    }
    handler(event, index);
}
