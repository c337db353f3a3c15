// What the device pages take from outside their library, set where the program is put
// together (app/) and by tests: the download queue start-up, the recommendations browser, the
// web-service questions about phone models, the machine log, and the device monitor's
// settings. Every setter is for the UI thread, before the device page initialises.
#pragma once

#include "device/connection/DeviceMonitor.h"
#include "device/display/ShowPhone.h"

#include <QRect>
#include <QString>

#include <chrono>
#include <functional>
#include <string>

class QWidget;
class PhoneWebServices;

/// Run once on the recommendations panel's start-up message: starts the download queues.
void SetDownloadQueuesInitHook(std::function<void()> hook);
void RunDownloadQueuesInitHook();

/// A browser laid over the recommendations panel: its widget (a child of the panel, already
/// placed over the rectangle) and how to load an address in it.
struct RecommendBrowser {
    QWidget* widget = nullptr;
    std::function<void(const QString& url)> navigate;
};
/// Browser status codes: 1 loading, 2 page complete, 3 failed; others are ignored. The
/// callback may be called on any thread.
using RecommendStatusCallback = std::function<void(int code)>;
/// Creates the panel's browser over `rect` of `panel`; a null widget when there is none.
using RecommendBrowserFactory = std::function<RecommendBrowser(QWidget* panel, const QRect& rect,
                                                               RecommendStatusCallback status)>;
void SetRecommendBrowserFactory(RecommendBrowserFactory factory);
const RecommendBrowserFactory& RecommendBrowserFactoryHook();

/// "http://" + the store host + `path`. The store host is WebService/host of data/Config.ini
/// (with its port when not 80) unless SetStoreHost named one.
void SetStoreHost(const std::string& hostAndPort);
std::string StoreAddress(const std::string& path);

/// The web service's answer about a phone model (ShowPhone); GetMachineInfo by default.
void SetMachineInfoLookup(MachineInfoLookup lookup);
const MachineInfoLookup& MachineInfoLookupHook();

/// The machine log (kinds 3 and 4 from the wizard); ReportMachineEvent by default.
using MachineLogHook =
    std::function<void(const std::string& vid, const std::string& pid, int kind)>;
void SetMachineLogHook(MachineLogHook hook);
void ReportMachineLog(const std::string& vid, const std::string& pid, int kind);

/// How the device page starts its device monitor: sysfs root and known-phone database
/// (defaults when empty), the web service that confirms phones missing from the known-phone
/// list (set by app/; nullptr: none, only listed phones are followed), shorter watcher
/// periods (zero: the monitor's own). `enabled` false keeps the monitor from
/// starting at all: windows tests that must not look for phones (its first start ends every
/// process named "adb").
struct DeviceMonitorSetup {
    bool enabled = true;
    DeviceMonitorSettings settings;
    PhoneWebServices* web = nullptr;
    std::chrono::milliseconds usbPeriod{0};
    std::chrono::milliseconds adbPeriod{0};
    std::chrono::milliseconds pollerPause{0};
};
void SetDeviceMonitorSetup(const DeviceMonitorSetup& setup);
const DeviceMonitorSetup& DeviceMonitorSetupHook();
