// Where an entry of a downloaded driver archive may go, and what it is. The archive comes from
// the network: a name must never lead out of the unpack folder, and only plain files and
// folders are written (no links, devices or pipes).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

/// The longest entry name accepted, in bytes.
inline constexpr std::size_t kMaxArchiveEntryName = 1024;

/// The relative path of an entry inside the unpack folder: '\' turned into '/', empty and "."
/// components dropped. Nothing when the name is absolute ("/x", "\x", "C:x"), has a ".."
/// component, holds a NUL byte, is longer than kMaxArchiveEntryName or names nothing.
std::optional<std::string> SafeEntryPath(std::string_view name);

enum class ArchiveEntryKind {
    File,
    Folder,
    Refused, ///< a symbolic link or another special file
};

/// What an entry is and the permission bits its file gets.
struct ArchiveEntryType {
    ArchiveEntryKind kind = ArchiveEntryKind::File;
    mode_t mode = 0644;
};

/// Reads the entry's kind and mode from its name and its ZIP attributes. Entries made on a Unix
/// system (host 3 or 19 in the high byte of `versionMadeBy`) carry their st_mode in the high
/// 16 bits of `externalAttributes`: its type decides the kind, and its permission bits are kept
/// (without group and other write, always readable and writable by the owner) so that a start
/// program stays executable. Other entries are 0644 files, or folders when the name ends in a
/// separator or the DOS folder attribute is set.
ArchiveEntryType ClassifyArchiveEntry(std::string_view name, std::uint32_t versionMadeBy,
                                      std::uint32_t externalAttributes);
