// The device monitor's reactions to table events: it follows one phone, `CurrentDevice`, and
// turns its arrival, readiness and departure into device page states.
#pragma once

#include "DeviceTable.h"

#include <atomic>
#include <stop_token>

class DevicePageLink;

class DeviceEventHandler {
public:
    explicit DeviceEventHandler(DevicePageLink& page) : m_page(page) {}

    /// Reacts to `event` for slot `index` on the raising thread:
    ///  0: enable the wizard button;
    ///  1: with no phone followed, follow this slot and send state 4;
    ///  2: for the followed slot, post the phone-gone notice, follow none, send state 1;
    ///  3: for the followed slot, send state 3;
    ///  4: nothing.
    /// Nothing at all once `stop` is requested.
    void handle(DeviceEvent event, int index, std::stop_token stop);

    /// The followed slot, -1 when none. Written only by handle(), on the USB watcher's thread.
    int currentDevice() const { return m_currentDevice.load(); }

private:
    DevicePageLink& m_page;
    std::atomic<int> m_currentDevice{-1};
};
