// INI text as found in data/Config.ini and machine.ini, which users and other programs edit:
// a value written is the value read back, and the other keys keep theirs.
#include "FuzzCheck.h"

#include "platform/IniText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool Trimmed(const std::string& text) {
    return text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()));
}

// What a writer may pass: one line, no surrounding blanks; names the reader can tell apart
// from section lines, comments and values.
bool UsableName(const std::string& name, const char* forbidden) {
    return !name.empty() && Trimmed(name) && name.find_first_of(forbidden) == std::string::npos &&
           name.front() != '[' && name.front() != ';';
}

// The reader drops one pair of matching quotes around a value.
std::string AsRead(const std::string& value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(140);
    const std::string otherKey = input.ConsumeRandomLengthString(24);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const auto before = platform::FindIniValue(text, section, otherKey);
    if (!UsableName(section, "]\r\n") || !UsableName(key, "=\r\n") || !Trimmed(value) ||
        value.find_first_of("\r\n") != std::string::npos) {
        return 0;
    }
    const std::string written = platform::SetIniValue(text, section, key, value);
    const auto read = platform::FindIniValue(written, section, key);
    FUZZ_CHECK(read.has_value() && *read == AsRead(value));
    // Writing once more changes nothing.
    FUZZ_CHECK(platform::SetIniValue(written, section, key, value) == written);
    // Another key of the section keeps its value (letter case is not a difference).
    bool sameKey = otherKey.size() == key.size();
    for (std::size_t i = 0; sameKey && i < key.size(); ++i) {
        sameKey = std::tolower(static_cast<unsigned char>(key[i])) ==
                  std::tolower(static_cast<unsigned char>(otherKey[i]));
    }
    if (!sameKey) {
        FUZZ_CHECK(platform::FindIniValue(written, section, otherKey) == before);
    }
    return 0;
}
