// Shared pieces of the connection tests: a temp program folder whose bin/Korvash/adb is the
// real adb client, a fixture sysfs tree that phones are plugged into and out of, recorders
// standing in for the device page, the wizard and the web service, and a uniquely named
// process standing in for adb where the kill-by-name is tested.
#pragma once

#include "device/connection/DevicePageLink.h"
#include "device/connection/PhoneWebServices.h"

#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <sys/types.h>

namespace testsupport {

using namespace std::chrono_literals;

/// A program folder for one test: bin/Korvash/adb links to the real adb client, data/ holds a
/// copy of the shipped arginfo.dat; the working directory and the program folder point at it
/// while the object lives. Kill-by-name of adb is pointed at a name no process has.
class TestProgramFolder {
public:
    TestProgramFolder();
    ~TestProgramFolder();
    const std::string& path() const { return m_dir.path(); }
    std::string file(const std::string& relative) const { return m_dir.file(relative); }
    std::string knownPhoneDb() const { return m_dir.file("data/arginfo.dat"); }
    /// Writes data/Config.ini naming the web service at 127.0.0.1:`port`.
    void useWebService(int port) const;

private:
    TempDir m_dir;
    std::unique_ptr<ScopedCwd> m_cwd;
};

/// A sysfs tree under a temp folder: <root>/bus/usb/devices/<port>/idVendor, idProduct. Each
/// device appears and disappears in one rename, as the kernel's entries do.
class FakeSysfs {
public:
    FakeSysfs();
    const std::string& root() const { return m_dir.path(); }
    /// `vid`/`pid` as written to the attribute files (sysfs writes lower case); a `serial`
    /// attribute when `serial` is not empty.
    void plug(const std::string& port, const std::string& vid, const std::string& pid,
              const std::string& serial = {});
    void unplug(const std::string& port);

private:
    TempDir m_dir;
};

/// Records every call to the device page, the download manager and the wizard as a line
/// ("event 1 0", "state 4 0", "gone", "button", "wizard-stop-animation", "wizard-driver"),
/// and lets a test wait for lines.
class RecordingLinks : public DevicePageLink, public WizardLink {
public:
    void enableWizardButton(std::stop_token stop) override;
    void sendPageState(PageState state, std::stop_token stop) override;
    void postPhoneGone(std::stop_token stop) override;
    void deviceEvent(DeviceEvent event, int index) override;
    void stopAnimation(std::stop_token stop) override;
    void sendDriverStep(std::stop_token stop) override;

    std::vector<std::string> lines() const;
    /// Waits until `line` has been recorded `count` times in all; false at `timeout`.
    bool waitFor(const std::string& line, std::size_t count = 1,
                 std::chrono::milliseconds timeout = 10s) const;
    /// Time of the `count`-th recording of `line` (steady clock), or nothing.
    std::optional<std::chrono::steady_clock::time_point> timeOf(const std::string& line,
                                                                std::size_t count = 1) const;
    /// Calls made with a stopped token (each one a fault: nothing may reach a window then).
    int callsAfterStop() const;
    void clear();

    /// Runs inside every page state call, on the calling thread (to stop workers from there).
    std::function<void(int state)> onPageState;

private:
    void record(const std::string& line, const std::stop_token* stop);

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::pair<std::string, std::chrono::steady_clock::time_point>> m_lines;
    int m_afterStop = 0;
};

/// A web service stand-in: confirms the pairs in `phones`, records every question and report.
class RecordingWebServices : public PhoneWebServices {
public:
    std::set<std::string> phones;      ///< VID+PID keys it confirms
    std::set<std::string> unreachable; ///< VID+PID keys it gives no answer for
    PhoneAnswer confirmPhone(const std::string& vid, const std::string& pid,
                             std::stop_token stop) override;
    void reportMachineEvent(const std::string& vid, const std::string& pid, int kind) override;

    std::vector<std::string> questions() const; ///< VID+PID per GetDevice question
    std::vector<std::string> reports() const;   ///< "<kind> VID+PID" per report
    /// Waits until `count` reports arrived (they follow the table change that caused them).
    bool waitForReports(std::size_t count, std::chrono::milliseconds timeout = 5s) const;

private:
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_questions;
    std::vector<std::string> m_reports;
};

/// One host request phonesim recorded ("host:devices", "host:kill" ...) and when (seconds
/// since phonesim started).
struct HostRequest {
    std::string text;
    double time = 0;
};
std::vector<HostRequest> HostRequests(const PhoneSimProcess& sim);

/// Names the followed phone (FollowedPhone.h) while it lives, as the device monitor would:
/// `serial` empty follows a phone adb has not named yet. Follows none again at the end.
class ScopedFollowedPhone {
public:
    explicit ScopedFollowedPhone(bool followed, const std::string& serial = {});
    ~ScopedFollowedPhone();
    ScopedFollowedPhone(const ScopedFollowedPhone&) = delete;
    ScopedFollowedPhone& operator=(const ScopedFollowedPhone&) = delete;
};

/// A process with a name of its own (a copy of sleep), for the stopping of adb.
class AdbStandIn {
public:
    AdbStandIn();
    /// A stand-in for an adb server: it listens on 127.0.0.1:`listenPort` and closes every
    /// connection it accepts (it ignores kill-server).
    explicit AdbStandIn(int listenPort);
    ~AdbStandIn();
    const std::string& name() const { return m_name; }
    /// A free loopback port for a listening stand-in.
    static int FreePort();
    /// True once the process has ended by SIGKILL (waits up to `timeout`).
    bool waitKilled(std::chrono::milliseconds timeout);

private:
    TempDir m_dir;
    std::string m_name;
    pid_t m_pid = -1;
};

} // namespace testsupport
