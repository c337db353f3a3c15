// Machine identity providers: GUID store, first adapter, system text, bitness.
#include "MachineIdentity.h"

#include "platform/PrivateProfile.h"
#include "platform/SystemPaths.h"
#include "platform/Utf8.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <ifaddrs.h>
#include <arpa/inet.h>
#include <net/if.h>
#include <netpacket/packet.h>
#include <sys/random.h>
#include <sys/utsname.h>

namespace webservices {

namespace {

constexpr const char* kGuidSection = "TarselInst";
constexpr const char* kGuidKey = "GUID";
constexpr std::size_t kVersionTextChars = 256;

bool RandomGuidBytes(std::array<std::uint8_t, 16>& bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (n <= 0) {
            return false;
        }
        filled += static_cast<std::size_t>(n);
    }
    // A version-4 (random) GUID, like the ones the system's GUID generator hands out.
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
    return true;
}

// Creates the store with a fresh GUID. The store is written once, when it is created.
bool CreateGuidStore(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::array<std::uint8_t, 16> bytes{};
    if (ec || !RandomGuidBytes(bytes)) {
        return false;
    }
    return platform::WriteProfileString(kGuidSection, kGuidKey, FormatMachineGuid(bytes), path);
}

} // namespace

std::string MachineGuidStorePath() {
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        return {};
    }
    return base + "/TarselInst/machine.ini";
}

std::string FormatMachineGuid(const std::array<std::uint8_t, 16>& b) {
    const unsigned data1 =
        (unsigned{b[0]} << 24) | (unsigned{b[1]} << 16) | (unsigned{b[2]} << 8) | unsigned{b[3]};
    const unsigned data2 = (unsigned{b[4]} << 8) | unsigned{b[5]};
    const unsigned data3 = (unsigned{b[6]} << 8) | unsigned{b[7]};
    char text[40];
    std::snprintf(text, sizeof text, "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X", data1,
                  data2, data3, b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return text;
}

bool GetMachineGuid(std::string& guid) {
    // Two first calls at once (start-up event and a phone arrival) must not store two GUIDs.
    static std::mutex* const lock = new std::mutex;
    std::lock_guard guard(*lock);
    const std::string path = MachineGuidStorePath();
    if (path.empty()) {
        return false;
    }
    if (!platform::IsRegularFile(path) && !CreateGuidStore(path)) {
        return false;
    }
    std::string value = platform::GetProfileString(kGuidSection, kGuidKey, "", path);
    if (value.empty()) {
        return false;
    }
    guid = std::move(value);
    return true;
}

bool ChooseFirstAdapter(const std::vector<InterfaceEntry>& entries, std::string& mac,
                        std::string& ipv4) {
    const InterfaceEntry* chosen = nullptr;
    for (const InterfaceEntry& entry : entries) {
        if (!entry.loopback && entry.mac && *entry.mac != std::array<std::uint8_t, 6>{}) {
            chosen = &entry;
            break;
        }
    }
    if (!chosen) {
        return false;
    }
    const auto& m = *chosen->mac;
    char text[24];
    std::snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4],
                  m[5]);
    mac = text;
    ipv4 = "0.0.0.0";
    for (const InterfaceEntry& entry : entries) {
        if (entry.name == chosen->name && entry.ipv4) {
            ipv4 = *entry.ipv4;
            break;
        }
    }
    return true;
}

namespace {

std::optional<InterfaceEntry> ToEntry(const ifaddrs& item) {
    if (!item.ifa_addr || !item.ifa_name) {
        return std::nullopt;
    }
    InterfaceEntry entry;
    entry.name = item.ifa_name;
    entry.loopback = (item.ifa_flags & IFF_LOOPBACK) != 0;
    if (item.ifa_addr->sa_family == AF_PACKET) {
        const auto* link = reinterpret_cast<const sockaddr_ll*>(item.ifa_addr);
        if (link->sll_halen != 6) {
            return std::nullopt;
        }
        std::array<std::uint8_t, 6> mac{};
        std::copy(link->sll_addr, link->sll_addr + 6, mac.begin());
        entry.mac = mac;
        return entry;
    }
    if (item.ifa_addr->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(item.ifa_addr);
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        entry.ipv4 = std::string(text);
        return entry;
    }
    return std::nullopt;
}

} // namespace

bool GetFirstAdapterAddress(std::string& mac, std::string& ipv4) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return false;
    }
    std::vector<InterfaceEntry> entries;
    for (const ifaddrs* item = list; item; item = item->ifa_next) {
        if (std::optional<InterfaceEntry> entry = ToEntry(*item)) {
            entries.push_back(std::move(*entry));
        }
    }
    ::freeifaddrs(list);
    return ChooseFirstAdapter(entries, mac, ipv4);
}

bool IsMachine64Bit(std::string_view machine) {
    return machine.find("64") != std::string_view::npos || machine == "s390x" || machine == "alpha";
}

namespace {

// The value of PRETTY_NAME, without its quotes; empty when the line is missing.
std::string PrettyName(std::string_view osRelease) {
    constexpr std::string_view kKey = "PRETTY_NAME=";
    std::size_t at = 0;
    while (at < osRelease.size()) {
        std::size_t end = osRelease.find('\n', at);
        if (end == std::string_view::npos) {
            end = osRelease.size();
        }
        std::string_view line = osRelease.substr(at, end - at);
        at = end + 1;
        if (line.substr(0, kKey.size()) != kKey) {
            continue;
        }
        line.remove_prefix(kKey.size());
        if (line.size() >= 2 && (line.front() == '"' || line.front() == '\'') &&
            line.back() == line.front()) {
            line = line.substr(1, line.size() - 2);
        }
        return std::string(line);
    }
    return {};
}

} // namespace

std::string ComposeSystemVersionText(std::string_view osRelease, std::string_view kernelRelease,
                                     std::string_view machine) {
    std::string text = PrettyName(osRelease);
    if (text.empty()) {
        text = "Linux";
    }
    if (!kernelRelease.empty()) {
        text += " (kernel " + std::string(kernelRelease) + ")";
    }
    text += IsMachine64Bit(machine) ? ", 64-bit" : ", 32-bit";
    return platform::Utf8Prefix(text, kVersionTextChars);
}

bool GetWindowsVersionText(std::string& text) {
    utsname names{};
    if (::uname(&names) != 0) {
        return false;
    }
    std::string osRelease(16 * 1024, '\0');
    std::ifstream in("/etc/os-release", std::ios::binary);
    in.read(osRelease.data(), static_cast<std::streamsize>(osRelease.size()));
    osRelease.resize(static_cast<std::size_t>(in.gcount()));
    text = ComposeSystemVersionText(osRelease, names.release, names.machine);
    return true;
}

bool IsWow64() {
    utsname names{};
    return ::uname(&names) == 0 && IsMachine64Bit(names.machine);
}

} // namespace webservices
