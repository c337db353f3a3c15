// Which phone penlow-cli follows when several are attached: adb refuses a command that names no
// phone then ("more than one device/emulator"), so a phone command picks one first, as the
// program follows the phone of its device table's current slot.
#pragma once

#include <functional>
#include <string>

enum class PhoneSource { Option, Environment, Attached, None };

struct PhoneChoice {
    std::string serial; ///< empty with PhoneSource::None
    PhoneSource source = PhoneSource::None;
};

/// `--serial S` when given (`option` not empty), else ANDROID_SERIAL (`environment`, may be
/// null or empty), else the attached phone `attached()` names (what `penlow-cli serial`
/// prints; it is asked only when needed), else none.
PhoneChoice ChoosePhone(const std::string& option, const char* environment,
                        const std::function<std::string()>& attached);

/// The line penlow-cli prints on stderr about its choice, without the line break.
std::string DescribePhoneChoice(const PhoneChoice& choice);
