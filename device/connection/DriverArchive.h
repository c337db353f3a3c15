// A downloaded driver package (a ZIP archive) and its unpacking into a folder with minizip.
// Entries are written in archive order; names that would leave the folder, links and other
// special files are refused (skipped), everything is bounded, and a write that fails (a full
// disk) ends the unpacking with a failure.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>

#include <sys/types.h>

class DriverArchive {
public:
    /// Most entries read from one archive, and most bytes written for it.
    static constexpr std::size_t kMaxEntries = 65536;
    static constexpr std::uint64_t kMaxUnpackedBytes = std::uint64_t{1} << 30;

    enum class Result {
        Unpacked,
        Failed,    ///< not readable as a ZIP archive, damaged, too big, or a write failed
        Cancelled, ///< `stop` was requested
    };

    DriverArchive() = default;
    /// Closes the archive.
    ~DriverArchive();
    DriverArchive(const DriverArchive&) = delete;
    DriverArchive& operator=(const DriverArchive&) = delete;

    /// Opens `path` (its central directory is read). False when it is not a ZIP archive.
    [[nodiscard]] bool open(const std::string& path);
    void close();

    /// Writes every entry below `folder` (an existing folder): folder entries become folders,
    /// file entries files with their stored permission bits. Refused entries are skipped.
    Result extractAll(const std::string& folder, std::stop_token stop);
    /// Entries skipped by the last extractAll.
    std::size_t refusedEntries() const { return m_refused; }

private:
    enum class Step { Done, Refused, Failed, Cancelled };
    Step extractCurrent(const std::string& folder, std::stop_token stop);
    Step writeCurrentFile(const std::string& target, mode_t mode, std::stop_token stop);
    Step copyCurrentData(int fd, std::stop_token stop);

    void* m_zip = nullptr; // minizip's unzFile
    std::size_t m_refused = 0;
    std::uint64_t m_written = 0;
};
