// GetDevice and machine-log reports for the device connection.
#include "WebPhoneServices.h"

#include "device/connection/StoppableCall.h"

#include "webservices/MachineEventReport.h"
#include "webservices/MachineIdentity.h"
#include "webservices/SoapCalls.h"

bool WebPhoneServices::confirmPhone(const std::string& vid, const std::string& pid,
                                    std::stop_token stop) {
    // Only the answer's success is used here; the driver job asks again for the package.
    std::optional<bool> confirmed = RunUntilStopped(stop, [vid, pid] {
        webservices::DeviceDriverInfo info;
        return webservices::GetDevice(vid, pid, webservices::IsWow64(), info);
    });
    return confirmed.value_or(false);
}

void WebPhoneServices::reportMachineEvent(const std::string& vid, const std::string& pid,
                                          int kind) {
    webservices::ReportMachineEvent(vid, pid, kind);
}
