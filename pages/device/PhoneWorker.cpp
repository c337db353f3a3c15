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
#include <utility>
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

// Everything the worker shows is posted by value with the run's stop token: the windows never
// read the worker's memory, and a post that arrives after the run was stopped is dropped.
template <class T>
bool Post(const KivWindowHandle& to, unsigned message, T value, const std::stop_token& stop,
          KivWParam wParam = 0) {
    return !stop.stop_requested() &&
           PostKivMessageWith(to, message, wParam, WorkerPost<T>{std::move(value), stop});
}

enum class PictureOutcome { Shown, Unreadable, Failed };

// `memo` is this connection's: ShowPhone asks getprop and the web service once per connection,
// not once a picture.
PictureOutcome ShowPicture(const Targets& to, const DeviceSlot& slot, ShowPhoneMemo& memo,
                           const std::stop_token& stop) {
    PhoneView view;
    {
        PhonePicture picture;
        if (stop.stop_requested() ||
            !ShowPhone(slot.vid, slot.pid, to.machineInfo, memo, picture)) {
            return PictureOutcome::Failed;
        }
        view.picture = QImage(QString::fromStdString(picture.path));
        view.name = QString::fromStdString(picture.name);
    }
    if (view.picture.isNull()) {
        return PictureOutcome::Unreadable;
    }
    Post(to.page, kMsgWorkerPicture, std::move(view), stop);
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
    Post(to.page, kMsgWorkerStorage, std::move(view), stop);
}

void ShowBattery(const Targets& to, const std::stop_token& stop) {
    std::string level;
    const bool ok = QueryBattery(level);
    Post(to.page, kMsgWorkerBattery, BatteryText(ok, level), stop);
}

void ShowFacts(const Targets& to, const PhoneInfo& info, const std::stop_token& stop) {
    Post(to.infoPanel, kMsgPhoneInfo, info, stop, 1);
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

// What the run keeps about its connection between passes.
struct Connection {
    DeviceSlot slot;    // empty ids: the default shell
    PhoneInfo facts;    // a fact not read yet is asked again on every pass until it is
    ShowPhoneMemo memo; // the picture's shell, name and web answer
};

void KeepLive(const Targets& to, Connection& phone, const std::stop_token& stop);

void Work(std::stop_token stop, Targets to) {
    resources::RegisterPictureResources(); // the phone shells
    GetSerial(true);
    Connection phone;
    if (!stop.stop_requested()) {
        (void)QueryPhoneInfo(phone.facts);
        ShowFacts(to, phone.facts, stop);
    }
    std::string text;
    GetProductDevice(text, true);
    GetModel(text, true);
    (void)to.phone->copyCurrentDevice(phone.slot);
    if (stop.stop_requested()) {
        return;
    }
    ShowPicture(to, phone.slot, phone.memo, stop);
    ShowStorage(to, stop);
    ShowBattery(to, stop);
    if (stop.stop_requested()) {
        return;
    }
    RefreshCachesAndInstallStoreClient();
    KeepLive(to, phone, stop);
}

// Facts that could not be read (the phone was slow or adb failed) are asked again; the panel
// hears of every change.
void RereadMissingFacts(const Targets& to, PhoneInfo& facts, const std::stop_token& stop) {
    if (facts.complete() || stop.stop_requested()) {
        return;
    }
    const auto unreadBefore = facts.unread;
    (void)RereadPhoneInfo(facts);
    if (facts.unread != unreadBefore) {
        ShowFacts(to, facts, stop);
    }
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
            Post(to.page, kMsgWorkerLink,
                 interrupted ? PhoneLink::Interrupted : PhoneLink::Answering, stop)) {
            m_interrupted = interrupted;
        }
    }

private:
    static constexpr int kFailuresForInterruption = 2;
    int m_failures = 0;
    bool m_interrupted = false;
};

// The picture once a second, facts still missing on every pass, the battery every period,
// until stopped.
void KeepLive(const Targets& to, Connection& phone, const std::stop_token& stop) {
    // The battery drains or charges while the phone stays: it is read again now and then,
    // between two pictures, never more often than its period.
    using Clock = std::chrono::steady_clock;
    Clock::time_point nextBattery = Clock::now() + to.batteryPeriod;
    LinkWatch link;
    while (!stop.stop_requested()) {
        const PictureOutcome outcome = ShowPicture(to, phone.slot, phone.memo, stop);
        link.picture(to, outcome, stop);
        RereadMissingFacts(to, phone.facts, stop);
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
    Targets targets{page, infoPanel, &services.phone(), services.machineInfo(),
                    testPeriod > 0 ? std::chrono::milliseconds(testPeriod) : kBatteryPeriod};
    if (!m_worker.start([to = std::move(targets)](std::stop_token stop) { Work(stop, to); })) {
        platform::DebugOutput("PhoneWorker: no thread for the phone worker");
    }
}

void PhoneWorker::notePictureShown() {
    ++g_picturesShown;
}

int PhoneWorker::picturesShownForTesting() {
    return g_picturesShown.load();
}

void PhoneWorker::setBatteryPeriodForTesting(std::chrono::milliseconds period) {
    g_batteryPeriodMs.store(period.count());
}
