// The temporary file of one download and its meta file: reserving a free name, appending the
// bytes received, remembering what a later process needs to resume, and giving the complete
// file its final name without ever showing a partial file under that name.
#pragma once

#include "TempFileNames.h"

#include <cstdint>
#include <string>

namespace engine {

class PartialFile {
public:
    /// Picks a name in `folder` (ending in '/') for which neither the final file nor a temporary
    /// file exists, starting with `wanted`, then "wanted(1)" ..., and creates its empty
    /// temporary file so that no other task takes it. DE_ error code or DE_OK.
    static int ReserveName(const std::string& folder, const std::string& wanted,
                           std::string& chosen);
    /// True when a regular temporary file exists for `finalPath`.
    static bool TempExists(const std::string& finalPath);
    /// Removes the temporary and meta files of `finalPath`; true when none is left.
    static bool RemoveTemp(const std::string& finalPath);
    /// Removes them only when the temporary file is empty.
    static void RemoveTempIfEmpty(const std::string& finalPath);

    PartialFile(std::string folder, std::string name);
    ~PartialFile();
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    const std::string& name() const { return m_name; }
    std::string finalPath() const { return m_folder + m_name; }

    /// Opens the existing temporary file for appending; its length is where a transfer
    /// continues. False when it is missing or not a regular file.
    [[nodiscard]] bool open();
    std::uint64_t size() const { return m_size; }
    /// Appends; 0 or the errno of the failed write.
    int append(const char* data, std::size_t length);
    /// Empties the file (the server sent the whole file instead of the rest); errno or 0.
    int truncate();
    /// The meta file's contents, or an empty ResumeInfo when there is none.
    ResumeInfo readResumeInfo() const;
    /// Replaces the meta file (written beside it and renamed, so it is never half written).
    bool writeResumeInfo(const ResumeInfo& info);
    /// Closes the file and renames it to its final name, or to "name(n)" when that name has
    /// been taken meanwhile (name() then tells it). errno or 0.
    int finish();

private:
    void closeFile();

    std::string m_folder;
    std::string m_name;
    int m_fd = -1;
    std::uint64_t m_size = 0;
};

} // namespace engine
