#include "ApkFile.h"

#include "ManifestParser.h"
#include "RawInflate.h"
#include "ZipDirectory.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace apk {

namespace {

constexpr char kManifestName[] = "AndroidManifest.xml";
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kEncryptedFlag = 1;

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path)
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), m_openError(m_fd < 0 ? errno : 0) {}
    ~ReadOnlyFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    int fd() const { return m_fd; }
    int openError() const { return m_openError; }

    /// Exactly `length` bytes at `offset`, or nullopt.
    std::optional<std::vector<std::uint8_t>> read(std::uint64_t offset, std::size_t length) const {
        std::vector<std::uint8_t> bytes(length);
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = ::pread(m_fd, bytes.data() + done, length - done,
                                      static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return std::nullopt;
            }
            done += static_cast<std::size_t>(n);
        }
        return bytes;
    }

private:
    int m_fd;
    int m_openError;
};

ApkReadResult Failed(ApkReadError error, std::string detail, std::uint64_t fileSize = 0) {
    ApkReadResult result;
    result.error = error;
    result.detail = std::move(detail);
    result.fileSize = fileSize;
    return result;
}

struct ManifestBytes {
    std::optional<std::vector<std::uint8_t>> bytes;
    ApkReadError error = ApkReadError::NotAPackage;
    std::string detail;
};

ManifestBytes Fail(ApkReadError error, std::string detail) {
    return {std::nullopt, error, std::move(detail)};
}

/// The manifest entry's bytes, stored or inflated, checked against its CRC.
ManifestBytes EntryBytes(const ReadOnlyFile& file, const ZipEntry& entry,
                         std::uint32_t directoryOffset) {
    if ((entry.flags & kEncryptedFlag) != 0) {
        return Fail(ApkReadError::NotAPackage, "encrypted manifest");
    }
    if (entry.uncompressedSize > kMaxManifestBytes || entry.compressedSize > kMaxManifestBytes) {
        return Fail(ApkReadError::ManifestTooLarge, "manifest too large");
    }
    const auto header = file.read(entry.localHeaderOffset, kLocalHeaderSize);
    const auto dataOffset =
        header ? EntryDataOffset(*header, entry, directoryOffset) : std::nullopt;
    if (!dataOffset) {
        return Fail(ApkReadError::NotAPackage, "bad local header");
    }
    auto data = file.read(*dataOffset, entry.compressedSize);
    if (!data) {
        return Fail(ApkReadError::Unreadable, "manifest unreadable");
    }
    std::optional<std::vector<std::uint8_t>> bytes;
    if (entry.method == kStored && entry.compressedSize == entry.uncompressedSize) {
        bytes = std::move(data);
    } else if (entry.method == kDeflated) {
        bytes = RawInflate(*data, entry.uncompressedSize);
    }
    if (!bytes || ZipCrc32(*bytes) != entry.crc32) {
        return Fail(ApkReadError::NotAPackage, "manifest entry damaged");
    }
    return {std::move(bytes), ApkReadError::None, {}};
}

ManifestBytes ManifestOf(const ReadOnlyFile& file, std::uint64_t fileSize) {
    const std::size_t tailSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kMaxEndRecordSearch));
    const auto tail = file.read(fileSize - tailSize, tailSize);
    if (!tail) {
        return Fail(ApkReadError::Unreadable, "read error");
    }
    const auto end = FindEndRecord(*tail, fileSize);
    if (!end) {
        return Fail(ApkReadError::NotAPackage, "not a zip archive");
    }
    if (end->directorySize > kMaxDirectoryBytes) {
        return Fail(ApkReadError::NotAPackage, "central directory too large");
    }
    const auto directory = file.read(end->directoryOffset, end->directorySize);
    if (!directory) {
        return Fail(ApkReadError::Unreadable, "read error");
    }
    const ZipLookup lookup = FindZipEntry(*directory, end->entries, kManifestName);
    if (lookup.outcome != ZipLookup::Outcome::Found) {
        return Fail(ApkReadError::NotAPackage, lookup.outcome == ZipLookup::Outcome::Absent
                                                   ? "no AndroidManifest.xml"
                                                   : "bad central directory");
    }
    return EntryBytes(file, lookup.entry, end->directoryOffset);
}

} // namespace

ApkReadResult ReadApkFile(const std::string& path) {
    ReadOnlyFile file(path);
    if (file.fd() < 0) {
        return Failed(file.openError() == ENOENT || file.openError() == ENOTDIR
                          ? ApkReadError::Missing
                          : ApkReadError::Unreadable,
                      "cannot open");
    }
    struct stat st {};
    if (::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return Failed(ApkReadError::Unreadable, "not a regular file");
    }
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    ManifestBytes manifest = ManifestOf(file, fileSize);
    if (!manifest.bytes) {
        return Failed(manifest.error, manifest.detail, fileSize);
    }
    ManifestParseResult parsed = ParseAndroidManifest(*manifest.bytes);
    if (!parsed.manifest) {
        return Failed(ApkReadError::NotAPackage, "manifest: " + parsed.error, fileSize);
    }
    ApkReadResult result;
    result.manifest = std::move(parsed.manifest);
    result.fileSize = fileSize;
    return result;
}

} // namespace apk
