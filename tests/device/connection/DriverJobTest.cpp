// The driver job end to end: the devservices SOAP service names the package, its file server
// serves it, the real download engine fetches it, real archives are unpacked, installer
// stand-ins (scripts in the package) run, and the real adb client asks phonesim for the phone.
#include "app/parts/DriverJobWiring.h"
#include "device/connection/DriverInstall.h"
#include "device/connection/DriverJob.h"
#include "device/connection/DriverJobs.h"

#include "ConnectionTestSupport.h"
#include "FileServer.h"
#include "ServerProcess.h"
#include "ZipBuilder.h"

#include "downloads/CKivDownObj.h"
#include "platform/ChildProcess.h"
#include "webservices/MachineIdentity.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr auto kJobTimeout = 60s;

// "<code>", "<code> <percent>" or "<code> <message>" per report.
std::string lineOf(const DriverProgress& progress) {
    const int code = static_cast<int>(progress.code);
    if (code == 1 || code == 2) {
        return std::to_string(code) + " " + std::to_string(progress.percent);
    }
    if (code == 3 || code == 5) {
        return std::to_string(code) + " " + progress.message;
    }
    return std::to_string(code);
}

class ProgressRecorder {
public:
    DriverProgressCallback callback() {
        return [this](const DriverProgress& progress, std::stop_token) {
            std::lock_guard guard(m_lock);
            m_lines.push_back(lineOf(progress));
            m_failure = progress.failure;
            m_ended = m_ended || progress.code == DriverJobCode::Retryable ||
                      progress.code == DriverJobCode::Installed ||
                      progress.code == DriverJobCode::Failed;
            m_changed.notify_all();
        };
    }
    bool waitForEnd(std::chrono::milliseconds timeout = kJobTimeout) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, timeout, [this] { return m_ended; });
    }
    bool waitForLine(const std::string& prefix, std::chrono::milliseconds timeout = kJobTimeout) {
        std::unique_lock guard(m_lock);
        return m_changed.wait_for(guard, timeout, [&] {
            return std::any_of(m_lines.begin(), m_lines.end(),
                               [&](const std::string& line) { return line.starts_with(prefix); });
        });
    }
    std::vector<std::string> lines() const {
        std::lock_guard guard(m_lock);
        return m_lines;
    }
    /// The reason the last report gave.
    DriverFailure lastFailure() const {
        std::lock_guard guard(m_lock);
        return m_failure;
    }
    /// The reports without the download percents (their number depends on the timing).
    std::vector<std::string> withoutDownloading() const {
        std::vector<std::string> kept;
        for (const std::string& line : lines()) {
            if (!line.starts_with("1 ")) {
                kept.push_back(line);
            }
        }
        return kept;
    }

private:
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::string> m_lines;
    bool m_ended = false;
    DriverFailure m_failure = DriverFailure::None;
};

