// What of a zip archive is needed to find one entry without reading the rest: the end of
// central directory record, the central directory's file headers and an entry's local header
// (PKWARE APPNOTE 4.3). Parsing only; ApkFile reads the bytes. Zip64 archives are refused.
#pragma once

#include "LittleEndian.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace apk {

struct ZipEndRecord {
    std::uint32_t directoryOffset = 0;
    std::uint32_t directorySize = 0;
    std::uint16_t entries = 0;
};

/// Bytes at the end of the file that can hold the end record (22 bytes and a comment of up to
/// 65535).
constexpr std::size_t kMaxEndRecordSearch = 22 + 65535;

/// The end record found in `tail`, the last bytes of a file of `fileSize` bytes (at most
/// kMaxEndRecordSearch of them); nullopt when there is none, it spans disks, is a zip64
/// record, or its directory does not lie before it.
std::optional<ZipEndRecord> FindEndRecord(Bytes tail, std::uint64_t fileSize);

struct ZipEntry {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t uncompressedSize = 0;
    std::uint32_t localHeaderOffset = 0;
};

struct ZipLookup {
    enum class Outcome { Found, Absent, Malformed };
    Outcome outcome = Outcome::Malformed;
    ZipEntry entry;
};

/// Looks for the entry named exactly `name` in the central directory `directory` of `entries`
/// file headers.
ZipLookup FindZipEntry(Bytes directory, std::uint16_t entries, std::string_view name);

/// Size of a local file header without its name and extra field.
constexpr std::size_t kLocalHeaderSize = 30;

/// Where the entry's data starts, from its local header `header` (kLocalHeaderSize bytes read
/// at entry.localHeaderOffset); nullopt when it is no local header or the data would not lie
/// before the central directory at `directoryOffset`.
std::optional<std::uint64_t> EntryDataOffset(Bytes header, const ZipEntry& entry,
                                             std::uint32_t directoryOffset);

} // namespace apk
