#include "ArchiveEntryPath.h"

#include <sys/stat.h>

namespace {

constexpr std::uint32_t kHostUnix = 3;
constexpr std::uint32_t kHostDarwin = 19;
constexpr std::uint32_t kDosFolderAttribute = 0x10;

bool isAbsolute(std::string_view name) {
    if (!name.empty() && (name[0] == '/' || name[0] == '\\')) {
        return true;
    }
    // A drive letter ("C:") names a place outside any folder of ours.
    return name.size() >= 2 && name[1] == ':' &&
           ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

} // namespace

std::optional<std::string> SafeEntryPath(std::string_view name) {
    if (name.empty() || name.size() > kMaxArchiveEntryName || isAbsolute(name) ||
        name.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::string path;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = name.size();
        }
        const std::string_view part = name.substr(start, end - start);
        if (part == "..") {
            return std::nullopt;
        }
        if (!part.empty() && part != ".") {
            if (!path.empty()) {
                path += '/';
            }
            path += part;
        }
        start = end + 1;
    }
    if (path.empty()) {
        return std::nullopt;
    }
    return path;
}

ArchiveEntryType ClassifyArchiveEntry(std::string_view name, std::uint32_t versionMadeBy,
                                      std::uint32_t externalAttributes) {
    const bool endsInSeparator = !name.empty() && (name.back() == '/' || name.back() == '\\');
    const std::uint32_t host = (versionMadeBy >> 8) & 0xff;
    const auto unixMode = static_cast<mode_t>(externalAttributes >> 16);
    if ((host == kHostUnix || host == kHostDarwin) && unixMode != 0) {
        const mode_t type = unixMode & S_IFMT;
        if (S_ISDIR(unixMode) || (type == 0 && endsInSeparator)) {
            return {ArchiveEntryKind::Folder, 0755};
        }
        if (type != 0 && !S_ISREG(unixMode)) {
            return {ArchiveEntryKind::Refused, 0};
        }
        return {ArchiveEntryKind::File, static_cast<mode_t>((unixMode & 0755) | S_IRUSR | S_IWUSR)};
    }
    if (endsInSeparator || (externalAttributes & kDosFolderAttribute) != 0) {
        return {ArchiveEntryKind::Folder, 0755};
    }
    return {ArchiveEntryKind::File, 0644};
}
