#include "IdentityParsers.h"

#include "OutputText.h"

namespace {

// Answers that are no address: su, missing-file and permission complaints, and adb's own
// errors (which a time-out followed by a failed su session can leave).
bool isComplaint(std::string_view output) {
    return output.empty() || Contains(output, "su:") ||
           Contains(output, "No such file or directory") || Contains(output, "Permission denied") ||
           Contains(output, "error");
}

// The first line that holds anything (su sessions may start with an empty line).
std::string firstFilledLine(std::string_view text) {
    std::size_t start = text.find_first_not_of("\r\n");
    if (start == std::string_view::npos) {
        return {};
    }
    return std::string(FirstLine(text.substr(start)));
}

} // namespace

bool NeedsRootRetry(std::string_view plainOutput) {
    return plainOutput.empty() || Contains(plainOutput, "Permission denied") ||
           Contains(plainOutput, "Permission Denial");
}

std::optional<std::string> MacFromOutput(std::string_view output) {
    if (isComplaint(output)) {
        return std::nullopt;
    }
    return firstFilledLine(output);
}

std::optional<std::string> ImeiFromDumpsys(std::string_view output) {
    if (output.empty() || Contains(output, "su:")) {
        return std::nullopt;
    }
    constexpr std::string_view kMarker = "ID = ";
    std::size_t at = output.find(kMarker);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    return std::string(FirstLine(output.substr(at + kMarker.size())));
}
