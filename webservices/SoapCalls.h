// The request/reply calls of the web service: GetDevice (is a USB pair a supported phone,
// where is its driver package), GetMachineInfo (display name and picture data of a phone
// model) and VC_Validate (is there a newer program version). Each call is synchronous on
// the caller's thread, opens its own connection and shares no state with other calls; any
// failure gives false without a message.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace webservices {

/// What GetDevice tells about a USB pair.
struct DeviceDriverInfo {
    std::string url;        ///< driver package URL ("Url")
    std::string md5;        ///< MD5 of the package ("MD5")
    std::string startFile;  ///< program to start inside the package ("StartFile")
    std::string deviceType; ///< "DeviceType" as sent; empty when the reply has none
    /// True when DeviceType is "INI"; left as the caller set it when the reply has none.
    bool inf = false;
};

/// The phone-model record filled by GetMachineInfo.
struct MachineInfo {
    std::string imageUrl;
    /// The ImageInfo numbers in record order: numbers 1, 6, 7, 8, 9, 2, 3, 4, 5 of the list
    /// (imageInfo[0] is the first number, the shell type; imageInfo[5] the second number).
    std::array<int, 9> imageInfo{};
    std::string showName;
    std::string machineId;
    std::string model;
    std::string device;
};

/// What VC_Validate tells about the latest version.
struct VersionInfo {
    int version = 0;
    std::string url;
    bool obliged = false;
    std::string description;
    std::string md5;
    std::string updateTime; ///< first 10 characters of UpdateTime
};

/// How GetDevice was answered: the pair is known (IsSuccess "true"), the service answered
/// with another IsSuccess, or there was no answer of the service (no connection, no complete
/// reply, a reply without IsSuccess such as a proxy's error page).
enum class DeviceAnswer { Known, Unknown, NoAnswer };

/// Asks whether `vid`/`pid` (four hex digits each) is a supported phone; `is64Bit` sends
/// MachineType "AMD64", else "X86". The texts of `info` are emptied first and, for Known,
/// filled from the tags found.
[[nodiscard]] DeviceAnswer AskDevice(const std::string& vid, const std::string& pid, bool is64Bit,
                                     DeviceDriverInfo& info);

/// AskDevice(...) == Known.
[[nodiscard]] bool GetDevice(const std::string& vid, const std::string& pid, bool is64Bit,
                             DeviceDriverInfo& info);

/// Asks for the display data of a phone model. True when IsSuccess is "true": `record` gets
/// the model and device asked for and the values of the tags found; fields whose tags are
/// missing keep their values.
[[nodiscard]] bool GetMachineInfo(const std::string& vid, const std::string& pid,
                                  const std::string& model, const std::string& device,
                                  MachineInfo& record);

/// Asks for the latest version, telling the installed one. True when Version, Url,
/// IsObliged, Description, MD5 and UpdateTime are all in the reply.
[[nodiscard]] bool VC_Validate(int oldVersion, VersionInfo& info);

/// Reply readers of the three calls (pure; the body as received).
[[nodiscard]] bool ParseGetDeviceReply(std::string_view body, DeviceDriverInfo& info);
[[nodiscard]] bool ParseMachineInfoReply(std::string_view body, MachineInfo& record);
[[nodiscard]] bool ParseVersionReply(std::string_view body, VersionInfo& info);

/// Places the numbers of an ImageInfo text ("%d,%d,..." read as far as it matches, at most
/// nine) into `imageInfo` in record order; numbers that are absent leave their integers.
void PlaceImageInfo(std::string_view text, std::array<int, 9>& imageInfo);

} // namespace webservices
