// The temporary ASCII name a package takes while it is installed: adb is handed a path
// without bytes above 127, and the package gets its own name back afterwards. A journal file
// remembers the pair while the package is away, so that a program killed mid-install moves
// the file back at the next start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

/// True when `path` has a byte of value 128 or more.
bool NeedsAsciiName(const std::string& path);

/// folder of `path` (up to and including its last '/') + `tick` + "_" + `counter` + ".apk";
/// nothing when `path` has no '/' after its first character.
std::optional<std::string> TemporaryInstallName(const std::string& path, std::uint64_t tick,
                                                std::uint64_t counter);

class InstallRename {
public:
    /// `journal`: the file that remembers a moved package (data/installing.journal).
    explicit InstallRename(std::string journal) : m_journal(std::move(journal)) {}

    /// Moves `path` to `temporary`, journalled first. False (nothing moved, no journal) when
    /// the journal cannot be written or the move fails.
    bool moveAway(const std::string& path, const std::string& temporary);
    /// Moves the package back to `path` and clears the journal.
    void moveBack(const std::string& temporary, const std::string& path);
    /// At start-up: a journalled package still under its temporary name goes back. True when
    /// one was moved.
    bool recover();

private:
    std::string m_journal;
};
