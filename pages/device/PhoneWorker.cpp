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
std::atomic<std::chrono::milliseconds::rep> g_batteryPeriodMs{0}; // 0: kBatteryPeriod

struct Targets {
    KivWindowHandle page;
    KivWindowHandle infoPanel;
    DeviceConnection* phone;       // outlives the page and so every run
    MachineInfoLookup machineInfo; // a copy: the run may outlive the page's services
    std::chrono::milliseconds batteryPeriod;
};

// The web service is asked about the phone's model once per connection: its answer, or that it
// had none, stands until the phone connects again (ShowPhone runs every second).
MachineInfoLookup OncePerConnection(MachineInfoLookup lookup) {
    struct Memo {
        bool asked = false;
        bool known = false;
        MachineDisplayInfo info;
    };
    auto memo = std::make_shared<Memo>(); // the worker's thread only
    return [lookup = std::move(lookup), memo](const std::string& vid, const std::string& pid,
                                              const std::string& model, const std::string& device,
                                              MachineDisplayInfo& info) {
        if (!memo->asked) {
            memo->asked = true;
            memo->known = lookup && lookup(vid, pid, model, device, memo->info);
        }
        if (memo->known) {
            info = memo->info;
        }
        return memo->known;
    };
}

enum class PictureOutcome { Shown, Unreadable, Failed };

PictureOutcome ShowPicture(const Targets& to, const DeviceSlot& slot, const std::stop_token& stop) {
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

void ShowStorage(const Targets& to, const std::stop_token& stop) {
    DfValues values;
    StorageView view;
    if (QueryStorageValues(values)) {
        view.phone = values.data ? StorageText(*values.data) : ValueText{kUnknownMarker, ""};
        view.sdcard = SdCardText(values.sdcard);
    } else {
        view.phone = view.sdcard = ValueText{kUnknownMarker, ""};
    }
    SendKivMessage(to.page, kMsgWorkerStorage, 0, reinterpret_cast<KivLParam>(&view), stop);
}

void ShowBattery(const Targets& to, const std::stop_token& stop) {
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

void KeepLive(const Targets& to, const DeviceSlot& slot, const std::stop_token& stop);

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
    KeepLive(to, slot, stop);
}

// Tells the page whether the phone answers, once per change: a phone that went offline (or
// hangs) while shown keeps its last picture, and the page must not call it connected.
class LinkWatch {
public:
    void picture(const Targets& to, PictureOutcome outcome, const std::stop_token& stop) {
        m_failures = outcome == PictureOutcome::Failed ? m_failures + 1 : 0;
        // One failed screenshot may be a busy phone; two in a row, two seconds apart, are not.
        const bool interrupted = m_failures >= kFailuresForInterruption;
        if (interrupted != m_interrupted &&
            SendKivMessage(to.page, kMsgWorkerLink, interrupted ? 1 : 0, 0, stop)) {
            m_interrupted = interrupted;
        }
    }

private:
    static constexpr int kFailuresForInterruption = 2;
    int m_failures = 0;
    bool m_interrupted = false;
};

// The picture once a second, the battery every period, until stopped.
void KeepLive(const Targets& to, const DeviceSlot& slot, const std::stop_token& stop) {
    // The battery drains or charges while the phone stays: it is read again now and then,
    // between two pictures, never more often than its period.
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextBattery = Clock::now() + to.batteryPeriod;
    LinkWatch link;
    while (!stop.stop_requested()) {
        const PictureOutcome outcome = ShowPicture(to, slot, stop);
        link.picture(to, outcome, stop);
        if (outcome != PictureOutcome::Unreadable) {
            platform::SleepFor(stop, PhoneWorker::kRefreshPause);
        }
        if (!stop.stop_requested() && Clock::now() >= nextBattery) {
            ShowBattery(to, stop);
            nextBattery = Clock::now() + to.batteryPeriod;
        }
    }
}

} // namespace

void PhoneWorker::start(const KivWindowHandle& page, const KivWindowHandle& infoPanel,
                        const DevicePageServices& services) {
    const std::chrono::milliseconds::rep testPeriod = g_batteryPeriodMs.load();
    Targets targets{page, infoPanel, &services.phone(), OncePerConnection(services.machineInfo()),
                    testPeriod > 0 ? std::chrono::milliseconds(testPeriod) : kBatteryPeriod};
    if (!m_worker.start([to = std::move(targets)](std::stop_token stop) { Work(stop, to); })) {
        platform::DebugOutput("PhoneWorker: no thread for the phone worker");
    }
}

int PhoneWorker::picturesShownForTesting() {
    return g_picturesShown.load();
}

void PhoneWorker::setBatteryPeriodForTesting(std::chrono::milliseconds period) {
    g_batteryPeriodMs.store(period.count());
}
