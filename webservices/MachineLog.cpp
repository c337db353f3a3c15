// The SaveVCMachineLog report.
#include "MachineLog.h"

#include "HttpRequestFraming.h"
#include "HttpText.h"
#include "WebServiceExchange.h"

namespace webservices {

namespace {

std::string Line(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ">" + XmlEscape(value) + "</" + std::string(name) + ">\r\n";
}

} // namespace

std::string MachineLogBody(const MachineLogRecord& record) {
    std::string lines = "<request>\r\n";
    lines += Line("MachineCode", record.machineCode);
    lines += Line("SNCode", record.snCode);
    lines += Line("Vid", record.vid);
    lines += Line("Pid", record.pid);
    lines += Line("Status", std::to_string(record.status));
    lines += Line("ErrorMessage", record.errorMessage);
    lines += Line("MachineID", record.machineId);
    lines += Line("PartnerCode", std::to_string(record.partnerCode));
    lines += Line("MachineGuid", record.machineGuid);
    lines += Line("MachineIP", record.machineIp);
    lines += Line("MachineMac", record.machineMac);
    lines += Line("WindowsVison", record.windowsVersion);
    lines += Line("IsRoot", record.isRoot ? "true" : "false");
    lines += "</request>\r\n";
    return SoapEnvelope("SaveVCMachineLog", lines);
}

bool SaveVCMachineLog(const MachineLogRecord& record) {
    return PostForStatusOk(
        FrameSoapRequest(SoapService::PackageService, "SaveVCMachineLog", MachineLogBody(record)));
}

} // namespace webservices
