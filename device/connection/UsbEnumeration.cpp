// Enumerating USB devices from sysfs.
#include "UsbEnumeration.h"

#include "DeviceList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Attribute files hold "xxxx\n"; anything longer than this is not an id.
constexpr std::size_t kMaxAttributeBytes = 32;
constexpr const char* kNoId = "0000";

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// At most `limit` + 1 bytes of a small file: enough to tell a value from anything longer.
// Empty when the file cannot be read.
std::string readAttribute(const std::string& path, std::size_t limit = kMaxAttributeBytes) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        return {};
    }
    char buffer[kMaxUsbSerialBytes + 2];
    ssize_t n = ::read(fd.get(), buffer, std::min(sizeof buffer, limit + 1));
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

std::vector<std::string> deviceEntries(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        if (IsUsbDeviceEntry(entry->d_name) && names.size() < kMaxUsbDevices) {
            names.emplace_back(entry->d_name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string SysfsRoot() {
    const char* root = std::getenv(kSysfsRootVariable);
    return root && *root ? std::string(root) : std::string("/sys");
}

std::string UsbIdFromAttribute(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.size() != kIdChars) {
        return kNoId;
    }
    std::string id;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return kNoId;
        }
        id += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return id;
}

bool IsUsbDeviceEntry(std::string_view name) {
    return !name.empty() && name.front() != '.' && name.find(':') == std::string_view::npos;
}

std::string UsbSerialFromAttribute(std::string_view text) {
    if (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    if (text.size() > kMaxUsbSerialBytes) {
        return {};
    }
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') {
            return {};
        }
    }
    return std::string(text);
}

std::vector<UsbDevice> ListUsbDevices(const std::string& sysfsRoot) {
    const std::string folder = sysfsRoot + "/bus/usb/devices";
    std::vector<UsbDevice> devices;
    for (const std::string& name : deviceEntries(folder)) {
        const std::string device = folder + "/" + name + "/";
        devices.push_back(
            {UsbIdFromAttribute(readAttribute(device + "idVendor")) +
                 UsbIdFromAttribute(readAttribute(device + "idProduct")),
             UsbSerialFromAttribute(readAttribute(device + "serial", kMaxUsbSerialBytes + 1))});
    }
    return devices;
}

std::string EnumerateUsbDevices(const std::string& sysfsRoot) {
    std::string list;
    for (const UsbDevice& device : ListUsbDevices(sysfsRoot)) {
        list += device.record;
    }
    return list;
}

std::string EnumerateUsbDevices() {
    return EnumerateUsbDevices(SysfsRoot());
}
