// Messages the device pages send among themselves (workers to their windows). They are
// private to this library, numbered far from the program's shared ones.
#pragma once

#include "ui/toolkit/KivMessages.h"

#include <stop_token>

/// To the device page: the device monitor runs (enable the wizard button 1016).
inline constexpr unsigned kMsgMonitorRunning = kWmUser + 1601;
/// To the device page from the phone worker, posted: payload WorkerPost<PhoneView>.
inline constexpr unsigned kMsgWorkerPicture = kWmUser + 1602;
/// To the device page from the phone worker, posted: payload WorkerPost<StorageView>.
inline constexpr unsigned kMsgWorkerStorage = kWmUser + 1603;
/// To the device page from the phone worker, posted: payload WorkerPost<ValueText> (battery).
inline constexpr unsigned kMsgWorkerBattery = kWmUser + 1604;
/// To the wizard from the search thread, sent: stop the wizard animation.
inline constexpr unsigned kMsgWizardStopAnimation = kWmUser + 1605;
/// To the wizard from the driver job, posted: w = code, payload WorkerPost<DriverProgress>.
inline constexpr unsigned kMsgWizardProgress = kWmUser + 1606;
/// To the recommendations panel from the browser, posted: w = status code.
inline constexpr unsigned kMsgRecommendStatus = kWmUser + 1607;
/// To the device page from the connection poller, posted: payload WorkerPost<PageState>.
/// Dropped when the poller was stopped before the page handles it.
inline constexpr unsigned kMsgWorkerState = kWmUser + 1608;
/// To the device page from the phone worker, posted: payload WorkerPost<PhoneLink>.
inline constexpr unsigned kMsgWorkerLink = kWmUser + 1609;
// The info panel hears from the phone worker through kMsgPhoneInfo (KivMessages.h), posted:
// w = 1, payload WorkerPost<PhoneInfo>; w = 0 (sent by the page) shows the placeholders.

/// A value posted by a worker, with the stop token of the run that made it. The handler owns
/// the value (the window never reads a worker's memory) and drops it when the run was stopped
/// before it arrived, so nothing of an ended connection or job shows after its stop.
template <class T> struct WorkerPost {
    T value;
    std::stop_token stop;
};

/// Whether the shown phone answers (kMsgWorkerLink).
enum class PhoneLink { Answering, Interrupted };
