#include "AdbDeviceListing.h"

#include "platform/Utf8.h"

namespace {

constexpr std::size_t kMaxSerialChars = 99;

// Offset just after the first header line, in any of its forms: the program's own
// "List of devices attached \r\n" and the LF form of current adb clients.
std::optional<std::size_t> listingStart(std::string_view output) {
    std::optional<std::size_t> best;
    std::optional<std::size_t> bestAt;
    for (std::string_view form : {"List of devices attached \r\n", "List of devices attached\r\n",
                                  "List of devices attached\n"}) {
        std::size_t at = output.find(form);
        if (at != std::string_view::npos && (!bestAt || at < *bestAt)) {
            bestAt = at;
            best = at + form.size();
        }
    }
    return best;
}

} // namespace

std::optional<std::vector<AdbDeviceEntry>> ParseDeviceListing(std::string_view output) {
    std::optional<std::size_t> start = listingStart(output);
    if (!start) {
        return std::nullopt;
    }
    std::vector<AdbDeviceEntry> entries;
    std::string_view rest = output.substr(*start);
    while (!rest.empty()) {
        std::size_t nl = rest.find('\n');
        std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            break; // an empty line ends the listing
        }
        std::size_t tab = line.find('\t');
        AdbDeviceEntry entry;
        entry.serial = platform::Utf8Prefix(line.substr(0, tab), kMaxSerialChars);
        if (tab != std::string_view::npos) {
            entry.state = std::string(line.substr(tab + 1));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool ListingHasOnlineDevice(std::string_view output) {
    return output.find("\tdevice") != std::string_view::npos;
}
