// GetDevice and machine-log reports for the device connection.
#include "WebPhoneServices.h"

#include "ProgramParts.h"

#include "device/connection/StoppableCall.h"

#include "webservices/MachineEventReport.h"
#include "webservices/MachineIdentity.h"
#include "webservices/SoapCalls.h"

PhoneAnswer WebPhoneServices::confirmPhone(const std::string& vid, const std::string& pid,
                                           std::stop_token stop) {
    // Only the answer's success is used here; the driver job asks again for the package.
    std::optional<webservices::DeviceAnswer> answer = RunUntilStopped(stop, [vid, pid] {
        webservices::DeviceDriverInfo info;
        return webservices::AskDevice(vid, pid, webservices::IsWow64(), info);
    });
    switch (answer.value_or(webservices::DeviceAnswer::NoAnswer)) {
    case webservices::DeviceAnswer::Known:
        return PhoneAnswer::Phone;
    case webservices::DeviceAnswer::Unknown:
        return PhoneAnswer::NotPhone;
    case webservices::DeviceAnswer::NoAnswer:
        break;
    }
    return PhoneAnswer::NoAnswer;
}

void WebPhoneServices::reportMachineEvent(const std::string& vid, const std::string& pid,
                                          int kind) {
    webservices::ReportMachineEvent(vid, pid, kind, ProgramAdbRunners());
}
