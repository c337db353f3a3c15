#include "QueryPhoneInfo.h"

#include "GetpropParser.h"
#include "OutputText.h"
#include "ProcessRunner.h"

#include <string>
#include <utility>

namespace {

constexpr int kPropertyPasses = 3;
constexpr int kGetpropLimitSeconds = 5;
constexpr int kProbeLimitSeconds = 5;
constexpr const char* kSuGetprop = "bin\\Korvash\\adb shell su -c \"getprop\"";
constexpr const char* kPlainGetprop = "bin\\Korvash\\adb shell \"getprop\"";
constexpr const char* kProbeMkdir = "mkdir /data/abdddgdgdgdg";
constexpr const char* kProbeRmdir = "rmdir /data/abdddgdgdgdg";

enum class PassResult { Listing, Again, GiveUp };

// One getprop pass: the su listing, else (su refused, silent or hanging on a grant prompt)
// the plain one. A plain listing that runs out of time would do so again at once: give up.
PassResult runPass(std::string& output) {
    TimedOutput su = RunCaptureWithin(kSuGetprop, kGetpropLimitSeconds);
    if (su.finished && !su.text.empty() && !Contains(su.text, "su:")) {
        if (Contains(su.text, "error: protocol fault")) {
            return PassResult::GiveUp;
        }
        output = std::move(su.text);
    } else {
        TimedOutput plain = RunCaptureWithin(kPlainGetprop, kGetpropLimitSeconds);
        if (!plain.finished) {
            return PassResult::GiveUp;
        }
        output = std::move(plain.text);
    }
    return IsGetpropListing(output) ? PassResult::Listing : PassResult::Again;
}

// Takes the facts of `fresh` that `info` has not read yet.
void takeUnread(PhoneInfo& info, const PhoneInfo& fresh) {
    const std::pair<std::string PhoneInfo::*, PhoneFact> fields[] = {
        {&PhoneInfo::model, PhoneFact::Model},
        {&PhoneInfo::manufacturer, PhoneFact::Manufacturer},
        {&PhoneInfo::release, PhoneFact::Release},
        {&PhoneInfo::baseband, PhoneFact::Baseband},
        {&PhoneInfo::bootloader, PhoneFact::Bootloader}};
    for (const auto& [text, fact] : fields) {
        if (!info.isRead(fact)) {
            info.*text = fresh.*text;
            info.setRead(fact, fresh.isRead(fact));
        }
    }
}

// The unread properties from the first listing the phone gives; true when it gave one.
bool readProperties(PhoneInfo& info) {
    for (int pass = 0; pass < kPropertyPasses; ++pass) {
        std::string output;
        const PassResult result = runPass(output);
        if (result == PassResult::GiveUp) {
            return false;
        }
        if (result == PassResult::Listing) {
            PhoneInfo fresh;
            ReadGetpropFields(output, fresh);
            takeUnread(info, fresh);
            return true;
        }
    }
    return false;
}

// mkdir (then rmdir when an earlier probe left the folder behind) in one kind of shell;
// nothing when the phone did not answer in time.
std::optional<std::string> probeIn(bool viaSu) {
    TimedOutput made = RunAdbShellWithin(kProbeMkdir, viaSu, kProbeLimitSeconds);
    if (!made.finished) {
        return std::nullopt;
    }
    std::size_t exists = made.text.find("File exists");
    if (exists != std::string::npos && exists > 0) {
        TimedOutput removed = RunAdbShellWithin(kProbeRmdir, viaSu, kProbeLimitSeconds);
        if (!removed.finished) {
            return std::nullopt;
        }
        return std::move(removed.text);
    }
    return std::move(made.text);
}

} // namespace

std::string ProbeRoot() {
    const std::optional<std::string> plain = probeIn(false);
    if (!plain) {
        return {};
    }
    if (!Contains(*plain, "Permission denied")) {
        return "true";
    }
    const std::optional<std::string> su = probeIn(true);
    if (!su) {
        return {};
    }
    return Contains(*su, "Permission denied") ? "false" : "true";
}

bool RereadPhoneInfo(PhoneInfo& info) {
    const bool answered = info.propertiesRead() || readProperties(info);
    // A phone that gave no listing is not asked about root either: it would not answer.
    if (answered && !info.isRead(PhoneFact::Root)) {
        info.root = ProbeRoot();
        info.setRead(PhoneFact::Root, !info.root.empty());
    }
    return info.complete();
}

bool QueryPhoneInfo(PhoneInfo& info) {
    info = PhoneInfo{};
    MarkPropertiesUnknown(info);
    info.setRead(PhoneFact::Root, false);
    return RereadPhoneInfo(info);
}
