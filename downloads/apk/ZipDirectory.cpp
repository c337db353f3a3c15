#include "ZipDirectory.h"

#include <cstring>

namespace apk {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCentralHeaderSize = 46;

std::optional<ZipEndRecord> EndRecordAt(Bytes tail, std::size_t at, std::uint64_t fileSize) {
    const std::uint16_t disk = *ReadU16(tail, at + 4);
    const std::uint16_t directoryDisk = *ReadU16(tail, at + 6);
    const std::uint16_t entriesHere = *ReadU16(tail, at + 8);
    ZipEndRecord record;
    record.entries = *ReadU16(tail, at + 10);
    record.directorySize = *ReadU32(tail, at + 12);
    record.directoryOffset = *ReadU32(tail, at + 16);
    const std::uint16_t commentLength = *ReadU16(tail, at + 20);
    if (commentLength > tail.size() - at - kEndRecordSize) {
        return std::nullopt; // a signature inside the comment, not the record
    }
    if (disk != 0 || directoryDisk != 0 || entriesHere != record.entries ||
        record.entries == 0xFFFF || record.directoryOffset == 0xFFFFFFFF) {
        return std::nullopt;
    }
    const std::uint64_t recordPosition = fileSize - (tail.size() - at);
    if (!FitsIn(record.directoryOffset, record.directorySize, recordPosition)) {
        return std::nullopt;
    }
    return record;
}

} // namespace

std::optional<ZipEndRecord> FindEndRecord(Bytes tail, std::uint64_t fileSize) {
    if (tail.size() < kEndRecordSize || tail.size() > fileSize ||
        tail.size() > kMaxEndRecordSearch) {
        return std::nullopt;
    }
    // From the end backwards: the last record whose comment reaches no further than the file.
    for (std::size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
        if (*ReadU32(tail, at) != kEndSignature) {
            continue;
        }
        if (auto record = EndRecordAt(tail, at, fileSize)) {
            return record;
        }
    }
    return std::nullopt;
}

ZipLookup FindZipEntry(Bytes directory, std::uint16_t entries, std::string_view name) {
    std::size_t pos = 0;
    for (std::uint32_t i = 0; i < entries; ++i) {
        if (!FitsIn(pos, kCentralHeaderSize, directory.size()) ||
            *ReadU32(directory, pos) != kCentralSignature) {
            return {};
        }
        const std::size_t nameLength = *ReadU16(directory, pos + 28);
        const std::size_t extraLength = *ReadU16(directory, pos + 30);
        const std::size_t commentLength = *ReadU16(directory, pos + 32);
        const std::size_t recordSize =
            kCentralHeaderSize + nameLength + extraLength + commentLength;
        if (!FitsIn(pos, recordSize, directory.size())) {
            return {};
        }
        if (nameLength == name.size() && std::memcmp(directory.data() + pos + kCentralHeaderSize,
                                                     name.data(), nameLength) == 0) {
            ZipLookup found{ZipLookup::Outcome::Found, {}};
            found.entry.flags = *ReadU16(directory, pos + 8);
            found.entry.method = *ReadU16(directory, pos + 10);
            found.entry.crc32 = *ReadU32(directory, pos + 16);
            found.entry.compressedSize = *ReadU32(directory, pos + 20);
            found.entry.uncompressedSize = *ReadU32(directory, pos + 24);
            found.entry.localHeaderOffset = *ReadU32(directory, pos + 42);
            return found;
        }
        pos += recordSize;
    }
    return {ZipLookup::Outcome::Absent, {}};
}

std::optional<std::uint64_t> EntryDataOffset(Bytes header, const ZipEntry& entry,
                                             std::uint32_t directoryOffset) {
    const auto signature = ReadU32(header, 0);
    const auto nameLength = ReadU16(header, 26);
    const auto extraLength = ReadU16(header, 28);
    if (!signature || *signature != kLocalSignature || !nameLength || !extraLength) {
        return std::nullopt;
    }
    const std::uint64_t data =
        std::uint64_t{entry.localHeaderOffset} + kLocalHeaderSize + *nameLength + *extraLength;
    if (!FitsIn(data, entry.compressedSize, directoryOffset)) {
        return std::nullopt;
    }
    return data;
}

} // namespace apk
