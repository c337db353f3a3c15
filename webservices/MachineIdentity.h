// What identifies this computer in the usage logs: a machine GUID created once per user and
// kept, the MAC and IPv4 address of the first network adapter, a readable operating-system
// text, and whether the system is 64-bit. All providers fail silently.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace webservices {

/// The machine GUID: created on first use and stored in $XDG_CONFIG_HOME/TarselInst/
/// machine.ini (section "TarselInst", key "GUID"; ~/.config when XDG_CONFIG_HOME is unset),
/// then the same text on every call and run. False when the store cannot be created or
/// holds no GUID (an existing store is never repaired). Thread-safe.
[[nodiscard]] bool GetMachineGuid(std::string& guid);

/// Path of the GUID store, or empty when neither XDG_CONFIG_HOME nor HOME is set.
std::string MachineGuidStorePath();

/// "%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X" over the GUID fields (Data1, Data2,
/// Data3, Data4[8]) of 16 bytes; the third group is lower-case.
std::string FormatMachineGuid(const std::array<std::uint8_t, 16>& bytes);

/// One entry of the system's interface list, as the adapter choice needs it.
struct InterfaceEntry {
    std::string name;
    bool loopback = false;
    std::optional<std::array<std::uint8_t, 6>> mac; ///< set for the link-layer entry
    std::optional<std::string> ipv4;                ///< set for an IPv4 entry (dotted text)
};

/// The first non-loopback interface (in list order) with a non-zero six-byte MAC: its MAC
/// text ("%02X-%02X-..." joined by '-') and its first IPv4 text, "0.0.0.0" when it has none.
[[nodiscard]] bool ChooseFirstAdapter(const std::vector<InterfaceEntry>& entries, std::string& mac,
                                      std::string& ipv4);

/// ChooseFirstAdapter over the system's list (getifaddrs). False when the list cannot be read
/// or holds no such interface.
[[nodiscard]] bool GetFirstAdapterAddress(std::string& mac, std::string& ipv4);

/// The operating-system text sent as the machine's version: PRETTY_NAME of /etc/os-release
/// (else "Linux"), " (kernel <release>)" and ", 64-bit" / ", 32-bit"; at most 256
/// characters. False when the system's name cannot be read.
[[nodiscard]] bool GetWindowsVersionText(std::string& text);

/// The text above from its parts (os-release content, kernel release, machine name).
std::string ComposeSystemVersionText(std::string_view osRelease, std::string_view kernelRelease,
                                     std::string_view machine);

/// True when a machine name (uname -m) is a 64-bit architecture.
bool IsMachine64Bit(std::string_view machine);

/// True when the operating system is 64-bit: the answer the web service's device lookup
/// needs (MachineType "AMD64" rather than "X86").
bool IsWow64();

} // namespace webservices
