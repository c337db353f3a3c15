#include "Config.h"

#include "AppPaths.h"

#include "platform/PrivateProfile.h"

namespace config {

std::string ConfigPath() {
    std::string path;
    (void)BuildAppPath("Config.ini", "data", true, path); // never fails for literal names
    return path;
}

std::string Read(std::string_view section, std::string_view key) {
    return platform::GetProfileString(section, key, "", ConfigPath());
}

std::string ReadOrCreateEmpty(std::string_view section, std::string_view key) {
    std::string value = Read(section, key);
    if (value.empty()) {
        (void)Write(section, key, ""); // a read-only folder leaves the key missing; harmless
    }
    return value;
}

bool Write(std::string_view section, std::string_view key, std::string_view value) {
    return platform::WriteProfileString(section, key, value, ConfigPath());
}

} // namespace config
