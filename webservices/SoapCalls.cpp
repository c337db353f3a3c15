// GetDevice, GetMachineInfo and VC_Validate: request bodies, exchange and reply reading.
// Values put into the bodies are XML-escaped, so a phone's getprop text cannot break the
// request; ordinary ASCII ids and names go out unchanged.
#include "SoapCalls.h"

#include "HttpRequestFraming.h"
#include "HttpText.h"
#include "WebServiceExchange.h"

#include "platform/Utf8.h"

#include <algorithm>
#include <climits>
#include <optional>

namespace webservices {

namespace {

std::string Element(std::string_view name, std::string_view value) {
    return "<" + std::string(name) + ">" + XmlEscape(value) + "</" + std::string(name) + ">\r\n";
}

int ClampToInt(long long value) {
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

bool IsSuccessTrue(std::string_view body) {
    const std::optional<std::string> success = XmlTagValue(body, "IsSuccess");
    return success && *success == "true";
}

void TakeIfFound(std::string_view body, std::string_view tag, std::string& field) {
    if (std::optional<std::string> value = XmlTagValue(body, tag)) {
        field = std::move(*value);
    }
}

// One "%d" of the C runtime's scanner: blanks, an optional sign, at least one digit.
std::optional<int> ScanInt(std::string_view text, std::size_t& at) {
    std::size_t pos = at;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) {
        ++pos;
    }
    std::size_t digits = pos;
    if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) {
        ++digits;
    }
    if (digits >= text.size() || text[digits] < '0' || text[digits] > '9') {
        return std::nullopt;
    }
    std::size_t end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    at = end;
    return ClampToInt(DecimalPrefix(text.substr(pos, end - pos)));
}

} // namespace

void PlaceImageInfo(std::string_view text, std::array<int, 9>& imageInfo) {
    // Position in the list (0-based) -> index in the record.
    static constexpr std::array<std::size_t, 9> kRecordIndex = {0, 5, 6, 7, 8, 1, 2, 3, 4};
    std::size_t at = 0;
    for (std::size_t n = 0; n < kRecordIndex.size(); ++n) {
        if (n > 0) {
            if (at >= text.size() || text[at] != ',') {
                return;
            }
            ++at;
        }
        const std::optional<int> value = ScanInt(text, at);
        if (!value) {
            return;
        }
        imageInfo[kRecordIndex[n]] = *value;
    }
}

bool ParseGetDeviceReply(std::string_view body, DeviceDriverInfo& info) {
    if (!IsSuccessTrue(body)) {
        return false;
    }
    TakeIfFound(body, "Url", info.url);
    TakeIfFound(body, "MD5", info.md5);
    TakeIfFound(body, "StartFile", info.startFile);
    if (std::optional<std::string> type = XmlTagValue(body, "DeviceType")) {
        info.inf = *type == "INI";
        info.deviceType = std::move(*type);
    }
    return true;
}

bool ParseMachineInfoReply(std::string_view body, MachineInfo& record) {
    if (!IsSuccessTrue(body)) {
        return false;
    }
    TakeIfFound(body, "ImageUrl", record.imageUrl);
    TakeIfFound(body, "ShowName", record.showName);
    if (std::optional<std::string> numbers = XmlTagValue(body, "ImageInfo")) {
        PlaceImageInfo(*numbers, record.imageInfo);
    }
    TakeIfFound(body, "MachineID", record.machineId);
    return true;
}

bool ParseVersionReply(std::string_view body, VersionInfo& info) {
    static constexpr std::array<std::string_view, 6> kTags = {"Version",     "Url", "IsObliged",
                                                              "Description", "MD5", "UpdateTime"};
    std::array<std::string, 6> values;
    for (std::size_t i = 0; i < kTags.size(); ++i) {
        std::optional<std::string> value = XmlTagValue(body, kTags[i]);
        if (!value) {
            return false;
        }
        values[i] = std::move(*value);
    }
    info.version = ClampToInt(DecimalPrefix(values[0]));
    info.url = values[1];
    info.obliged = values[2] == "true";
    info.description = values[3];
    info.md5 = values[4];
    info.updateTime = platform::Utf8Prefix(values[5], 10);
    return true;
}

DeviceAnswer AskDevice(const std::string& vid, const std::string& pid, bool is64Bit,
                       DeviceDriverInfo& info) {
    info.url.clear();
    info.md5.clear();
    info.startFile.clear();
    info.deviceType.clear();
    const std::string parameters = "<request>\r\n" + Element("VID", vid) + Element("PID", pid) +
                                   Element("MachineType", is64Bit ? "AMD64" : "X86") +
                                   "</request>\r\n";
    const std::string body = SoapEnvelope("GetDevice", parameters);
    const std::optional<std::string> reply =
        PostForBody(FrameSoapRequest(SoapService::PackageService, "GetDevice", body));
    if (!reply || !XmlTagValue(*reply, "IsSuccess")) {
        return DeviceAnswer::NoAnswer;
    }
    return ParseGetDeviceReply(*reply, info) ? DeviceAnswer::Known : DeviceAnswer::Unknown;
}

bool GetDevice(const std::string& vid, const std::string& pid, bool is64Bit,
               DeviceDriverInfo& info) {
    return AskDevice(vid, pid, is64Bit, info) == DeviceAnswer::Known;
}

bool GetMachineInfo(const std::string& vid, const std::string& pid, const std::string& model,
                    const std::string& device, MachineInfo& record) {
    const std::string parameters = "<request>\r\n" + Element("VID", vid) + Element("PID", pid) +
                                   Element("Model", model) + Element("Device", device) +
                                   "</request>\r\n";
    const std::string body = SoapEnvelope("GetMachineInfo", parameters);
    const std::optional<std::string> reply =
        PostForBody(FrameSoapRequest(SoapService::PackageService, "GetMachineInfo", body));
    if (!reply) {
        return false;
    }
    MachineInfo updated = record;
    updated.model = model;
    updated.device = device;
    if (!ParseMachineInfoReply(*reply, updated)) {
        return false;
    }
    record = std::move(updated);
    return true;
}

bool VC_Validate(int oldVersion, VersionInfo& info) {
    const std::string parameters =
        "<oldversion>" + std::to_string(oldVersion) + "</oldversion>\r\n";
    const std::string body = SoapEnvelope("VC_Validate", parameters, true);
    const std::optional<std::string> reply =
        PostForBody(FrameSoapRequest(SoapService::VersionUpgrade, "VC_Validate", body));
    return reply && ParseVersionReply(*reply, info);
}

} // namespace webservices
