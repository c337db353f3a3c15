// The connection tests' shared pieces.
#include "ConnectionTestSupport.h"

#include "platform/config/AppPaths.h"
#include "device/bridge/AdbCommands.h"
#include "device/bridge/FollowedPhone.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace fs = std::filesystem;

TestProgramFolder::TestProgramFolder() {
    PrepareProgramFolder(m_dir.path());
    fs::create_directories(m_dir.file("data"));
    const std::string shipped = BuildDir() + "/Penlow/data/arginfo.dat";
    fs::copy_file(shipped, knownPhoneDb());
    fs::permissions(knownPhoneDb(), fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::add);
    m_cwd = std::make_unique<ScopedCwd>(m_dir.path());
    OverrideModuleFolder(m_dir.path());
    SetAdbProcessNameForTesting("pnl-none-" + std::to_string(::getpid()));
}

void TestProgramFolder::useWebService(int port) const {
    WriteFile(m_dir.file("data/Config.ini"),
              "[WebService]\nhost=127.0.0.1\nport=" + std::to_string(port) + "\n");
}

TestProgramFolder::~TestProgramFolder() {
    m_cwd.reset();
}

ScopedFollowedPhone::ScopedFollowedPhone(bool followed, const std::string& serial) {
    SetPhoneFollowed(followed);
    SetFollowedSerial(serial);
}

ScopedFollowedPhone::~ScopedFollowedPhone() {
    SetPhoneFollowed(false);
    SetFollowedSerial("");
}

FakeSysfs::FakeSysfs() {
    fs::create_directories(m_dir.file("bus/usb/devices"));
}

void FakeSysfs::plug(const std::string& port, const std::string& vid, const std::string& pid,
                     const std::string& serial) {
    const std::string staging = m_dir.file(".staging-" + port);
    WriteFile(staging + "/idVendor", vid + "\n");
    WriteFile(staging + "/idProduct", pid + "\n");
    if (!serial.empty()) {
        WriteFile(staging + "/serial", serial + "\n");
    }
    fs::rename(staging, m_dir.file("bus/usb/devices/" + port));
}

void FakeSysfs::unplug(const std::string& port) {
    const std::string gone = m_dir.file(".gone-" + port);
    fs::rename(m_dir.file("bus/usb/devices/" + port), gone);
    fs::remove_all(gone);
}

void RecordingLinks::record(const std::string& line, const std::stop_token* stop) {
    std::lock_guard guard(m_lock);
    m_lines.emplace_back(line, std::chrono::steady_clock::now());
    if (stop && stop->stop_requested()) {
        ++m_afterStop;
    }
    m_changed.notify_all();
}

void RecordingLinks::enableWizardButton(std::stop_token stop) {
    record("button", &stop);
}

void RecordingLinks::sendPageState(PageState state, std::stop_token stop) {
    // The line keeps the message's two numbers: w the state, l always 0.
    record("state " + std::to_string(static_cast<int>(state)) + " 0", &stop);
    if (onPageState) {
        onPageState(static_cast<int>(state));
    }
}

void RecordingLinks::postPhoneGone(std::stop_token stop) {
    record("gone", &stop);
}

void RecordingLinks::deviceEvent(DeviceEvent event, int index) {
    record("event " + std::to_string(static_cast<int>(event)) + " " + std::to_string(index),
           nullptr);
}

void RecordingLinks::stopAnimation(std::stop_token stop) {
    record("wizard-stop-animation", &stop);
}

void RecordingLinks::sendDriverStep(std::stop_token stop) {
    record("wizard-driver", &stop);
}

std::vector<std::string> RecordingLinks::lines() const {
    std::lock_guard guard(m_lock);
    std::vector<std::string> lines;
    for (const auto& [line, time] : m_lines) {
        lines.push_back(line);
    }
    return lines;
}

bool RecordingLinks::waitFor(const std::string& line, std::size_t count,
                             std::chrono::milliseconds timeout) const {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, timeout, [&] {
        return static_cast<std::size_t>(
                   std::count_if(m_lines.begin(), m_lines.end(),
                                 [&](const auto& entry) { return entry.first == line; })) >= count;
    });
}

