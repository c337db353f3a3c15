// The device monitor's reactions to table events: it follows one phone, `CurrentDevice`, and
// turns its arrival, readiness and departure into device page states. The followed phone's
// serial is handed to the adb runners (SetFollowedSerial) before the page hears of it, so
// that with several phones attached every adb command goes to the followed one.
#pragma once

#include "DeviceTable.h"

#include <atomic>
#include <stop_token>

class DevicePageLink;

class DeviceEventHandler {
public:
    /// `table` (may be null: no serial is handed on) is the table whose events come in.
    explicit DeviceEventHandler(DevicePageLink& page, const DeviceTable* table = nullptr)
        : m_page(page), m_table(table) {}

    /// Reacts to `event` for slot `index` on the raising thread:
    ///  0: enable the wizard button;
    ///  1: with no phone followed, follow this slot and send state 4;
    ///  2: for the followed slot, post the phone-gone notice, then follow the next attached
    ///     phone (DeviceTable::nextToFollow) and send state 4, or with none follow none and
    ///     send state 1;
    ///  3: for the followed slot, send state 3;
    ///  4: nothing.
    /// Nothing at all once `stop` is requested.
    void handle(DeviceEvent event, int index, std::stop_token stop);

    /// The followed slot, -1 when none. Written only by handle(), on the USB watcher's thread.
    int currentDevice() const { return m_currentDevice.load(); }

private:
    void followSerialOf(int index);
    void followedPhoneLeft(std::stop_token stop);

    DevicePageLink& m_page;
    const DeviceTable* m_table;
    std::atomic<int> m_currentDevice{-1};
};
