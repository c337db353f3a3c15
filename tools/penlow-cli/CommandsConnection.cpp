// penlow-cli commands of the device connection: the USB device lists the program sees, and
// the device monitor printing every event and page state as it happens.
#include "CliRegistry.h"

#include "app/parts/WebPhoneServices.h"
#include "device/bridge/AdbCommands.h"
#include "device/connection/ConnectionPoller.h"
#include "device/connection/DeviceList.h"
#include "device/connection/DeviceMonitor.h"
#include "device/connection/DevicePageLink.h"
#include "device/connection/KnownPhoneDb.h"
#include "device/connection/KnownPhoneFilter.h"
#include "device/connection/UsbEnumeration.h"
#include "device/connection/VendorTable.h"
#include "webservices/MachineEventReport.h"

#include <atomic>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

void printRecords(const std::string& list, bool withVendor) {
    for (std::string_view record : DeviceRecords(list)) {
        std::string line(record);
        if (withVendor) {
            line += "\t";
            line += VendorName(RecordVid(record)).value_or("");
        }
        std::printf("%s\n", line.c_str());
    }
}

int usbList(const CliArgs& args) {
    const std::string mode = args.empty() ? "--known" : args[0];
    if (args.size() > 1 || (mode != "--raw" && mode != "--vendor" && mode != "--known")) {
        return CliUsageError("usb-list [--raw | --vendor | --known]");
    }
    const std::string raw = EnumerateUsbDevices();
    if (mode == "--raw") {
        printRecords(raw, false);
        return 0;
    }
    const std::string vendor = VendorFilter(raw);
    if (mode == "--vendor") {
        printRecords(vendor, true);
        return 0;
    }
    WebPhoneServices web;
    KnownPhoneFilter filter(KnownPhoneDb::DefaultPath(), web);
    printRecords(filter.apply(vendor), true);
    (void)webservices::WaitForMachineEvents(5s); // let the unconfirmed-device reports go out
    return 0;
}

std::atomic<bool> g_interrupted{false};

void onSignal(int) {
    g_interrupted = true;
}

// Prints what the device page, the download manager and the wizard would be told. With
// `poll`, the connecting state runs the page's connection poller as the page does.
class PrintingPage : public DevicePageLink {
public:
    explicit PrintingPage(bool poll) : m_poll(poll), m_poller(*this) {}
    void setMonitor(const DeviceMonitor* monitor) { m_monitor = monitor; }
    void stopPoller() { m_poller.stop(); }

    void enableWizardButton(std::stop_token) override { line("wizard-button enabled"); }
    void postPhoneGone(std::stop_token) override { line("download-manager phone-gone"); }
    void sendPageState(PageState state, std::stop_token) override {
        line("state " + std::to_string(static_cast<int>(state)) + " 0");
        if (!m_poll || state == PageState::EndWizard) {
            return;
        }
        // Every state change ends a running poll; the connecting state starts one.
        if (state == PageState::Connecting) {
            m_poller.start(PageState::NotConnected);
        } else {
            m_poller.stop();
        }
    }
    void deviceEvent(DeviceEvent event, int index) override {
        std::string text =
            "event " + std::to_string(static_cast<int>(event)) + " slot " + std::to_string(index);
        DeviceSlot slot;
        if (m_monitor && event != DeviceEvent::MonitorRunning &&
            m_monitor->table().Copy(index, slot)) {
            text += " " + slot.vid + slot.pid + " " + slot.vendor + " serial=" + slot.serial;
        }
        line(text);
    }

private:
    void line(const std::string& text) {
        std::lock_guard guard(m_lock);
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
    }

    std::mutex m_lock;
    const bool m_poll;
    const DeviceMonitor* m_monitor = nullptr;
    ConnectionPoller m_poller;
};

struct MonitorOptions {
    int seconds = 0; // 0: until interrupted
    bool poll = false;
    std::string killName;
};

bool parseMonitorOptions(const CliArgs& args, MonitorOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--poll") {
            options.poll = true;
        } else if (arg == "--seconds" && i + 1 < args.size()) {
            const std::string& value = args[++i];
            auto [end, ec] =
                std::from_chars(value.data(), value.data() + value.size(), options.seconds);
            if (ec != std::errc() || end != value.data() + value.size() || options.seconds < 0) {
                return false;
            }
        } else if (arg == "--adb-kill-name" && i + 1 < args.size()) {
            options.killName = args[++i];
        } else {
            return false;
        }
    }
    return true;
}

int monitor(const CliArgs& args) {
    MonitorOptions options;
    if (!parseMonitorOptions(args, options)) {
        return CliUsageError("monitor [--seconds N] [--poll] [--adb-kill-name NAME]");
    }
    if (!options.killName.empty()) {
        SetAdbProcessNameForTesting(options.killName);
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    WebPhoneServices web;
    PrintingPage page(options.poll);
    DeviceMonitor deviceMonitor(page, web);
    page.setMonitor(&deviceMonitor);
    deviceMonitor.start();
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(options.seconds);
    while (!g_interrupted && (options.seconds == 0 || std::chrono::steady_clock::now() < end)) {
        std::this_thread::sleep_for(50ms);
    }
    deviceMonitor.stop();
    page.stopPoller();
    std::printf("stopped\n");
    return 0;
}

const CliRegistration kUsbList{"usb-list", "usb-list [--raw | --vendor | --known]",
                               "USB devices: all, of the vendor table, or phones (default)",
                               usbList};
const CliRegistration kMonitor{"monitor", "monitor [--seconds N] [--poll] [--adb-kill-name NAME]",
                               "prints device events and page states until interrupted", monitor};

} // namespace
