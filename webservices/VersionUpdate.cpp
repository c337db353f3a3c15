// Version update: start-up check, background check and the updata.ini exchange file.
#include "VersionUpdate.h"

#include "BackgroundWork.h"

#include "HttpText.h"
#include "SoapCalls.h"
#include "UpdaterLaunch.h"

#include "platform/config/AppPaths.h"
#include "platform/config/IniAccess.h"
#include "platform/SystemPaths.h"

#include <mutex>
#include <vector>

#include <unistd.h>

namespace webservices {

namespace {

std::vector<std::string> KeyList() {
    return {kUpdateKeys.begin(), kUpdateKeys.end()};
}

std::vector<std::string> ToValues(const UpdateInfo& info) {
    std::vector<std::string> values = {info.isupdata,  info.ismust, info.downurl,   info.proessname,
                                       info.startname, info.update, info.upversion, info.upMD5};
    values.insert(values.end(), info.uptext.begin(), info.uptext.end());
    values.insert(values.end(), {info.version, info.issucc, info.isreback, info.failresult});
    return values;
}

UpdateInfo FromValues(const std::vector<std::string>& v) {
    UpdateInfo info;
    info.isupdata = v[0], info.ismust = v[1], info.downurl = v[2], info.proessname = v[3];
    info.startname = v[4], info.update = v[5], info.upversion = v[6], info.upMD5 = v[7];
    std::copy(v.begin() + 8, v.begin() + 15, info.uptext.begin());
    info.version = v[15], info.issucc = v[16], info.isreback = v[17], info.failresult = v[18];
    return info;
}

// A missing file reads as all texts empty, which count as 0 where numbers are meant.
UpdateInfo ReadUpdateInfo(const std::string& path) {
    const std::vector<std::string> keys = KeyList();
    std::vector<std::string> values;
    if (!IniAccessKeys(true, std::string(kUpdateSection), path, &keys, values)) {
        values.assign(keys.size(), std::string());
    }
    return FromValues(values);
}

void WriteUpdateInfo(const std::string& path, const UpdateInfo& info) {
    const std::vector<std::string> keys = KeyList();
    std::vector<std::string> values = ToValues(info);
    (void)IniAccessKeys(false, std::string(kUpdateSection), path, &keys, values);
}

void Schedule(const std::string& path, UpdateInfo info, const VersionInfo& latest) {
    info.isupdata = "1";
    info.ismust = latest.obliged ? "1" : "0";
    info.downurl = latest.url;
    info.upMD5 = latest.md5;
    info.update = latest.updateTime;
    info.upversion = std::to_string(latest.version);
    info.uptext = DescriptionLines(latest.description);
    info.issucc = info.isreback = info.failresult = "0";
    // A fresh file, so that the keys stand in their order and nothing stale survives.
    if (platform::IsRegularFile(path)) {
        ::unlink(path.c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    WriteUpdateInfo(path, info);
}

void KeepNothingPending(const std::string& path, UpdateInfo info) {
    info.isupdata = info.ismust = info.failresult = "0";
    WriteUpdateInfo(path, info);
    std::string name(kProgramFileName);
    (void)IniAccessKey(false, std::string(kUpdateSection), path, "proessname", name);
    (void)IniAccessKey(false, std::string(kUpdateSection), path, "startname", name);
}

} // namespace

std::string UpdateInfoPath() {
    std::string path;
    (void)BuildAppPath("updata.ini", "updata", true, path);
    return path;
}

std::string UpdaterPath() {
    std::string path;
    (void)BuildAppPath("kivupdata.exe", "updata", true, path);
    return path;
}

std::array<std::string, 7> DescriptionLines(std::string_view description) {
    std::array<std::string, 7> lines;
    for (const char endMark : {';', '.'}) {
        for (std::size_t k = 0; k < lines.size(); ++k) {
            if (!lines[k].empty()) {
                continue;
            }
            const std::size_t start = description.find(static_cast<char>('1' + k));
            if (start == std::string_view::npos) {
                continue;
            }
            const std::size_t end = description.find(endMark, start + 1);
            if (end != std::string_view::npos) {
                lines[k] = std::string(description.substr(start, end - start));
            }
        }
    }
    return lines;
}

bool UpdateIsDue(long long issucc, long long installedVersion, long long latestVersion) {
    return issucc == 0 || installedVersion < latestVersion;
}

void UpdateCheckThread() {
    const std::string path = UpdateInfoPath();
    UpdateInfo info = ReadUpdateInfo(path);
    info.proessname = info.startname = std::string(kProgramFileName);
    const long long installed = DecimalPrefix(info.version);
    VersionInfo latest;
    const bool answered = VC_Validate(static_cast<int>(installed), latest);
    if (answered && UpdateIsDue(DecimalPrefix(info.issucc), installed, latest.version)) {
        Schedule(path, std::move(info), latest);
    } else {
        KeepNothingPending(path, std::move(info));
    }
}

bool StartupUpdateCheck() {
    const std::string path = UpdateInfoPath();
    std::string isupdata;
    std::string failresult;
    const bool readBoth =
        IniAccessKey(true, std::string(kUpdateSection), path, "isupdata", isupdata) &&
        IniAccessKey(true, std::string(kUpdateSection), path, "failresult", failresult);
    if (readBoth && DecimalPrefix(isupdata) != 0 && DecimalPrefix(failresult) == 0) {
        return LaunchUpdater(UpdaterPath());
    }
    // Without a thread the check is skipped, as when the service does not answer.
    (void)UpdateCheckThreads().start([](std::stop_token) { UpdateCheckThread(); });
    return false;
}

bool WaitForUpdateCheck(std::chrono::milliseconds timeout) {
    return UpdateCheckThreads().waitIdle(timeout);
}

} // namespace webservices