std::string jsonText(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

struct Package {
    std::string name = "usb_driver.zip";
    std::string deviceType = "EXE";
    std::string startFile = "setup.sh";
    std::optional<std::string> md5; ///< the archive's own digest when unset
    std::string query;              ///< fault query of the URL
};

std::vector<std::string> readLinesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> readLines(const std::string& path) {
    return readLinesOf(ReadFile(path));
}

class DriverJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // One program folder for the whole run: the driver queue opens its DownData.db once per
        // process.
        s_program = new TestProgramFolder;
        const std::string engine = BuildDir() + "/Penlow/download_engine.so";
        ASSERT_EQ(::symlink(engine.c_str(), s_program->file("download_engine.so").c_str()), 0);
    }
    static void TearDownTestSuite() {
        delete s_program;
        s_program = nullptr;
    }

    void SetUp() override {
        WriteFile(soapData(), R"({"devices": []})");
        fs::create_directories(m_work.file("srv"));
        WriteFile(m_work.file("udevadm"),
                  "#!/bin/sh\necho \"$*\" >> " + m_work.file("udevadm.txt") + "\n", true);
        m_server = std::make_unique<ServerProcess>(std::vector<std::string>{
            "--soap-data", soapData(), "--files-root", m_work.file("srv")});
        ASSERT_TRUE(m_server->ready()) << m_server->startOutput();
        s_program->useWebService(m_server->port("soap"));
        m_sim = std::make_unique<PhoneSimProcess>(
            std::vector<std::string>{R"({"serial": "PSIM1", "state": "none"})"},
            std::vector<std::string>{"--keep-alive-on-kill"});
        ASSERT_TRUE(m_sim->started());
        m_adbPort =
            std::make_unique<ScopedEnv>("ANDROID_ADB_SERVER_PORT", std::to_string(m_sim->port()));
        SetDriverInstallWaitsForTesting(200ms, 50ms);
        CKivDownObj::SetPollPeriodForTesting(50ms);
    }
    void TearDown() override {
        m_jobs->cancel();
        EXPECT_TRUE(m_jobs->waitForThreads(30s));
        SetDriverInstallWaitsForTesting(0ms, 0ms);
        CKivDownObj::SetPollPeriodForTesting(0ms);
    }

    std::string soapData() const { return m_work.file("soap.json"); }
    std::string runsFile() const { return m_work.file("runs.txt"); }
    std::string devicesFolder() const { return m_docs.path() + "/rezizudazurud/download/devices"; }
    std::string served(const std::string& name) const { return m_work.file("srv/" + name); }

    /// An installer stand-in: records "<its path>|<its arguments>", and with `appear` makes
    /// the phone visible to adb.
    std::string installerScript(bool appear) const {
        std::string script = "#!/bin/sh\necho \"$0|$*\" >> " + runsFile() + "\n";
        if (appear) {
            script += std::string(PENLOW_PYTHON) + " " + SourceDir() +
                      "/tools/phonesim/phonesim.py ctl " + std::to_string(m_sim->controlPort()) +
                      " state PSIM1 device > /dev/null\n";
        }
        return script;
    }

    /// Builds the archive with `fill`, serves it and answers GetDevice for 18d1/4ee2 with it.
    void publish(const Package& package, const std::function<void(ZipBuilder&)>& fill) {
        {
            ZipBuilder zip(served(package.name));
            fill(zip);
            ASSERT_TRUE(zip.close());
        }
        const std::string md5 = package.md5.value_or(Md5Hex(ReadFile(served(package.name))));
        const std::string url = "http://127.0.0.1:" + std::to_string(m_server->port("files")) +
                                "/" + package.name + package.query;
        WriteFile(soapData(), R"({"devices": [{"vid": "18d1", "pid": "4ee2", "url": )" +
                                  jsonText(url) + R"(, "md5": )" + jsonText(md5) +
                                  R"(, "startfile": )" + jsonText(package.startFile) +
                                  R"(, "devicetype": )" + jsonText(package.deviceType) + "}]}");
    }

    /// Runs one job for 18d1/4ee2 to its end; its reports.
    std::vector<std::string> runJob(ProgressRecorder& recorder) {
        EXPECT_TRUE(m_jobs->start("18d1", "4ee2", recorder.callback()));
        EXPECT_TRUE(recorder.waitForEnd());
        EXPECT_TRUE(m_jobs->waitForThreads(30s));
        return recorder.withoutDownloading();
    }

    void setPhoneState(const std::string& state) {
        ASSERT_TRUE(m_sim->control("state PSIM1 " + state));
    }

    static TestProgramFolder* s_program;
    TempDir m_docs;
    ScopedEnv m_documents{"XDG_DOCUMENTS_DIR", m_docs.path()};
    TempDir m_work;
    ScopedEnv m_udevadm{"PENLOW_UDEVADM", m_work.file("udevadm")};
    std::unique_ptr<ServerProcess> m_server;
    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<ScopedEnv> m_adbPort;
    // Stopped before the servers and the phone go.
    std::unique_ptr<DriverJobs> m_jobs = std::make_unique<DriverJobs>(MakeDriverJobParts());
};

