#include "PhoneWorker.h"

#include "DeviceConnection.h"
#include "DevicePageServices.h"
#include "DevicePageMessages.h"

#include "device/bridge/AdbHostClient.h"
#include "device/bridge/DeviceIdentity.h"
#include "device/bridge/InstallPackage.h"
#include "device/bridge/PhoneInfo.h"
#include "device/bridge/QueryPhoneInfo.h"
#include "device/bridge/BatteryQuery.h"
#include "device/bridge/StorageQuery.h"
#include "device/display/ShowPhone.h"
#include "platform/DebugLog.h"
#include "platform/Interruptible.h"
#include "platform/config/AppPaths.h"
#include "resources/PictureResources.h"
#include "ui/toolkit/KivMessaging.h"

#include <mutex>
#include <unistd.h>

namespace {

std::atomic<int> g_picturesShown{0};

struct Targets {
    KivWindowHandle page;
    KivWindowHandle infoPanel;
    DeviceConnection* phone;       // outlives the page and so every run
    MachineInfoLookup machineInfo; // a copy: the run may outlive the page's services
};

enum class PictureOutcome { Shown, Unreadable, Failed };

PictureOutcome ShowPicture(const Targets& to, const DeviceSlot& slot, std::stop_token stop) {
    PhoneView view;
    {
        PhonePicture picture;
        if (stop.stop_requested() || !ShowPhone(slot.vid, slot.pid, to.machineInfo, picture)) {
            return PictureOutcome::Failed;
        }
        view.picture = QImage(QString::fromStdString(picture.path));
        view.name = QString::fromStdString(picture.name);
    }
    if (view.picture.isNull()) {
        return PictureOutcome::Unreadable;
    }
    if (SendKivMessage(to.page, kMsgWorkerPicture, 0, reinterpret_cast<KivLParam>(&view), stop)) {
        ++g_picturesShown;
    }
    return PictureOutcome::Shown;
}

void ShowStorage(const Targets& to, std::stop_token stop) {
    std::int64_t sdcard = 0;
    std::int64_t data = 0;
    StorageView view;
    if (QueryStorage(sdcard, data)) {
        view.phone = StorageText(data);
        view.sdcard = StorageText(sdcard);
    } else {
        view.phone = view.sdcard = ValueText{kUnknownMarker, ""};
    }
    SendKivMessage(to.page, kMsgWorkerStorage, 0, reinterpret_cast<KivLParam>(&view), stop);
}

void ShowBattery(const Targets& to, std::stop_token stop) {
    std::string level;
    const bool ok = QueryBattery(level);
    const ValueText text = BatteryText(ok, level);
    SendKivMessage(to.page, kMsgWorkerBattery, 0, reinterpret_cast<KivLParam>(&text), stop);
}

// Refreshes the property caches the usage reports read, then puts the store client onto the
// phone when the program folder carries one (none is shipped; its install result is ignored).
void RefreshCachesAndInstallStoreClient() {
    std::string text;
    GetUsbMac(text, true);
    GetImei(text, true);
    GetWifiMac(text, true);
    GetModel(text, true);
    GetProductDevice(text, true);
    std::string path;
    if (!BuildAppPath("Market_penlow.apk", "data", true, path) ||
        ::access(path.c_str(), R_OK) != 0) {
        return;
    }
    (void)InstallPackage("Market_penlow.apk", GetSerial(false).serial, path);
}

void Work(std::stop_token stop, Targets to) {
    resources::RegisterPictureResources(); // the phone shells
    GetSerial(true);
    PhoneInfo info;
    if (!stop.stop_requested() && QueryPhoneInfo(info)) {
        SendKivMessage(to.infoPanel, kMsgPhoneInfo, reinterpret_cast<KivWParam>(&info), 1, stop);
    }
    std::string text;
    GetProductDevice(text, true);
    GetModel(text, true);
    DeviceSlot slot;
    (void)to.phone->copyCurrentDevice(slot); // empty ids: the default shell
    if (stop.stop_requested()) {
        return;
    }
    ShowPicture(to, slot, stop);
    ShowStorage(to, stop);
    ShowBattery(to, stop);
    if (stop.stop_requested()) {
        return;
    }
    RefreshCachesAndInstallStoreClient();
    while (!stop.stop_requested()) {
        if (ShowPicture(to, slot, stop) != PictureOutcome::Unreadable) {
            platform::SleepFor(stop, PhoneWorker::kRefreshPause);
        }
    }
}

} // namespace

void PhoneWorker::start(const KivWindowHandle& page, const KivWindowHandle& infoPanel,
                        const DevicePageServices& services) {
    Targets targets{page, infoPanel, &services.phone(), services.machineInfo()};
    if (!m_worker.start([to = std::move(targets)](std::stop_token stop) { Work(stop, to); })) {
        platform::DebugOutput("PhoneWorker: no thread for the phone worker");
    }
}

int PhoneWorker::picturesShownForTesting() {
    return g_picturesShown.load();
}
