// Messages the device pages send among themselves (workers to their windows). They are
// private to this library, numbered far from the program's shared ones.
#pragma once

#include "ui/toolkit/KivMessages.h"

#include <stop_token>

/// To the device page: the device monitor runs (enable the wizard button 1016).
inline constexpr unsigned kMsgMonitorRunning = kWmUser + 1601;
/// To the device page from the phone worker, sent: l = const PhoneView* (picture and name).
inline constexpr unsigned kMsgWorkerPicture = kWmUser + 1602;
/// To the device page from the phone worker, sent: l = const StorageView*.
inline constexpr unsigned kMsgWorkerStorage = kWmUser + 1603;
/// To the device page from the phone worker, sent: l = const ValueText* (battery row).
inline constexpr unsigned kMsgWorkerBattery = kWmUser + 1604;
/// To the wizard from the search thread, sent: stop the wizard animation.
inline constexpr unsigned kMsgWizardStopAnimation = kWmUser + 1605;
/// To the wizard from the driver job, sent: w = code, l = const DriverProgress*.
inline constexpr unsigned kMsgWizardProgress = kWmUser + 1606;
/// To the recommendations panel from the browser, posted: w = status code.
inline constexpr unsigned kMsgRecommendStatus = kWmUser + 1607;
/// To the device page from the connection poller, posted: w = state, payload
/// WorkerStateRequest. Dropped when the poller was stopped before the page handles it.
inline constexpr unsigned kMsgWorkerState = kWmUser + 1608;
/// To the device page from the phone worker, sent: w = 1 the phone stopped answering, 0 it
/// answers again.
inline constexpr unsigned kMsgWorkerLink = kWmUser + 1609;

struct WorkerStateRequest {
    KivLParam lParam = 0;
    std::stop_token stop;
};