TestProgramFolder* DriverJobTest::s_program = nullptr;

const std::vector<std::string> kInstalledReports = {"0", "2 10", "2 15", "2 100", "4"};

} // namespace

TEST_F(DriverJobTest, StartFileRunsOnceWithoutParametersAndThePhoneAppears) {
    Package package;
    package.startFile = "tools\\setup.sh";
    publish(package, [&](ZipBuilder& zip) {
        zip.addFile("tools/setup.sh", installerScript(true), 0755);
        zip.addFile("usb.inf", "[Version]");
    });
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), kInstalledReports);
    const std::string folder = devicesFolder() + "/usb_driver";
    EXPECT_EQ(readLines(runsFile()), (std::vector<std::string>{folder + "/tools/setup.sh|"}));
    // The archive and its folder stay for a later job.
    EXPECT_TRUE(fs::exists(devicesFolder() + "/usb_driver.zip"));
    EXPECT_TRUE(fs::exists(folder + "/usb.inf"));
    EXPECT_EQ(readLines(m_work.file("udevadm.txt")),
              (std::vector<std::string>{"trigger --subsystem-match=usb", "settle --timeout=1"}));
    // Download percents only grow, and the last one is the whole file.
    std::vector<int> percents;
    for (const std::string& line : recorder.lines()) {
        if (line.starts_with("1 ")) {
            percents.push_back(std::stoi(line.substr(2)));
        }
    }
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
}

TEST_F(DriverJobTest, InfPackageRunsDpinstSilentlyThenVisiblyAndAcceptsAnUpperCaseMd5) {
    Package package;
    package.deviceType = "INI";
    package.startFile = "ignored.exe";
    publish(package, [&](ZipBuilder& zip) {
        zip.addFile("DPInst64.exe", installerScript(true), 0755);
        zip.addFile("DPInst32.exe", installerScript(true), 0755);
        zip.addFile("phone.inf", "[Version]");
        zip.addFile("zz.inf", "[Version]");
    });
    // The same archive's digest, in upper case.
    std::string text = ReadFile(soapData());
    const std::string md5 = Md5Hex(ReadFile(served(package.name)));
    std::string upper = md5;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    text.replace(text.find(md5), md5.size(), upper);
    WriteFile(soapData(), text);

    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), kInstalledReports);
    const std::string folder = devicesFolder() + "/usb_driver";
    const std::string dpinst =
        folder + (webservices::IsWow64() ? "/DPInst64.exe" : "/DPInst32.exe");
    EXPECT_EQ(
        readLines(runsFile()),
        (std::vector<std::string>{dpinst + "|/u " + folder + "/phone.inf /sw", dpinst + "|/lm"}));
}

TEST_F(DriverJobTest, PhoneThatNeverAppearsShowsEveryPercentThenFails) {
    publish(Package{},
            [&](ZipBuilder& zip) { zip.addFile("setup.sh", installerScript(false), 0755); });
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder),
              (std::vector<std::string>{"0", "2 10", "2 15", "2 20", "2 24", "2 28", "2 32", "2 36",
                                        "2 40", "2 44", "2 48", "2 52", "2 56", "2 100",
                                        "5 驱动安装失败"}));
    EXPECT_EQ(recorder.lastFailure(), DriverFailure::PhoneNotFound);
    EXPECT_EQ(readLines(runsFile()).size(), 1u);
}

TEST_F(DriverJobTest, UnknownPhoneIsALookupFailure) {
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), (std::vector<std::string>{"0", "3 驱动查找失败"}));
    EXPECT_EQ(recorder.lastFailure(), DriverFailure::NoDriverKnown);
}

