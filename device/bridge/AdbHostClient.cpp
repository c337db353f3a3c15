#include "AdbHostClient.h"

#include "device/bridge/AdbCommands.h"
#include "device/bridge/FollowedPhone.h"
#include "device/bridge/ProcessRunner.h"
#include "device/display/WriteBitmap.h"
#include "platform/DebugLog.h"
#include "platform/TcpConnection.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr std::string_view kTrackDevices = "0012host:track-devices";
constexpr std::string_view kFramebuffer = "000Cframebuffer:";
constexpr std::string_view kOldFormatNudge = "00";
// The server gets a moment before each answer is read; every read below still takes exactly
// the byte count the protocol announces, however the answer is split on the wire.
constexpr std::chrono::milliseconds kServerPause{100};
constexpr int kDevicesLimitSeconds = 10;

std::mutex g_serialMutex;
AdbSerial g_serial; // guarded by g_serialMutex

bool connectToServer(platform::TcpConnection& connection) {
    const std::optional<std::uint16_t> port = AdbServerPort();
    return port && connection.connect(kLoopback, *port);
}

bool readStatusOkay(platform::TcpConnection& connection) {
    std::array<char, 4> status{};
    return connection.receiveExact(status.data(), status.size()) == status.size() &&
           std::memcmp(status.data(), "OKAY", 4) == 0;
}

AdbSerial refreshSerial(const std::string& followed) {
    if (RunCaptureTimed(kAdbDevices, kDevicesLimitSeconds).empty()) {
        return {};
    }
    platform::TcpConnection connection;
    if (!connectToServer(connection) || !connection.sendAll(kTrackDevices)) {
        return {};
    }
    std::this_thread::sleep_for(kServerPause);
    std::array<char, 4> lengthText{};
    if (!readStatusOkay(connection) || connection.receiveExact(lengthText.data(), 4) != 4) {
        return {};
    }
    const auto length = ParseHexLength(std::string_view(lengthText.data(), 4));
    if (!length) {
        return {};
    }
    std::string listing(*length, '\0');
    if (connection.receiveExact(listing.data(), listing.size()) != listing.size()) {
        return {};
    }
    return SelectTrackedPhone(listing, followed);
}

bool openFramebuffer(platform::TcpConnection& connection, const std::string& serial) {
    const auto transport = AdbRequest("host:transport:" + serial);
    if (!transport || !connectToServer(connection) || !connection.sendAll(*transport) ||
        !readStatusOkay(connection) || !connection.sendAll(kFramebuffer)) {
        return false;
    }
    std::this_thread::sleep_for(kServerPause);
    return readStatusOkay(connection);
}

std::optional<FramebufferInfo> readHeader(platform::TcpConnection& connection, AdbMode mode) {
    std::array<std::uint8_t, kFramebufferHeaderV2> header{};
    char* bytes = reinterpret_cast<char*>(header.data());
    if (mode == AdbMode::Recovery) {
        if (connection.receiveExact(bytes, kFramebufferHeaderOld) != kFramebufferHeaderOld ||
            !connection.sendAll(kOldFormatNudge)) {
            return std::nullopt;
        }
        return ParseFramebufferHeader(std::span(header).first(kFramebufferHeaderOld), true);
    }
    // The first word (the version) says how long the rest of the header is.
    if (connection.receiveExact(bytes, 4) != 4) {
        return std::nullopt;
    }
    const std::uint32_t version = header[0] | (header[1] << 8) | (header[2] << 16) |
                                  (static_cast<std::uint32_t>(header[3]) << 24);
    const std::size_t size = CurrentHeaderSize(version);
    if (connection.receiveExact(bytes + 4, size - 4) != size - 4) {
        return std::nullopt;
    }
    return ParseFramebufferHeader(std::span(header).first(size), false);
}

std::string screenshotPath(const std::string& serial) {
    const std::string folder = NarrowProgramFolder() + "image";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder + "/" + ScreenshotFileName(serial);
}

} // namespace

std::optional<std::uint16_t> AdbServerPort() {
    return AdbServerPortFrom(std::getenv("ANDROID_ADB_SERVER_PORT"));
}

AdbSerial GetSerial(bool force) {
    const std::string followed = FollowedSerial();
    {
        std::lock_guard lock(g_serialMutex);
        // A kept serial of another phone than the followed one is refreshed.
        if (!force && !g_serial.serial.empty() &&
            (followed.empty() || g_serial.serial == followed)) {
            return g_serial;
        }
    }
    AdbSerial fresh = refreshSerial(followed);
    std::lock_guard lock(g_serialMutex);
    g_serial = fresh;
    return fresh;
}

bool CaptureFramebuffer(bool rotate, std::string& path) {
    const AdbSerial phone = GetSerial(false);
    if (phone.serial.empty()) {
        return false;
    }
    platform::TcpConnection connection;
    if (!openFramebuffer(connection, phone.serial)) {
        platform::DebugOutput("CaptureFramebuffer: the adb server refused the frame buffer");
        return false;
    }
    const auto info = readHeader(connection, phone.mode);
    if (!info) {
        platform::DebugOutput("CaptureFramebuffer: frame-buffer header short or unusable");
        return false;
    }
    // Whatever the server does not deliver (it closed, failed or went quiet) stays black.
    const std::size_t size = info->byteCount();
    auto pixels = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    const std::size_t received =
        connection.receiveExact(reinterpret_cast<char*>(pixels.get()), size);
    std::memset(pixels.get() + received, 0, size - received);
    connection.close();
    const std::string file = screenshotPath(phone.serial);
    if (!WriteBitmap(static_cast<int>(info->height), static_cast<int>(info->bytesPerPixel),
                     std::span(pixels.get(), size), file, static_cast<int>(info->width), rotate,
                     info->swapRedBlue ? BitmapPixelOrder::RedFirst
                                       : BitmapPixelOrder::BlueFirst)) {
        platform::DebugOutput("CaptureFramebuffer: cannot write " + file);
        return false;
    }
    path = file;
    return true;
}

void ResetSerialCacheForTesting() {
    std::lock_guard lock(g_serialMutex);
    g_serial = AdbSerial{};
}
