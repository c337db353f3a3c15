// Device events to device page states.
#include "DeviceEventHandler.h"

#include "DevicePageLink.h"

#include "device/bridge/FollowedPhone.h"

void DeviceEventHandler::followSerialOf(int index) {
    DeviceSlot slot;
    SetPhoneFollowed(index >= 0);
    if (m_table != nullptr) {
        SetFollowedSerial(index >= 0 && m_table->Copy(index, slot) ? slot.serial : std::string());
    }
}

void DeviceEventHandler::followedPhoneLeft(std::stop_token stop) {
    // The notice goes out before the page state so that the download side lets go of the
    // phone first.
    m_page.postPhoneGone(stop);
    // Another phone still attached is followed from now on: the page connects to it as to a
    // phone just plugged in (the poller judges whether it is online).
    const int next = m_table != nullptr ? m_table->nextToFollow() : -1;
    m_currentDevice.store(next);
    followSerialOf(next);
    if (!stop.stop_requested()) {
        m_page.sendPageState(next >= 0 ? PageState::Connecting : PageState::NoPhone, stop);
    }
}

void DeviceEventHandler::handle(DeviceEvent event, int index, std::stop_token stop) {
    if (stop.stop_requested()) {
        return;
    }
    m_page.deviceEvent(event, index);
    switch (event) {
    case DeviceEvent::MonitorRunning:
        m_page.enableWizardButton(stop);
        break;
    case DeviceEvent::Arrived:
        // A second phone gets a slot but is not followed until the first one leaves.
        if (m_currentDevice.load() == -1) {
            m_currentDevice.store(index);
            followSerialOf(index);
            m_page.sendPageState(PageState::Connecting, stop);
        }
        break;
    case DeviceEvent::Removed:
        if (index == m_currentDevice.load()) {
            followedPhoneLeft(stop);
        }
        break;
    case DeviceEvent::Online:
        if (index == m_currentDevice.load()) {
            followSerialOf(index); // the slot has just learnt its serial
            m_page.sendPageState(PageState::Online, stop);
        }
        break;
    case DeviceEvent::Offline:
        break;
    }
}