TEST_F(DriverJobTest, ServerErrorIsADownloadFailure) {
    Package package;
    package.query = "?status=404";
    publish(package,
            [&](ZipBuilder& zip) { zip.addFile("setup.sh", installerScript(true), 0755); });
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), (std::vector<std::string>{"0", "3 驱动下载失败"}));
    EXPECT_EQ(recorder.lastFailure(), DriverFailure::NotOnServer);
    EXPECT_FALSE(fs::exists(runsFile()));
}

// Another error answer and a server nobody listens on are failures of their own kinds.
TEST_F(DriverJobTest, ServerErrorAndUnreachableServerAreToldApart) {
    Package package;
    package.name = "broken.zip";
    package.query = "?status=500";
    publish(package,
            [&](ZipBuilder& zip) { zip.addFile("setup.sh", installerScript(true), 0755); });
    ProgressRecorder broken;
    EXPECT_EQ(runJob(broken), (std::vector<std::string>{"0", "3 驱动下载失败"}));
    EXPECT_EQ(broken.lastFailure(), DriverFailure::ServerError);
    WriteFile(soapData(), R"({"devices": [{"vid": "18d1", "pid": "4ee2", "url": )"
                          R"("http://127.0.0.1:9/nobody.zip", "md5": "00", "startfile": )"
                          R"("setup.sh", "devicetype": "EXE"}]})");
    ProgressRecorder unreachable;
    EXPECT_EQ(runJob(unreachable), (std::vector<std::string>{"0", "3 驱动下载失败"}));
    EXPECT_EQ(unreachable.lastFailure(), DriverFailure::ServerUnreachable);
}

TEST_F(DriverJobTest, WrongMd5DeletesThePackageAndRunsNothing) {
    Package package;
    package.md5 = std::string(32, '0');
    publish(package,
            [&](ZipBuilder& zip) { zip.addFile("setup.sh", installerScript(true), 0755); });
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), (std::vector<std::string>{"0", "5 文件校验失败"}));
    EXPECT_EQ(recorder.lastFailure(), DriverFailure::ChecksumMismatch);
    EXPECT_FALSE(fs::exists(devicesFolder() + "/usb_driver.zip"));
    EXPECT_FALSE(fs::exists(devicesFolder() + "/usb_driver"));
    EXPECT_FALSE(fs::exists(runsFile()));
}

TEST_F(DriverJobTest, FinishedDownloadIsInstalledAgainWithoutDownloading) {
    publish(Package{},
            [&](ZipBuilder& zip) { zip.addFile("setup.sh", installerScript(true), 0755); });
    ProgressRecorder first;
    EXPECT_EQ(runJob(first), kInstalledReports);
    // The server no longer has the file: only the finished download can serve the second job.
    fs::remove(served("usb_driver.zip"));
    setPhoneState("none");
    ProgressRecorder second;
    EXPECT_EQ(runJob(second), kInstalledReports);
    EXPECT_EQ(second.lines(), kInstalledReports);
    EXPECT_EQ(readLines(runsFile()).size(), 2u);
}

TEST_F(DriverJobTest, FailedWriteWhileUnpackingIsAnInstallFailure) {
    publish(Package{}, [&](ZipBuilder& zip) {
        zip.addFile("setup.sh", installerScript(true), 0755);
        zip.addFile("payload.bin", PatternBytes(256 * 1024, 9));
    });
    ProgressRecorder first;
    ASSERT_EQ(runJob(first), kInstalledReports);
    fs::remove_all(devicesFolder() + "/usb_driver");
    setPhoneState("none");
    // A file size limit stands in for a full disk; the package is already on disk.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ProgressRecorder second;
    const std::vector<std::string> reports = runJob(second);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(reports, (std::vector<std::string>{"0", "2 10", "5 驱动安装失败"}));
    EXPECT_EQ(readLines(runsFile()).size(), 1u);
}

