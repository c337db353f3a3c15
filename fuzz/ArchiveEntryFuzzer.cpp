// Entry names and attributes of driver archives: an accepted name never leaves the folder the
// archive is unpacked into, and the mode given to a file is an ordinary file's.
#include "FuzzCheck.h"

#include "device/connection/ArchiveEntryPath.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/stat.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const auto versionMadeBy = input.ConsumeIntegral<std::uint32_t>();
    const auto attributes = input.ConsumeIntegral<std::uint32_t>();
    const std::string name = input.ConsumeRemainingBytesAsString();

    if (auto path = SafeEntryPath(name)) {
        FUZZ_CHECK(!path->empty() && path->front() != '/' && path->back() != '/');
        FUZZ_CHECK(path->find('\\') == std::string::npos);
        FUZZ_CHECK(path->find(std::string_view("\0", 1)) == std::string::npos);
        FUZZ_CHECK(path->size() <= kMaxArchiveEntryName);
        const std::filesystem::path folder("/unpack/here");
        const std::filesystem::path joined = (folder / *path).lexically_normal();
        const std::filesystem::path relative = joined.lexically_relative(folder);
        FUZZ_CHECK(!relative.empty());
        for (const auto& part : relative) {
            FUZZ_CHECK(part != ".." && part != ".");
        }
        FUZZ_CHECK(joined.string().rfind("/unpack/here/", 0) == 0);
    }

    const ArchiveEntryType type = ClassifyArchiveEntry(name, versionMadeBy, attributes);
    if (type.kind == ArchiveEntryKind::File) {
        // Never set-id, sticky or writable by others, always readable and writable by us.
        FUZZ_CHECK((type.mode & ~mode_t{0755}) == 0);
        FUZZ_CHECK((type.mode & S_IRUSR) != 0 && (type.mode & S_IWUSR) != 0);
    } else if (type.kind == ArchiveEntryKind::Folder) {
        FUZZ_CHECK(type.mode == 0755);
    }
    return 0;
}
