#include "InstallRename.h"

#include "DownloadRows.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

constexpr std::streamsize kMaxJournal = 8192;

bool Move(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

} // namespace

bool NeedsAsciiName(const std::string& path) {
    for (char c : path) {
        if (static_cast<unsigned char>(c) >= 128) {
            return true;
        }
    }
    return false;
}

std::optional<std::string> TemporaryInstallName(const std::string& path, std::uint64_t tick,
                                                std::uint64_t counter) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return std::nullopt;
    }
    return path.substr(0, slash + 1) + std::to_string(tick) + "_" + std::to_string(counter) +
           ".apk";
}

bool InstallRename::moveAway(const std::string& path, const std::string& temporary) {
    {
        std::ofstream out(m_journal, std::ios::binary | std::ios::trunc);
        out << temporary << '\n' << path << '\n';
        if (!out.flush()) {
            return false;
        }
    }
    if (!Move(path, temporary)) {
        std::error_code ignored;
        std::filesystem::remove(m_journal, ignored);
        return false;
    }
    return true;
}

void InstallRename::moveBack(const std::string& temporary, const std::string& path) {
    (void)Move(temporary, path);
    std::error_code ignored;
    std::filesystem::remove(m_journal, ignored);
}

bool InstallRename::recover() {
    std::ifstream in(m_journal, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string text(kMaxJournal, '\0');
    in.read(text.data(), kMaxJournal);
    text.resize(static_cast<std::size_t>(in.gcount()));
    in.close();
    const std::size_t first = text.find('\n');
    const std::size_t second =
        first == std::string::npos ? std::string::npos : text.find('\n', first + 1);
    bool moved = false;
    if (second != std::string::npos) {
        const std::string temporary = text.substr(0, first);
        const std::string path = text.substr(first + 1, second - first - 1);
        moved = !temporary.empty() && !path.empty() && PathExists(temporary) && !PathExists(path) &&
                Move(temporary, path);
    }
    std::error_code ignored;
    std::filesystem::remove(m_journal, ignored);
    return moved;
}
