// The SaveVCMachineLog report: its 13-field record, the request body, and sending it.
#pragma once

#include <string>

namespace webservices {

/// One machine report, fields in element order.
struct MachineLogRecord {
    std::string machineCode; ///< always empty
    std::string snCode;      ///< empty except for kind 3 with a phone in adb
    std::string vid;
    std::string pid;
    int status = 0;           ///< the event kind, 0 to 4
    std::string errorMessage; ///< always empty
    std::string machineId = "0";
    int partnerCode = 0;
    std::string machineGuid;
    std::string machineIp;
    std::string machineMac;
    std::string windowsVersion; ///< sent as element "WindowsVison"
    bool isRoot = false;
};

/// The SOAP body of the report (values XML-escaped).
std::string MachineLogBody(const MachineLogRecord& record);

/// Sends the report; only the reply header is read. True when it contains "200 OK".
bool SaveVCMachineLog(const MachineLogRecord& record);

} // namespace webservices
