// The install report.
#include "InstallLog.h"

#include "AccountLogin.h"
#include "HttpRequestFraming.h"
#include "HttpText.h"
#include "MachineIdentity.h"
#include "WebServiceEndpoint.h"
#include "WebServiceExchange.h"

#include <cstdio>

namespace webservices {

namespace {

constexpr std::size_t kPlainMaxBytes = 255;
constexpr std::size_t kEncodedSourceMaxBytes = 256;
constexpr int kResultPhoneUnreachable = 3;

std::string Plain(const std::string& value) {
    const std::string cut = Utf8BytePrefix(value, kPlainMaxBytes);
    return cut.empty() ? "0" : XmlEscape(cut);
}

std::string Encoded(const std::string& value) {
    return PercentEncode(Utf8BytePrefix(value, kEncodedSourceMaxBytes));
}

std::string Line(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ">" + std::string(value) + "</" + std::string(name) + ">\r\n";
}

} // namespace

std::string LocalTimeText(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    char text[80]; // room for any int fields, though real dates need 19 characters
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::string ApkLogBody(const ApkLogRecord& record) {
    const std::string message = Encoded(record.message);
    std::string lines = "<request>\r\n<VCApk>\r\n<VCApkLog>\r\n";
    lines += Line("Uid", Plain(record.uid));
    lines += Line("ApkName", Encoded(record.appName));
    lines += Line("PackageName", Plain(record.packageName));
    lines += Line("Status", std::to_string(record.status));
    lines += Line("CreateTime", Plain(record.createTime));
    lines += Line("ErrorCode", "0");
    lines += Line("MachineIMEI", Plain(record.phone.imei));
    lines += Line("MachineUsbMac", Plain(record.phone.usbMac));
    lines += Line("MachineWifiMac", Plain(record.phone.wifiMac));
    lines += Line("MachineBlueToothMac", "0");
    lines += Line("MachineGuid", Plain(record.machineGuid));
    lines += Line("ErrorMessage", message.empty() ? "0" : message);
    lines += "</VCApkLog>\r\n</VCApk>\r\n</request>\r\n";
    return SoapEnvelope("SaveVCApkLog", lines);
}

bool SaveVCApkLog(const ApkLogRecord& record) {
    return PostForStatusOk(FrameApkLogRequest(GetWebServiceEndpoint().host, ApkLogBody(record)));
}

bool ReportInstall(const std::string& packageName, const std::string& appName, int resultCode,
                   bool uninstalled, const std::string& message, const InstallPhoneValues& phone) {
    if (resultCode == kResultPhoneUnreachable) {
        return false;
    }
    ApkLogRecord record;
    (void)GetMachineGuid(record.machineGuid);
    record.uid = CurrentLoginResult().uid;
    record.appName = appName;
    record.packageName = packageName;
    record.phone = phone;
    record.createTime = LocalTimeText(std::time(nullptr));
    record.message = message;
    record.status = uninstalled ? -1 : resultCode;
    return SaveVCApkLog(record);
}

} // namespace webservices
