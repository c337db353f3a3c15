// The install report (SaveVCApkLog): sent by the install queue after every install attempt,
// synchronously on its thread. Fire-and-forget: the result is never acted upon.
#pragma once

#include <ctime>
#include <functional>
#include <string>

namespace webservices {

/// Phone values the report carries, as cached by the device bridge's last queries (IMEI,
/// USB MAC) and its non-forced Wi-Fi MAC query. Empty when unknown.
struct InstallPhoneValues {
    std::string imei;
    std::string usbMac;
    std::string wifiMac;
};

/// One install report, fields as they go out before encoding.
struct ApkLogRecord {
    std::string uid;     ///< logged-in partner account's UID
    std::string appName; ///< package file name without folder and extension
    std::string packageName;
    int status = 0;         ///< install result code, -1 when an uninstall preceded it
    std::string createTime; ///< "%04d-%02d-%02d %02d:%02d:%02d" local time
    InstallPhoneValues phone;
    std::string machineGuid;
    std::string message; ///< the install output
};

/// The SOAP body: plain values cut to 255 bytes (empty ones sent as "0") and XML-escaped;
/// the app name and the message percent-encoded from UTF-8 (the message "0" when empty);
/// ErrorCode 0 and MachineBlueToothMac "0".
std::string ApkLogBody(const ApkLogRecord& record);

/// Sends the report with the configured web-service host in its Host line; reads only the
/// reply header. True when it contains "200 OK".
bool SaveVCApkLog(const ApkLogRecord& record);

/// Reports one install attempt on the phone `phone` describes: nothing for result code 3
/// (phone not reachable); status -1 when `uninstalled`, else the result code. Returns after
/// sending: true when a report went out and the service answered "200 OK" (callers need not
/// look).
bool ReportInstall(const std::string& packageName, const std::string& appName, int resultCode,
                   bool uninstalled, const std::string& message, const InstallPhoneValues& phone);

/// `when` as local time "YYYY-MM-DD hh:mm:ss".
std::string LocalTimeText(std::time_t when);

} // namespace webservices
