// The version update hand-over with the external updater (updata/kivupdata.exe) through
// updata/updata.ini in the program folder: at start-up a pending update launches the
// updater and ends the program; otherwise a background check asks the web service for the
// latest version and, when one is due, schedules it for the next start.
#pragma once

#include <array>
#include <chrono>
#include <string>
#include <string_view>

namespace webservices {

/// Section and keys of updata.ini, always read and written in this order.
inline constexpr std::string_view kUpdateSection = "updata";
inline constexpr std::array<std::string_view, 19> kUpdateKeys = {
    "isupdata", "ismust",  "downurl", "proessname", "startname", "update",  "upversion",
    "upMD5",    "uptext1", "uptext2", "uptext3",    "uptext4",   "uptext5", "uptext6",
    "uptext7",  "version", "issucc",  "isreback",   "failresult"};

/// The program's executable name as the updater starts it again (proessname, startname).
inline constexpr std::string_view kProgramFileName = "Penlow";

/// The 19 values of updata.ini (texts as stored, numbers as decimal texts).
struct UpdateInfo {
    std::string isupdata, ismust, downurl, proessname, startname, update, upversion, upMD5;
    std::array<std::string, 7> uptext;
    std::string version, issucc, isreback, failresult;
};

/// Paths in the program folder.
std::string UpdateInfoPath(); ///< <program folder>/updata/updata.ini
std::string UpdaterPath();    ///< <program folder>/updata/kivupdata.exe

/// At start-up, before the login step: when updata.ini marks an update pending (isupdata
/// non-zero, failresult zero, both present) the updater is started in the updata folder and
/// true is returned: the program must end now. When it cannot be started, false and no check
/// runs in this run. Otherwise UpdateCheckThread starts on a thread of UpdateCheckThreads
/// (BackgroundWork.h) and false is returned.
[[nodiscard]] bool StartupUpdateCheck();

/// The background check: reads updata.ini, asks VC_Validate with the installed version,
/// and rewrites the file (update scheduled, or isupdata/ismust/failresult set to "0").
/// Nothing is shown. Blocking; normally run by StartupUpdateCheck.
void UpdateCheckThread();

/// The seven description lines: line k starts at the first digit k of `description` and
/// runs to the next ';' after it (else, for a line that came out empty, to the next '.').
std::array<std::string, 7> DescriptionLines(std::string_view description);

/// Whether a successful check schedules an update: while the last update did not succeed
/// (issucc 0) always, else when the installed version is below the latest.
bool UpdateIsDue(long long issucc, long long installedVersion, long long latestVersion);

/// Waits until the check thread started by StartupUpdateCheck has ended, or `timeout`
/// passed. True when it has ended (or none was started). For tools and tests; the program
/// never waits for the check.
bool WaitForUpdateCheck(std::chrono::milliseconds timeout);

} // namespace webservices
