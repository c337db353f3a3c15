// Where the program is put together: one object that owns the phone connection and hands each
// window and page its collaborators (the device page's services, the download manager's
// install services, the store's actions). The program builds it with RealCollaborators(); tests
// build the same object with collaborators of their own. UI thread; it outlives the main window.
#pragma once

#include "device/connection/DriverJobs.h"
#include "pages/device/DeviceConnection.h"
#include "pages/device/DevicePageServices.h"
#include "pages/downloads/InstallQueueView.h"
#include "pages/downloads/KivInstallQueue.h"
#include "pages/store/StoreScriptReceiver.h"
#include "ui/toolkit/KivWindowHandle.h"

#include <memory>
#include <string>

class ProgramServices {
public:
    /// A store request to download an app; `installQueue` tells whether its URL waits in the
    /// downloaded page's install queue.
    using StartDownload =
        std::function<int(const ScriptRequest& request, const InstallQueueView& installQueue)>;

    /// The collaborators that come from outside the pages. RealCollaborators() gives the program's.
    struct Collaborators {
        std::shared_ptr<PhoneWebServices> phoneWeb; ///< GetDevice and machine reports; never null
        std::function<void()> phoneGone;            ///< any thread: the phone left
        DeviceConnectionSetup connection;
        DriverJobParts driverJob; ///< the wizard's driver job: web service, queue, installer
        std::string storeHost;
        std::function<void()> startDownloadQueues;
        RecommendBrowserFactory recommendBrowser;
        MachineInfoLookup machineInfo;
        MachineLogFunction machineLog;
        KivInstallServices::Serial serial;
        KivInstallServices::Install install;
        KivInstallServices::Report installReport;
        StartDownload startDownload;
        StoreActions::FlyingIcon flyingIcon;
    };

    /// The program's own: the web service of data/Config.ini, the system's adb, the store
    /// host of the settings, the real download manager and browser.
    static Collaborators RealCollaborators();

    explicit ProgramServices(Collaborators parts);
    ~ProgramServices();
    ProgramServices(const ProgramServices&) = delete;
    ProgramServices& operator=(const ProgramServices&) = delete;

    DeviceConnection& phone() { return m_phone; }
    DriverJobs& driverJobs() { return m_driverJobs; }
    const DevicePageServices& devicePage() const { return m_devicePage; }
    /// The install queue sees a phone when the device table follows one; the downloaded page
    /// shows its queue to the store's requests through the program's queue view.
    KivInstallServices installServices();
    /// The store's actions; store addresses open in the store tab of `mainWindow`.
    StoreActions storeActions(KivWindowHandle mainWindow) const;

private:
    Collaborators m_parts;
    DriverJobs m_driverJobs; // stopped and joined after the connection and pages are gone
    const std::shared_ptr<InstallQueueView> m_installQueue = std::make_shared<InstallQueueView>();
    DeviceConnection m_phone;
    DevicePageServices m_devicePage;
};
