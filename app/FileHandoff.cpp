#include "FileHandoff.h"

#include <algorithm>

std::string EncodeFileHandoff(const std::vector<std::string>& paths) {
    std::string message(kHandoffHeader);
    std::size_t count = 0;
    for (const std::string& path : paths) {
        if (count == kMaxHandoffFiles) {
            break;
        }
        message += path;
        message.push_back('\0');
        ++count;
    }
    message.push_back('\0');
    return message;
}

namespace {

FileHandoff Malformed() {
    return {FileHandoff::State::Malformed, {}};
}

} // namespace

FileHandoff DecodeFileHandoff(std::string_view bytes) {
    if (bytes.size() > kMaxHandoffBytes) {
        return Malformed();
    }
    const std::size_t headerBytes = std::min(bytes.size(), kHandoffHeader.size());
    if (bytes.substr(0, headerBytes) != kHandoffHeader.substr(0, headerBytes)) {
        return Malformed();
    }
    FileHandoff result;
    std::size_t pos = kHandoffHeader.size();
    while (pos < bytes.size()) {
        const std::size_t end = bytes.find('\0', pos);
        const std::size_t length = (end == std::string_view::npos ? bytes.size() : end) - pos;
        if (length > kMaxHandoffPathBytes || (length > 0 && bytes[pos] != '/')) {
            return Malformed();
        }
        if (end == std::string_view::npos) {
            return {FileHandoff::State::Incomplete, {}};
        }
        if (length == 0) {
            // The empty path ends the message; nothing may follow it.
            if (end + 1 != bytes.size()) {
                return Malformed();
            }
            result.state = FileHandoff::State::Complete;
            return result;
        }
        if (result.paths.size() == kMaxHandoffFiles) {
            return Malformed();
        }
        result.paths.emplace_back(bytes.substr(pos, length));
        pos = end + 1;
    }
    return {FileHandoff::State::Incomplete, {}};
}
