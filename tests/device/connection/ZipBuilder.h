// Real ZIP archives for the driver tests, written with minizip's zip interface: files with Unix
// permission bits, folders, symbolic links and entries made on a DOS system.
#pragma once

#include <string>

namespace testsupport {

class ZipBuilder {
public:
    /// Creates (replaces) the archive at `path`.
    explicit ZipBuilder(const std::string& path);
    /// Closes the archive if close() was not called.
    ~ZipBuilder();
    ZipBuilder(const ZipBuilder&) = delete;
    ZipBuilder& operator=(const ZipBuilder&) = delete;

    bool ok() const { return m_zip != nullptr && m_ok; }
    /// A file made on Unix with permission bits `mode`. The name is stored as given.
    void addFile(const std::string& name, const std::string& content, unsigned mode = 0644);
    /// A file made on DOS: no permission bits.
    void addDosFile(const std::string& name, const std::string& content);
    /// A folder entry ("name/").
    void addFolder(const std::string& name);
    /// A symbolic link entry whose data is `target`.
    void addSymlink(const std::string& name, const std::string& target);
    /// Writes the central directory. False when anything failed.
    bool close();

private:
    void add(const std::string& name, const std::string& content, unsigned hostAndVersion,
             unsigned long externalAttributes);

    void* m_zip = nullptr;
    bool m_ok = true;
};

} // namespace testsupport
