#include "PhoneChoice.h"

PhoneChoice ChoosePhone(const std::string& option, const char* environment,
                        const std::function<std::string()>& attached) {
    if (!option.empty()) {
        return {option, PhoneSource::Option};
    }
    if (environment != nullptr && *environment != '\0') {
        return {environment, PhoneSource::Environment};
    }
    std::string serial = attached();
    if (serial.empty()) {
        return {};
    }
    return {std::move(serial), PhoneSource::Attached};
}

std::string DescribePhoneChoice(const PhoneChoice& choice) {
    switch (choice.source) {
    case PhoneSource::Option:
        return "penlow-cli: following phone " + choice.serial + " (--serial)";
    case PhoneSource::Environment:
        return "penlow-cli: following phone " + choice.serial + " (ANDROID_SERIAL)";
    case PhoneSource::Attached:
        return "penlow-cli: following phone " + choice.serial + " (the attached phone)";
    case PhoneSource::None:
        break;
    }
    return "penlow-cli: no phone in state device or recovery to follow";
}
