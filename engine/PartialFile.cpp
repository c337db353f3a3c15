// Temporary-file handling of the engine. Bytes reach the file with write(2) as they arrive, so
// a killed process loses nothing that was reported as received, and the resume offset is the
// file's own length. The complete file is renamed without a flush to disk, as curl -o and
// browsers leave theirs: a power cut is left to the file system (and the callers check the
// packages' MD5 before using them).
#include "PartialFile.h"

#include "download_engine.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace engine {
namespace {

constexpr int kMaxNumberedName = 9999;

bool PathExists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path, struct stat& st) {
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadSmallFile(const std::string& path, std::string& text) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    char buffer[kMaxMetaText + 1];
    ssize_t n = read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n < 0 || static_cast<std::size_t>(n) > kMaxMetaText) {
        return false;
    }
    text.assign(buffer, static_cast<std::size_t>(n));
    return true;
}

bool WriteAll(int fd, const char* data, std::size_t length, int& error) {
    while (length > 0) {
        ssize_t n = write(fd, data, length);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        data += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

// A rename that fails with EEXIST instead of replacing a file. File systems without
// RENAME_NOREPLACE get the same guarantee from link + unlink.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return -1;
    }
    if (link(from.c_str(), to.c_str()) != 0) {
        return -1;
    }
    unlink(from.c_str());
    return 0;
}

} // namespace

int PartialFile::ReserveName(const std::string& folder, const std::string& wanted,
                             std::string& chosen) {
    if (!IsValidFileName(wanted)) {
        return DE_ERR_BAD_FILE_NAME;
    }
    for (int n = 0; n <= kMaxNumberedName; ++n) {
        std::string name = n == 0 ? wanted : NumberedFileName(wanted, n);
        std::string finalPath = folder + name;
        if (PathExists(finalPath)) {
            continue;
        }
        int fd = ::open(TempPathOf(finalPath).c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return DE_ERR_FILE_IO;
        }
        ::close(fd);
        unlink(MetaPathOf(finalPath).c_str()); // a left-over of an earlier download
        chosen = name;
        return DE_OK;
    }
    return DE_ERR_BAD_FILE_NAME;
}

bool PartialFile::TempExists(const std::string& finalPath) {
    struct stat st;
    return IsRegularFile(TempPathOf(finalPath), st);
}

bool PartialFile::RemoveTemp(const std::string& finalPath) {
    bool ok = unlink(TempPathOf(finalPath).c_str()) == 0 || errno == ENOENT;
    ok = (unlink(MetaPathOf(finalPath).c_str()) == 0 || errno == ENOENT) && ok;
    return ok;
}

void PartialFile::RemoveTempIfEmpty(const std::string& finalPath) {
    struct stat st;
    if (IsRegularFile(TempPathOf(finalPath), st) && st.st_size == 0) {
        RemoveTemp(finalPath);
    }
}

PartialFile::PartialFile(std::string folder, std::string name)
    : m_folder(std::move(folder)), m_name(std::move(name)) {}

PartialFile::~PartialFile() {
    closeFile();
}

void PartialFile::closeFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

bool PartialFile::open() {
    closeFile();
    int fd = ::open(TempPathOf(finalPath()).c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    m_size = static_cast<std::uint64_t>(st.st_size);
    return true;
}

int PartialFile::append(const char* data, std::size_t length) {
    int error = 0;
    if (!WriteAll(m_fd, data, length, error)) {
        return error;
    }
    m_size += length;
    return 0;
}

int PartialFile::truncate() {
    if (ftruncate(m_fd, 0) != 0 || lseek(m_fd, 0, SEEK_SET) < 0) {
        return errno;
    }
    m_size = 0;
    return 0;
}

ResumeInfo PartialFile::readResumeInfo() const {
    std::string text;
    if (!ReadSmallFile(MetaPathOf(finalPath()), text)) {
        return {};
    }
    return ParseResumeInfo(text).value_or(ResumeInfo{});
}

bool PartialFile::writeResumeInfo(const ResumeInfo& info) {
    std::string metaPath = MetaPathOf(finalPath());
    std::string scratch = metaPath + ".new";
    int fd = ::open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        return false;
    }
    std::string text = FormatResumeInfo(info);
    int error = 0;
    bool ok = WriteAll(fd, text.data(), text.size(), error);
    ok = ::close(fd) == 0 && ok;
    if (!ok || std::rename(scratch.c_str(), metaPath.c_str()) != 0) {
        unlink(scratch.c_str());
        return false;
    }
    return true;
}

int PartialFile::finish() {
    closeFile();
    std::string temp = TempPathOf(finalPath());
    for (int n = 0; n <= kMaxNumberedName; ++n) {
        std::string name = n == 0 ? m_name : NumberedFileName(m_name, n);
        // No-replace rename: a file that appeared under the final name meanwhile is kept.
        if (RenameNoReplace(temp, m_folder + name) == 0) {
            unlink(MetaPathOf(finalPath()).c_str());
            m_name = name;
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

} // namespace engine
