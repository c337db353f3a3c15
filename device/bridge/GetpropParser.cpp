#include "GetpropParser.h"

#include "OutputText.h"

#include <optional>

namespace {

std::string fieldValue(std::string_view output, std::string_view marker) {
    std::optional<std::string> value = Between(output, marker, "]");
    if (!value) {
        return kUnknownMarker;
    }
    // A value never spans lines: a line without its closing bracket must not swallow the
    // lines after it.
    std::string_view line = FirstLine(*value);
    return Contains(line, "unknown") ? std::string(kUnknownMarker) : std::string(line);
}

} // namespace

void ReadGetpropFields(std::string_view output, PhoneInfo& info) {
    info.model = fieldValue(output, "[ro.product.model]: [");
    info.manufacturer = fieldValue(output, "[ro.product.manufacturer]: [");
    info.release = fieldValue(output, "[ro.build.version.release]: [");
    info.baseband = fieldValue(output, "[gsm.version.baseband]: [");
    info.bootloader = fieldValue(output, "[ro.bootloader]: [");
}

bool IdentityUnknown(const PhoneInfo& info) {
    return info.model == kUnknownMarker && info.release == kUnknownMarker &&
           info.bootloader == kUnknownMarker;
}

void MarkPropertiesUnknown(PhoneInfo& info) {
    info.model = info.manufacturer = info.release = info.baseband = info.bootloader =
        kUnknownMarker;
}
