// What a second start of the program sends to the running one: the package files it was
// given. The message is a header line, then each absolute path ended by a NUL byte, then an
// empty path. Encoding and decoding only; InstanceChannel carries the bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

constexpr std::size_t kMaxHandoffFiles = 1000;
constexpr std::size_t kMaxHandoffPathBytes = 4096;
constexpr std::string_view kHandoffHeader = "penlow-open 1\n";
/// Largest message: the header and kMaxHandoffFiles paths of the longest length.
constexpr std::size_t kMaxHandoffBytes =
    kHandoffHeader.size() + (kMaxHandoffFiles + 1) * (kMaxHandoffPathBytes + 1);

/// The message for `paths` (absolute, without NUL bytes; at most kMaxHandoffFiles of them,
/// more are left out).
std::string EncodeFileHandoff(const std::vector<std::string>& paths);

struct FileHandoff {
    enum class State { Incomplete, Complete, Malformed };
    State state = State::Incomplete;
    std::vector<std::string> paths; ///< when Complete
};

/// Decodes the bytes received so far: Incomplete while the end has not come, Malformed for a
/// wrong header, a relative or over-long path, too many paths or bytes after the end.
FileHandoff DecodeFileHandoff(std::string_view bytes);
