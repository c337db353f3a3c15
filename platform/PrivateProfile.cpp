#include "PrivateProfile.h"

#include "IniText.h"
#include "Utf8.h"

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

// Writers of one file take turns so that no update is lost. Readers take no lock: a write
// replaces the file by an atomic rename, so a reader opens the old or the new file whole.
std::mutex& writerLockFor(const std::string& path) {
    static std::mutex tableLock;
    static std::map<std::string, std::unique_ptr<std::mutex>> locks;
    std::lock_guard guard(tableLock);
    auto& slot = locks[path];
    if (!slot) {
        slot = std::make_unique<std::mutex>();
    }
    return *slot;
}

constexpr std::size_t kMaxIniBytes = 4 * 1024 * 1024;

std::optional<std::string> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(kMaxIniBytes, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

bool writeFileAtomically(const std::string& path, const std::string& text) {
    // One temporary name per process: writers of this process are serialised above.
    std::string temp = path + ".tmp-" + std::to_string(getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view fallback, const std::string& path,
                             std::size_t maxChars) {
    std::optional<std::string> text = readWholeFile(path);
    std::optional<std::string> value;
    if (text) {
        value = FindIniValue(*text, section, key);
    }
    return Utf8Prefix(value ? *value : fallback, maxChars);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        const std::string& path) {
    std::lock_guard guard(writerLockFor(path));
    std::string text = readWholeFile(path).value_or(std::string());
    return writeFileAtomically(path, SetIniValue(text, section, key, value));
}

} // namespace platform
