#include "IniAccess.h"

#include "platform/PrivateProfile.h"
#include "platform/SystemPaths.h"

bool IniAccessKey(bool read, const std::string& section, const std::string& file,
                  const std::string& key, std::string& value) {
    if (section.empty() || file.empty() || key.empty()) {
        return false;
    }
    if (!read) {
        return platform::WriteProfileString(section, key, value, file);
    }
    if (!platform::IsRegularFile(file)) {
        return false;
    }
    value = platform::GetProfileString(section, key, "", file);
    return !value.empty();
}

bool IniAccessKeys(bool read, const std::string& section, const std::string& file,
                   const std::vector<std::string>* keys, std::vector<std::string>& values) {
    if (keys == nullptr) {
        return false;
    }
    if (read && !platform::IsRegularFile(file)) {
        return false;
    }
    if (read) {
        values.assign(keys->size(), std::string());
    }
    for (std::size_t i = 0; i < keys->size(); ++i) {
        if (!read && i >= values.size()) {
            break;
        }
        // Each key's own result does not matter here, as for the single-key form's callers.
        (void)IniAccessKey(read, section, file, (*keys)[i], values[i]);
    }
    return true;
}
