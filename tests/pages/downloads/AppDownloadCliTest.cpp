// The download manager run by penlow-cli as its own process: a store request followed to the
// package installed on a phonesim phone, and a manager killed with SIGKILL while two downloads
// run, then started again: both come back paused with their percents and complete intact.
#include "FileServer.h"
#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

using testsupport::FileServer;
using testsupport::Md5Hex;
using testsupport::PatternBytes;
using testsupport::TempDir;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class AppDownloadCli : public ::testing::Test {
protected:
    AppDownloadCli() {
        const char* folder = std::getenv("PENLOW_PROGRAM_DIR");
        const std::string engine = std::string(folder ? folder : ".") + "/download_engine.so";
        EXPECT_EQ(symlink(engine.c_str(), m_program.file("download_engine.so").c_str()), 0);
        testsupport::PrepareProgramFolder(m_program.path());
        EXPECT_TRUE(m_server.ok());
        EXPECT_TRUE(m_phone.started());
    }

    std::vector<std::string> Argv(const std::vector<std::string>& args) const {
        std::vector<std::string> argv = {"sh",
                                         "-c",
                                         "exec \"$0\" \"$@\" 2>/dev/null",
                                         PENLOW_CLI,
                                         "--program-folder",
                                         m_program.path()};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }

    /// The seven request fields of a served package.
    std::vector<std::string> App(const std::string& file, const std::string& name,
                                 const std::string& bytes, const std::string& query) {
        testsupport::WriteFile(m_served.file(file), bytes);
        testsupport::WriteFile(m_served.file(file + ".png"), "icon");
        return {m_server.url(file + ".png"),
                m_server.url(file + query),
                name,
                "游戏",
                "1.0",
                "com.penlow." + file.substr(0, file.find('.')),
                Md5Hex(bytes)};
    }

    int Run(const std::vector<std::string>& args, std::vector<std::string>& lines) {
        platform::ChildProcess process;
        if (!process.start(Argv(args), true)) {
            return -1;
        }
        std::string output;
        char buffer[1024];
        for (long n; (n = process.readSome(buffer, sizeof buffer, std::chrono::seconds(90))) > 0;) {
            output.append(buffer, static_cast<std::size_t>(n));
        }
        const int status = process.wait();
        lines = Lines(output);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string apk(const std::string& name) const {
        return m_documents.path() + "/rezizudazurud/download/apk/" + name;
    }

    TempDir m_program;
    TempDir m_documents;
    TempDir m_served;
    testsupport::ScopedEnv m_documentsEnv{"XDG_DOCUMENTS_DIR", m_documents.path()};
    FileServer m_server{m_served.path()};
    testsupport::PhoneSimProcess m_phone{
        {R"({"serial": "PSIM0001", "pm": {"install": ["success"]}})"}};
    testsupport::ScopedEnv m_adbPort{"ANDROID_ADB_SERVER_PORT", std::to_string(m_phone.port())};
};

} // namespace

TEST_F(AppDownloadCli, RequestToInstalledPackage) {
    const std::string bytes = PatternBytes(200 * 1024, 21);
    std::vector<std::string> args = {"app-download"};
    const std::vector<std::string> app = App("maps.apk", "地图", bytes, "?rate=150000");
    args.insert(args.end(), app.begin(), app.end());
    std::vector<std::string> lines;
    ASSERT_EQ(Run(args, lines), 0);
    // Every row state the pages show, in order.
    const std::vector<std::string> wanted = {
        "request\t地图\t0",           "downloading\t地图\t正在连接", "downloading\t地图\t下载完成",
        "downloaded\t地图\t正在安装", "downloaded\t地图\t安装完成",  "downloaded\t地图\t"};
    auto at = lines.begin();
    for (const std::string& line : wanted) {
        at = std::find(at, lines.end(), line);
        ASSERT_NE(at, lines.end()) << "missing or out of order: " << line;
    }
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
        return l.rfind("downloading\t地图\t正在下载", 0) == 0 &&
               l.find("KB/S") != std::string::npos;
    }));
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(apk("地图.apk"))), Md5Hex(bytes));
}

TEST_F(AppDownloadCli, KilledManagerContinuesBothDownloads) {
    const std::string first = PatternBytes(400 * 1024, 31);
    const std::string second = PatternBytes(500 * 1024, 32);
    std::vector<std::string> argv = Argv({"app-download"});
    for (const auto& app : {App("one.apk", "One", first, "?rate=60000"),
                            App("two.apk", "Two", second, "?rate=60000")}) {
        argv.insert(argv.end(), app.begin(), app.end());
    }
    platform::ChildProcess process;
    ASSERT_TRUE(process.start(argv, true));
    // Both running for a while: their progress has been saved at least once.
    std::string output;
    char buffer[1024];
    const auto started = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(5)) {
        const long n = process.readSome(buffer, sizeof buffer, std::chrono::seconds(10));
        ASSERT_GT(n, 0) << output;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ASSERT_EQ(kill(process.pid(), SIGKILL), 0);
    process.wait();
    ASSERT_EQ(output.find("下载完成"), std::string::npos) << "finished before the kill";

    std::vector<std::string> lines;
    ASSERT_EQ(Run({"app-continue"}, lines), 0);
    int restored = 0;
    for (const std::string& line : lines) {
        if (line.rfind("restored\t", 0) == 0) {
            ++restored;
            EXPECT_NE(line.find("\t下载暂停\t"), std::string::npos) << line;
            const int percent = std::stoi(line.substr(line.rfind('\t') + 1));
            EXPECT_GT(percent, 0) << line;
            EXPECT_LT(percent, 100) << line;
        }
    }
    EXPECT_EQ(restored, 2);
    EXPECT_TRUE(Has(lines, "downloaded\tOne\t安装完成"));
    EXPECT_TRUE(Has(lines, "downloaded\tTwo\t安装完成"));
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(apk("One.apk"))), Md5Hex(first));
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(apk("Two.apk"))), Md5Hex(second));
}
