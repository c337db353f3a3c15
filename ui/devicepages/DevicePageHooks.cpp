#include "DevicePageHooks.h"

#include "platform/config/Config.h"
#include "webservices/MachineEventReport.h"
#include "webservices/SoapCalls.h"
#include "webservices/WebServiceEndpoint.h"

namespace {

struct Hooks {
    std::function<void()> queues;
    RecommendBrowserFactory browser;
    std::string storeHost;
    MachineInfoLookup machineInfo = [](const std::string& vid, const std::string& pid,
                                       const std::string& model, const std::string& device,
                                       MachineDisplayInfo& info) {
        webservices::MachineInfo record;
        if (!webservices::GetMachineInfo(vid, pid, model, device, record)) {
            return false;
        }
        info.showName = record.showName;
        info.type = record.imageInfo[0];
        return true;
    };
    MachineLogHook machineLog = [](const std::string& vid, const std::string& pid, int kind) {
        webservices::ReportMachineEvent(vid, pid, kind);
    };
    DeviceMonitorSetup monitor;
};

// Set on the UI thread before the pages start; read-only afterwards (the machine-info
// lookup is then read by the phone worker).
Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

} // namespace

void SetDownloadQueuesInitHook(std::function<void()> hook) {
    TheHooks().queues = std::move(hook);
}

void RunDownloadQueuesInitHook() {
    if (TheHooks().queues) {
        TheHooks().queues();
    }
}

void SetRecommendBrowserFactory(RecommendBrowserFactory factory) {
    TheHooks().browser = std::move(factory);
}

const RecommendBrowserFactory& RecommendBrowserFactoryHook() {
    return TheHooks().browser;
}

void SetStoreHost(const std::string& hostAndPort) {
    TheHooks().storeHost = hostAndPort;
}

std::string StoreAddress(const std::string& path) {
    std::string host = TheHooks().storeHost;
    if (host.empty()) {
        const webservices::Endpoint endpoint = webservices::GetWebServiceEndpoint();
        host = endpoint.host;
        if (endpoint.port != 80 && endpoint.port > 0) {
            host += ":" + std::to_string(endpoint.port);
        }
    }
    return "http://" + host + path;
}

void SetMachineInfoLookup(MachineInfoLookup lookup) {
    TheHooks().machineInfo = std::move(lookup);
}

const MachineInfoLookup& MachineInfoLookupHook() {
    return TheHooks().machineInfo;
}

void SetMachineLogHook(MachineLogHook hook) {
    TheHooks().machineLog = std::move(hook);
}

void ReportMachineLog(const std::string& vid, const std::string& pid, int kind) {
    if (TheHooks().machineLog) {
        TheHooks().machineLog(vid, pid, kind);
    }
}

void SetDeviceMonitorSetup(const DeviceMonitorSetup& setup) {
    TheHooks().monitor = setup;
}

const DeviceMonitorSetup& DeviceMonitorSetupHook() {
    return TheHooks().monitor;
}
