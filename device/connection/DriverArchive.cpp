#include "DriverArchive.h"

#include "platform/FileWrite.h"

#include "ArchiveEntryPath.h"

#include <unzip.h>

#include <array>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

enum class PathState { Missing, Folder, File, Other };

PathState pathState(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? PathState::Missing : PathState::Other;
    }
    if (S_ISDIR(info.st_mode)) {
        return PathState::Folder;
    }
    return S_ISREG(info.st_mode) ? PathState::File : PathState::Other;
}

// Creates the folders of `relative` below `folder`: all its components, or all but the last
// when `includeLast` is false. An existing component that is not a real folder (a file, or a
// link that could lead elsewhere) refuses the entry.
enum class FolderResult { Ready, Refused, Failed };
FolderResult makeFolders(const std::string& folder, const std::string& relative, bool includeLast) {
    std::string path = folder;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        const bool last = end == std::string::npos;
        if (last && !includeLast) {
            break;
        }
        end = last ? relative.size() : end;
        path += '/';
        path.append(relative, start, end - start);
        PathState state = pathState(path);
        if (state == PathState::Missing) {
            if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) {
                return FolderResult::Failed;
            }
            state = pathState(path);
        }
        if (state != PathState::Folder) {
            return FolderResult::Refused;
        }
        start = end + 1;
    }
    return FolderResult::Ready;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    return platform::WriteAll(fd, data, size);
}

} // namespace

DriverArchive::~DriverArchive() {
    close();
}

bool DriverArchive::open(const std::string& path) {
    close();
    m_zip = unzOpen64(path.c_str());
    return m_zip != nullptr;
}

void DriverArchive::close() {
    if (m_zip != nullptr) {
        (void)unzClose(static_cast<unzFile>(m_zip));
        m_zip = nullptr;
    }
}

DriverArchive::Result DriverArchive::extractAll(const std::string& folder, std::stop_token stop) {
    m_refused = 0;
    m_written = 0;
    auto* zip = static_cast<unzFile>(m_zip);
    if (zip == nullptr || unzGoToFirstFile(zip) != UNZ_OK) {
        return Result::Failed;
    }
    for (std::size_t count = 1;; ++count) {
        if (count > kMaxEntries) {
            return Result::Failed;
        }
        const Step step = extractCurrent(folder, stop);
        if (step == Step::Failed) {
            return Result::Failed;
        }
        if (step == Step::Cancelled) {
            return Result::Cancelled;
        }
        m_refused += step == Step::Refused ? 1 : 0;
        const int next = unzGoToNextFile(zip);
        if (next == UNZ_END_OF_LIST_OF_FILE) {
            return Result::Unpacked;
        }
        if (next != UNZ_OK) {
            return Result::Failed;
        }
    }
}

DriverArchive::Step DriverArchive::extractCurrent(const std::string& folder, std::stop_token stop) {
    if (stop.stop_requested()) {
        return Step::Cancelled;
    }
    auto* zip = static_cast<unzFile>(m_zip);
    unz_file_info64 info{};
    std::array<char, kMaxArchiveEntryName + 1> name{};
    if (unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
        return Step::Failed;
    }
    if (info.size_filename > kMaxArchiveEntryName) {
        return Step::Refused; // the name did not fit: never write a cut name
    }
    const std::string_view rawName(name.data(), info.size_filename);
    const ArchiveEntryType type =
        ClassifyArchiveEntry(rawName, static_cast<std::uint32_t>(info.version),
                             static_cast<std::uint32_t>(info.external_fa));
    const std::optional<std::string> relative = SafeEntryPath(rawName);
    if (!relative || type.kind == ArchiveEntryKind::Refused) {
        return Step::Refused;
    }
    const bool isFolder = type.kind == ArchiveEntryKind::Folder;
    switch (makeFolders(folder, *relative, isFolder)) {
    case FolderResult::Refused:
        return Step::Refused;
    case FolderResult::Failed:
        return Step::Failed;
    case FolderResult::Ready:
        break;
    }
    return isFolder ? Step::Done : writeCurrentFile(folder + "/" + *relative, type.mode, stop);
}

DriverArchive::Step DriverArchive::writeCurrentFile(const std::string& target, mode_t mode,
                                                    std::stop_token stop) {
    const PathState state = pathState(target);
    if (state != PathState::Missing && state != PathState::File) {
        return Step::Refused;
    }
    auto* zip = static_cast<unzFile>(m_zip);
    if (unzOpenCurrentFile(zip) != UNZ_OK) {
        return Step::Failed;
    }
    const int fd =
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, mode);
    Step step = fd < 0 ? Step::Failed : copyCurrentData(fd, stop);
    // The stored bits, whatever the umask or an earlier file of the same name had.
    if (fd >= 0) {
        if (step == Step::Done && ::fchmod(fd, mode) != 0) {
            step = Step::Failed;
        }
        if (::close(fd) != 0 && step == Step::Done) {
            step = Step::Failed; // a delayed write error (NFS, a full disk)
        }
    }
    if (unzCloseCurrentFile(zip) != UNZ_OK && step == Step::Done) {
        step = Step::Failed; // CRC mismatch: the data is damaged
    }
    return step;
}

DriverArchive::Step DriverArchive::copyCurrentData(int fd, std::stop_token stop) {
    auto* zip = static_cast<unzFile>(m_zip);
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        if (stop.stop_requested()) {
            return Step::Cancelled;
        }
        const int n = unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n == 0) {
            return Step::Done;
        }
        if (n < 0) {
            return Step::Failed;
        }
        m_written += static_cast<std::uint64_t>(n);
        if (m_written > kMaxUnpackedBytes ||
            !writeAll(fd, buffer.data(), static_cast<std::size_t>(n))) {
            return Step::Failed;
        }
    }
}
