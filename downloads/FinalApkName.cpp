#include "FinalApkName.h"

#include "DownloadRows.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace {

constexpr std::size_t kMaxStemBytes = 200;
constexpr int kLastNumber = 999999;

bool EndsWithApk(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return tail == ".apk";
}

bool Rename(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    return !error;
}

} // namespace

std::string SafeFileStem(std::string_view name) {
    std::string stem;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        stem.push_back(c == '/' || byte < 0x20 || byte == 0x7F ? '_' : c);
    }
    if (stem.size() > kMaxStemBytes) {
        std::size_t cut = kMaxStemBytes;
        // Back up over continuation bytes so that no UTF-8 sequence is split.
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        stem.resize(cut);
    }
    // Leading and trailing blanks make names that look empty ("   .apk") or that file managers
    // hide the end of.
    const std::size_t first = stem.find_first_not_of(' ');
    const std::size_t last = stem.find_last_not_of(' ');
    stem = first == std::string::npos ? std::string() : stem.substr(first, last - first + 1);
    if (stem.empty() || stem == "." || stem == "..") {
        return "app";
    }
    return stem;
}

std::string FreeApkName(const std::string& folder, const std::string& stem) {
    std::string candidate = stem + ".apk";
    for (int n = 1; n <= kLastNumber && PathExists(folder + candidate); ++n) {
        candidate = stem + "(" + std::to_string(n) + ").apk";
    }
    return candidate;
}

std::string FinalApkName(const std::string& name, const std::string& folder,
                         const std::string& engineName) {
    if (name.empty() || folder.empty() || engineName.empty()) {
        return {};
    }
    const std::string stem = SafeFileStem(name);
    if (engineName == stem + ".apk") {
        return engineName; // already named so: "Name(1).apk" would rename it past itself
    }
    const std::string candidate = FreeApkName(folder, stem);
    if (Rename(folder + engineName, folder + candidate)) {
        return candidate;
    }
    if (EndsWithApk(engineName)) {
        return engineName;
    }
    const std::string withApk = engineName + ".apk";
    return Rename(folder + engineName, folder + withApk) ? withApk : engineName;
}
