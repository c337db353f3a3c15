// Writing a whole buffer to a file descriptor, across short writes and interruptions.
#pragma once

#include <cstddef>

namespace platform {

/// Writes all `size` bytes of `data` to `fd`. False on any write error (disk full included).
[[nodiscard]] bool WriteAll(int fd, const void* data, std::size_t size);

} // namespace platform
