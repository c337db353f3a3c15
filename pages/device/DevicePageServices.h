// What the device page and its children take from outside their library: the phone connection,
// the start of the download queues, the recommendations browser, the store's address, the web
// service's answers about phone models and the machine log. The program builds it where it is
// put together (app/) and tests build their own; every collaborator is a constructor argument,
// so a page cannot be made with one missing.
#pragma once

#include "device/connection/DriverJobs.h"
#include "device/display/ShowPhone.h"
#include "ui/browser/BrowserStatus.h"

#include <QRect>
#include <QString>

#include <functional>
#include <string>

class DeviceConnection;
class QWidget;

/// A browser laid over the recommendations panel: its widget (a child of the panel, already
/// placed over the rectangle) and how to load an address in it.
struct RecommendBrowser {
    QWidget* widget = nullptr;
    std::function<void(const QString& url)> navigate;
};
/// The browser's news about its loads (history changes are ignored). The callback may be
/// called on any thread.
using RecommendStatusCallback = BrowserStatusCallback;
/// Creates the panel's browser over `rect` of `panel`; a null widget when there is none.
using RecommendBrowserFactory = std::function<RecommendBrowser(QWidget* panel, const QRect& rect,
                                                               RecommendStatusCallback status)>;

/// Shows the store tab at a store address (the recommendations panel's 更多). UI thread.
using StoreAddressOpener = std::function<void(const std::string& url)>;

/// The machine log (kinds 3 and 4 from the wizard).
using MachineLogFunction =
    std::function<void(const std::string& vid, const std::string& pid, int kind)>;

class DevicePageServices {
public:
    /// `storeHost` is "host[:port]" of the store site. Every function must be callable; the
    /// machine-info lookup runs on the phone worker's thread, the rest on the UI thread.
    DevicePageServices(DeviceConnection& phone, DriverJobs& driverJobs,
                       std::function<void()> startDownloadQueues,
                       RecommendBrowserFactory recommendBrowser, std::string storeHost,
                       MachineInfoLookup machineInfo, MachineLogFunction machineLog)
        : m_phone(phone), m_driverJobs(driverJobs),
          m_startDownloadQueues(std::move(startDownloadQueues)),
          m_recommendBrowser(std::move(recommendBrowser)), m_storeHost(std::move(storeHost)),
          m_machineInfo(std::move(machineInfo)), m_machineLog(std::move(machineLog)) {}

    DeviceConnection& phone() const { return m_phone; }
    /// The wizard's driver job.
    DriverJobs& driverJobs() const { return m_driverJobs; }
    void startDownloadQueues() const { m_startDownloadQueues(); }
    const RecommendBrowserFactory& recommendBrowser() const { return m_recommendBrowser; }
    /// "http://" + the store host + `path`.
    std::string storeAddress(const std::string& path) const {
        return "http://" + m_storeHost + path;
    }
    const MachineInfoLookup& machineInfo() const { return m_machineInfo; }
    void logMachineEvent(const std::string& vid, const std::string& pid, int kind) const {
        m_machineLog(vid, pid, kind);
    }

private:
    DeviceConnection& m_phone;
    DriverJobs& m_driverJobs;
    std::function<void()> m_startDownloadQueues;
    RecommendBrowserFactory m_recommendBrowser;
    std::string m_storeHost;
    MachineInfoLookup m_machineInfo;
    MachineLogFunction m_machineLog;
};
