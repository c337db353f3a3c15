#include "ZipBuilder.h"

#include <zip.h>

#include <sys/stat.h>

namespace testsupport {
namespace {

constexpr unsigned kMadeByUnix = (3u << 8) | 20u;
constexpr unsigned kMadeByDos = 20u;

} // namespace

ZipBuilder::ZipBuilder(const std::string& path) {
    m_zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
}

ZipBuilder::~ZipBuilder() {
    (void)close();
}

void ZipBuilder::add(const std::string& name, const std::string& content, unsigned hostAndVersion,
                     unsigned long externalAttributes) {
    if (m_zip == nullptr) {
        m_ok = false;
        return;
    }
    zip_fileinfo info{};
    info.external_fa = externalAttributes;
    if (zipOpenNewFileInZip4_64(m_zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                Z_DEFAULT_STRATEGY, nullptr, 0, hostAndVersion, 0, 0) != ZIP_OK) {
        m_ok = false;
        return;
    }
    if (!content.empty() && zipWriteInFileInZip(m_zip, content.data(),
                                                static_cast<unsigned>(content.size())) != ZIP_OK) {
        m_ok = false;
    }
    if (zipCloseFileInZip(m_zip) != ZIP_OK) {
        m_ok = false;
    }
}

void ZipBuilder::addFile(const std::string& name, const std::string& content, unsigned mode) {
    add(name, content, kMadeByUnix, static_cast<unsigned long>(S_IFREG | mode) << 16);
}

void ZipBuilder::addDosFile(const std::string& name, const std::string& content) {
    add(name, content, kMadeByDos, 0x20); // the DOS archive attribute
}

void ZipBuilder::addFolder(const std::string& name) {
    add(name + "/", "", kMadeByUnix, (static_cast<unsigned long>(S_IFDIR | 0755) << 16) | 0x10);
}

void ZipBuilder::addSymlink(const std::string& name, const std::string& target) {
    add(name, target, kMadeByUnix, static_cast<unsigned long>(S_IFLNK | 0777) << 16);
}

bool ZipBuilder::close() {
    if (m_zip == nullptr) {
        return false;
    }
    const bool closed = zipClose(m_zip, nullptr) == ZIP_OK;
    m_zip = nullptr;
    return closed && m_ok;
}

} // namespace testsupport
