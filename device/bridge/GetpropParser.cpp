#include "GetpropParser.h"

#include "OutputText.h"

#include <optional>

namespace {

struct Field {
    std::string_view marker;
    std::string PhoneInfo::*text;
    PhoneFact fact;
    bool mayBeMissing; ///< a missing line is the phone's nature, not a broken listing
};

constexpr Field kFields[] = {
    {"[ro.product.model]: [", &PhoneInfo::model, PhoneFact::Model, false},
    {"[ro.product.manufacturer]: [", &PhoneInfo::manufacturer, PhoneFact::Manufacturer, false},
    {"[ro.build.version.release]: [", &PhoneInfo::release, PhoneFact::Release, false},
    {"[gsm.version.baseband]: [", &PhoneInfo::baseband, PhoneFact::Baseband, true},
    {"[ro.bootloader]: [", &PhoneInfo::bootloader, PhoneFact::Bootloader, false},
};

// The value after `marker`; nothing when the line is missing. A value never spans lines: a
// line without its closing bracket keeps what it has and does not swallow the lines after it.
std::optional<std::string> fieldValue(std::string_view output, std::string_view marker) {
    std::optional<std::string> value = Between(output, marker, "]");
    if (!value) {
        return std::nullopt;
    }
    return std::string(FirstLine(*value));
}

} // namespace

bool IsGetpropListing(std::string_view output) {
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        std::string_view line =
            output.substr(start, end == std::string_view::npos ? end : end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        const std::size_t separator = line.find("]: [");
        if (!line.empty() && line.front() == '[' && separator != std::string_view::npos &&
            separator > 1 && line.back() == ']') {
            return true;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return false;
}

void ReadGetpropFields(std::string_view output, PhoneInfo& info) {
    if (!IsGetpropListing(output)) {
        MarkPropertiesUnknown(info);
        return;
    }
    for (const Field& field : kFields) {
        std::optional<std::string> value = fieldValue(output, field.marker);
        std::string& text = info.*field.text;
        if (!value) {
            text = field.mayBeMissing ? std::string() : std::string(kUnknownMarker);
            info.setRead(field.fact, field.mayBeMissing);
            continue;
        }
        text = Contains(*value, "unknown") ? std::string(kUnknownMarker) : *value;
        info.setRead(field.fact, true);
    }
}

bool IdentityUnknown(const PhoneInfo& info) {
    return info.model == kUnknownMarker && info.release == kUnknownMarker &&
           info.bootloader == kUnknownMarker;
}

void MarkPropertiesUnknown(PhoneInfo& info) {
    for (const Field& field : kFields) {
        info.*field.text = kUnknownMarker;
        info.setRead(field.fact, false);
    }
}