TEST_F(DriverJobTest, HostileArchiveWritesNothingOutsideItsFolder) {
    const std::string outside = m_work.file("outside");
    fs::create_directories(outside);
    publish(Package{}, [&](ZipBuilder& zip) {
        zip.addFile("../x", "up");
        zip.addFile("../../../x", "far up");
        zip.addFile(outside + "/absolute", "absolute");
        zip.addSymlink("link", outside);
        zip.addFile("link/x", "through the link");
        zip.addFile("setup.sh", installerScript(true), 0755);
    });
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), kInstalledReports);
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_FALSE(fs::exists(m_docs.path() + "/rezizudazurud/download/x"));
    EXPECT_FALSE(fs::exists(devicesFolder() + "/x"));
    EXPECT_FALSE(fs::is_symlink(devicesFolder() + "/usb_driver/link"));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(devicesFolder())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"usb_driver", "usb_driver.zip"}));
}

TEST_F(DriverJobTest, CancelDuringTheDownloadSilencesEveryLaterEvent) {
    Package package;
    package.query = "?rate=100000";
    publish(package, [&](ZipBuilder& zip) {
        zip.addFile("setup.sh", installerScript(true), 0755);
        zip.addFile("payload.bin", PatternBytes(1024 * 1024, 4));
    });
    ProgressRecorder recorder;
    ASSERT_TRUE(m_jobs->start("18d1", "4ee2", recorder.callback()));
    ASSERT_TRUE(recorder.waitForLine("1 "));
    std::weak_ptr<DriverJob> job = m_jobs->currentForTesting();
    void* user = reinterpret_cast<void*>(static_cast<std::uintptr_t>(job.lock()->id()));
    m_jobs->cancel();
    const std::size_t reported = recorder.lines().size();
    EXPECT_TRUE(m_jobs->waitForThreads(10s));
    // Freed once an event that was under way at the cancel has let go of it.
    for (int i = 0; i < 100 && !job.expired(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(job.expired());

    // Late events of the freed job: a progress and a finished download.
    TaskEventData data;
    data.progress = {1000, 1000, 10};
    DriverDownloadListener(TaskEvent::Progress, user, data);
    WriteFile(m_work.file("late.zip"), ReadFile(served("usb_driver.zip")));
    const std::string late = m_work.file("late.zip");
    data.path = late;
    DriverDownloadListener(TaskEvent::Finished, user, data);
    DriverDownloadListener(TaskEvent::Failed, user, {});
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(m_jobs->waitForThreads(10s));
    EXPECT_EQ(recorder.lines().size(), reported);
    EXPECT_FALSE(fs::exists(runsFile()));
    EXPECT_FALSE(fs::exists(m_work.file("late")));
}

TEST_F(DriverJobTest, ANewJobReplacesTheRunningOne) {
    Package package;
    package.query = "?rate=100000";
    publish(package, [&](ZipBuilder& zip) {
        zip.addFile("setup.sh", installerScript(true), 0755);
        zip.addFile("payload.bin", PatternBytes(1024 * 1024, 6));
    });
    ProgressRecorder first;
    ASSERT_TRUE(m_jobs->start("18d1", "4ee2", first.callback()));
    ASSERT_TRUE(first.waitForLine("1 "));
    ProgressRecorder second;
    ASSERT_TRUE(m_jobs->start("1111", "2222", second.callback()));
    const std::size_t firstReports = first.lines().size();
    ASSERT_TRUE(second.waitForEnd());
    EXPECT_EQ(second.lines(), (std::vector<std::string>{"0", "3 驱动查找失败"}));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(first.lines().size(), firstReports);
}

TEST_F(DriverJobTest, CliPrintsEveryCodeAsTheWizardGetsItTheLastOneLast) {
    publish(Package{},
            [&](ZipBuilder& zip) { zip.addFile("setup.sh", installerScript(true), 0755); });
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({BuildDir() + "/bin/penlow-cli", "--program-folder", s_program->path(),
                             "driver-job", "--adb-kill-name", "pnl-none-cli", "18d1", "4ee2"},
                            true));
    std::string output;
    char buffer[4096];
    long n;
    while ((n = child.readSome(buffer, sizeof buffer, std::chrono::seconds(60))) > 0) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    const int status = child.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    // Progress lines only (the download's debug lines share the pipe), download percents aside.
    std::vector<std::string> lines;
    for (std::string& line : readLinesOf(output)) {
        if (line.starts_with("1 ")) {
            continue;
        }
        if (!line.empty() && line[0] >= '0' && line[0] <= '9') {
            lines.push_back(line);
        }
    }
    EXPECT_EQ(lines, kInstalledReports) << output;
    EXPECT_EQ(readLines(runsFile()).size(), 1u);
}

// Archives made on Windows (host system 0) store no permission bits, and Unix archives may
// store 0644 for the start file: the file about to be started runs all the same, and only it
// gains execute bits.
TEST_F(DriverJobTest, StartFileWithoutExecuteBitsRunsWhateverTheArchiveHost) {
    for (const bool madeOnWindows : {true, false}) {
        SCOPED_TRACE(madeOnWindows ? "host system 0" : "host system 3");
        fs::remove_all(devicesFolder());
        fs::remove(runsFile());
        setPhoneState("none");
        publish(Package{}, [&](ZipBuilder& zip) {
            if (madeOnWindows) {
                zip.addDosFile("setup.sh", installerScript(true));
                zip.addDosFile("readme.txt", "text");
            } else {
                zip.addFile("setup.sh", installerScript(true), 0640);
                zip.addFile("readme.txt", "text", 0600);
            }
        });
        ProgressRecorder recorder;
        EXPECT_EQ(runJob(recorder), kInstalledReports);
        const std::string folder = devicesFolder() + "/usb_driver";
        EXPECT_EQ(readLines(runsFile()), (std::vector<std::string>{folder + "/setup.sh|"}));
        const auto perms = [](const std::string& path) {
            return static_cast<unsigned>(fs::status(path).permissions());
        };
        EXPECT_EQ(perms(folder + "/setup.sh"), madeOnWindows ? 0755u : 0750u);
        EXPECT_EQ(perms(folder + "/readme.txt"), madeOnWindows ? 0644u : 0600u);
    }
}

TEST_F(DriverJobTest, DpinstFromAWindowsArchiveRunsBothTimes) {
    Package package;
    package.deviceType = "INI";
    publish(package, [&](ZipBuilder& zip) {
        zip.addDosFile("DPInst64.exe", installerScript(true));
        zip.addDosFile("DPInst32.exe", installerScript(true));
        zip.addDosFile("phone.inf", "[Version]");
    });
    ProgressRecorder recorder;
    EXPECT_EQ(runJob(recorder), kInstalledReports);
    EXPECT_EQ(readLines(runsFile()).size(), 2u);
}

// A phone adb already sees must not turn an installer that never ran into "installed".
TEST_F(DriverJobTest, InstallerThatCannotStartFailsEvenWithThePhoneOnline) {
    setPhoneState("device");
    for (const std::string startFile : {"missing.sh", "../outside.sh", "notes.txt"}) {
        SCOPED_TRACE(startFile);
        fs::remove_all(devicesFolder());
        Package package;
        package.startFile = startFile;
        publish(package, [&](ZipBuilder& zip) {
            zip.addFile("setup.sh", installerScript(true), 0755);
            zip.addDosFile("notes.txt", "not a program");
        });
        ProgressRecorder recorder;
        EXPECT_EQ(runJob(recorder),
                  (std::vector<std::string>{"0", "2 10", "2 15", "5 驱动安装失败"}));
    }
    EXPECT_FALSE(fs::exists(runsFile()));
}
