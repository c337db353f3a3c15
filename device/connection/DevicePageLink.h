// What the device monitor, the connection poller and the wizard retry tell the windows: the
// device page (its state message WM_USER+105 and its wizard button 1016), the download
// manager (WM_USER+124) and the connection wizard (its animation and WM_USER+114). The device
// page and the wizard implement these; tests and penlow-cli record or print the calls.
//
// Every call runs on a worker thread of the connection subsystem and carries that worker's
// stop token. A call may wait until the window has handled it (the messages the windows treat
// as sent), but it must stop waiting once the token is stopped, and a message that was queued
// for a window must be dropped if the token is stopped by the time the window handles it. That
// way stopping a worker from the window's own thread never deadlocks, and nothing of a stopped
// worker reaches a window afterwards.
#pragma once

#include "DeviceTable.h"

#include "device/bridge/AdbDeviceListing.h"

#include <stop_token>
#include <vector>

/// What the connection workers ask the device page to show. The values are the wParam of
/// WM_USER+105 and fixed.
enum class PageState : int {
    EndWizard = 0,    ///< not a state: the wizard's cover ends and the page shows its state
    NoPhone = 1,      ///< welcome view
    NotConnected = 2, ///< phone not connected
    Online = 3,       ///< phone connected and online
    Connecting = 4,   ///< phone found on USB, connecting
    Error = 5,        ///< connection error
};

class DevicePageLink {
public:
    virtual ~DevicePageLink() = default;

    /// Event 0: the monitor runs; the wizard button 1016 may be enabled.
    virtual void enableWizardButton(std::stop_token stop) = 0;

    /// WM_USER+105 to the device page, sent: w = `state`, l = 0.
    virtual void sendPageState(PageState state, std::stop_token stop) = 0;

    /// WM_USER+124 (0, 0) to the download manager, posted: the followed phone went away.
    virtual void postPhoneGone(std::stop_token stop) = 0;

    /// Whether the phone the page follows is "device" in `listing` (the connecting screen's
    /// poller and the wizard's search judge by it; another phone being online does not count).
    /// Any thread. By default: no phone followed, false; the followed serial known
    /// (FollowedSerial), its own line; not known yet, any "device" line.
    virtual bool followedPhoneOnline(const std::vector<AdbDeviceEntry>& listing) const;

    /// Every table event as it is raised, before the page's reaction (traces; nothing by
    /// default).
    virtual void deviceEvent(DeviceEvent event, int index) {
        (void)event;
        (void)index;
    }
};

class WizardLink {
public:
    virtual ~WizardLink() = default;

    /// Stops the wizard's search animation.
    virtual void stopAnimation(std::stop_token stop) = 0;

    /// WM_USER+114 (0, 0) to the wizard, sent: move on to the driver step.
    virtual void sendDriverStep(std::stop_token stop) = 0;
};
