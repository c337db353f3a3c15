// Partial downloads nobody continues: temporary files of a URL that a killed process left in a
// folder, which a new task for the same URL and folder clears away.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace engine {

/// Most directory entries looked at in one sweep.
constexpr std::size_t kMaxSweptEntries = 20000;

/// Removes, in `folder` (ending in '/'), the temporary and meta files of every partial download
/// whose meta file names `url` (a meta file left alone included), and every empty temporary file
/// without a meta file whose name is `wanted` or a numbered alternative of it (a reservation cut
/// short). Partials for which `keep(finalPath)` is true stay. The number of partials removed.
int RemoveStrayPartials(const std::string& folder, std::string_view url, std::string_view wanted,
                        const std::function<bool(const std::string&)>& keep);

} // namespace engine
