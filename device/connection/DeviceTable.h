// The table of attached USB phones: 64 slots written by the device monitor's watchers and
// read by the device page. Every operation takes the table's mutex for its whole table access;
// events are raised after the mutex is released, on the thread that changed the table.
#pragma once

#include <array>
#include <functional>
#include <mutex>
#include <string>

/// What changed in the table; the number is the event code.
enum class DeviceEvent : int {
    MonitorRunning = 0, ///< the adb watcher is running (index 0)
    Arrived = 1,        ///< a phone appeared on USB (new slot)
    Removed = 2,        ///< a phone left USB (freed slot)
    Online = 3,         ///< adb lists the phone as "device"
    Offline = 4,        ///< adb no longer lists the phone as "device"
};

/// One attached phone, as Copy hands it out (everything but the in-use mark).
struct DeviceSlot {
    int adbState = 0;   ///< 1 after adb listed the phone as "device", else 0
    std::string vid;    ///< 4 upper-case hex digits
    std::string pid;    ///< 4 upper-case hex digits
    std::string serial; ///< adb serial (at most 99 bytes), empty until adb first reports it
    std::string vendor; ///< vendor name from the vendor table, may be empty (at most 29 bytes)
};

class DeviceTable {
public:
    static constexpr int kSlotCount = 64;
    using EventHandler = std::function<void(DeviceEvent event, int index)>;

    /// The function events go to (may be empty) and whether they are raised at all. Events are
    /// raised only while a handler is set and events are enabled (the default).
    void setEventHandler(EventHandler handler);
    void setEventsEnabled(bool enabled);

    /// Takes the first free slot for a phone and raises Arrived. Nothing when all are in use.
    /// `usbSerial` is the serial the phone gives on USB (empty when unknown): adb names a USB
    /// phone by it, so it decides which slot an adb serial belongs to.
    void Add(const std::string& vid, const std::string& pid, const std::string& vendor,
             const std::string& usbSerial = {});

    /// Frees the first slot in use with this VID, PID and USB serial (else the first with this
    /// VID and PID) and raises Removed. Nothing when no slot matches.
    void Remove(const std::string& vid, const std::string& pid, const std::string& usbSerial = {});

    /// Finds the slot of the adb phone `serial`: the first slot that carries it; when none does
    /// and the phone is `online`, the first slot without a serial whose USB serial equals it,
    /// else the first slot without a serial or USB serial, which then takes it. That slot gets
    /// the adb state (`online`: 1, else 0) and Online or Offline is raised for it. A phone
    /// going offline never names a slot. Nothing when no slot matches.
    void SetState(const std::string& serial, bool online);

    /// Copies slot `index`. False when the index is outside 0..63 or the slot is free.
    [[nodiscard]] bool Copy(int index, DeviceSlot& slot) const;

    /// The slot SetState(serial, true) would give the phone `serial`, without changing the
    /// table; -1 when none.
    int slotFor(const std::string& serial) const;

    /// The phone to follow once the followed one has left: the first slot in use that adb lists
    /// as "device", else the first slot in use; -1 when no phone is attached.
    int nextToFollow() const;

    /// Number of slots in use.
    int count() const;

    /// Raises `event` for `index` through the handler (the adb watcher's MonitorRunning).
    void raise(DeviceEvent event, int index) const;

private:
    struct Entry {
        bool inUse = false;
        DeviceSlot slot;
        std::string usbSerial;
    };

    int findSlotFor(const std::string& serial, bool online) const; // caller holds m_lock

    mutable std::mutex m_lock;
    std::array<Entry, kSlotCount> m_entries; ///< guarded by m_lock
    int m_count = 0;                         ///< guarded by m_lock
    EventHandler m_handler;                  ///< guarded by m_lock; called without it
    bool m_enabled = true;                   ///< guarded by m_lock
};
