// Device events to device page states.
#include "DeviceEventHandler.h"

#include "DevicePageLink.h"

#include "device/bridge/FollowedPhone.h"

void DeviceEventHandler::followSerialOf(int index) {
    DeviceSlot slot;
    if (m_table != nullptr) {
        SetFollowedSerial(index >= 0 && m_table->Copy(index, slot) ? slot.serial : std::string());
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
            m_page.sendPageState(kPageStateConnecting, 0, stop);
        }
        break;
    case DeviceEvent::Removed:
        if (index == m_currentDevice.load()) {
            // The notice goes out before the page state so that the download side lets go of
            // the phone first.
            m_page.postPhoneGone(stop);
            m_currentDevice.store(-1);
            followSerialOf(-1);
            if (!stop.stop_requested()) {
                m_page.sendPageState(kPageStateNoPhone, 0, stop);
            }
        }
        break;
    case DeviceEvent::Online:
        if (index == m_currentDevice.load()) {
            followSerialOf(index); // the slot has just learnt its serial
            m_page.sendPageState(kPageStateOnline, 0, stop);
        }
        break;
    case DeviceEvent::Offline:
        break;
    }
}