std::optional<std::chrono::steady_clock::time_point>
RecordingLinks::timeOf(const std::string& line, std::size_t count) const {
    std::lock_guard guard(m_lock);
    std::size_t seen = 0;
    for (const auto& [each, time] : m_lines) {
        if (each == line && ++seen == count) {
            return time;
        }
    }
    return std::nullopt;
}

int RecordingLinks::callsAfterStop() const {
    std::lock_guard guard(m_lock);
    return m_afterStop;
}

void RecordingLinks::clear() {
    std::lock_guard guard(m_lock);
    m_lines.clear();
}

PhoneAnswer RecordingWebServices::confirmPhone(const std::string& vid, const std::string& pid,
                                               std::stop_token) {
    std::lock_guard guard(m_lock);
    m_questions.push_back(vid + pid);
    if (unreachable.count(vid + pid) != 0) {
        return PhoneAnswer::NoAnswer;
    }
    return phones.count(vid + pid) != 0 ? PhoneAnswer::Phone : PhoneAnswer::NotPhone;
}

void RecordingWebServices::reportMachineEvent(const std::string& vid, const std::string& pid,
                                              int kind) {
    std::lock_guard guard(m_lock);
    m_reports.push_back(std::to_string(kind) + " " + vid + pid);
    m_changed.notify_all();
}

bool RecordingWebServices::waitForReports(std::size_t count,
                                          std::chrono::milliseconds timeout) const {
    std::unique_lock guard(m_lock);
    return m_changed.wait_for(guard, timeout, [&] { return m_reports.size() >= count; });
}

std::vector<std::string> RecordingWebServices::questions() const {
    std::lock_guard guard(m_lock);
    return m_questions;
}

std::vector<std::string> RecordingWebServices::reports() const {
    std::lock_guard guard(m_lock);
    return m_reports;
}

namespace {

// The value of "key" in one JSON line of phonesim's log: a number or a text without quotes.
std::string jsonField(const std::string& line, const std::string& key) {
    std::size_t at = line.find("\"" + key + "\": ");
    if (at == std::string::npos) {
        return {};
    }
    at += key.size() + 4;
    if (line[at] == '"') {
        return line.substr(at + 1, line.find('"', at + 1) - at - 1);
    }
    return line.substr(at, line.find_first_of(",}", at) - at);
}

} // namespace

std::vector<HostRequest> HostRequests(const PhoneSimProcess& sim) {
    std::vector<HostRequest> requests;
    for (const std::string& line : sim.control("log json").value_or(std::vector<std::string>{})) {
        if (jsonField(line, "kind") == "host") {
            requests.push_back(
                {jsonField(line, "text"), std::strtod(jsonField(line, "time").c_str(), nullptr)});
        }
    }
    return requests;
}

AdbStandIn::AdbStandIn() : m_name("pnladb" + std::to_string(::getpid() % 1000000)) {
    const std::string program = m_dir.file(m_name);
    fs::copy_file("/bin/sleep", program);
    fs::permissions(program, fs::perms(0755));
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("60"), nullptr};
    if (posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        m_pid = -1;
    }
}

AdbStandIn::AdbStandIn(int listenPort) : m_name("pnladb" + std::to_string(::getpid() % 1000000)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(listenPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (server < 0 || ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 8) != 0) {
        if (server >= 0) {
            ::close(server);
        }
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        // Only system calls from here: the test process has other threads.
        ::prctl(PR_SET_NAME, m_name.c_str());
        for (;;) {
            const int client = ::accept(server, nullptr, nullptr);
            if (client >= 0) {
                ::close(client);
            }
        }
    }
    ::close(server);
}

int AdbStandIn::FreePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(probe);
    return port;
}

AdbStandIn::~AdbStandIn() {
    if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool AdbStandIn::waitKilled(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_pid > 0 && std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

} // namespace testsupport
