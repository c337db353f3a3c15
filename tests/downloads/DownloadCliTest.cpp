// penlow-cli's download commands in a program folder of their own: a whole download, the
// finished one found again, an interrupted one continued, and the database listings.
#include "FileServer.h"
#include "TempDir.h"

#include "platform/ChildProcess.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using testsupport::FileServer;
using testsupport::Md5Hex;
using testsupport::TempDir;

namespace {

struct CliRun {
    int exitCode = -1;
    std::vector<std::string> lines;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

class DownloadCli : public ::testing::Test {
protected:
    DownloadCli() {
        testsupport::WriteFile(m_served.file("pkg/tool.zip"), m_content);
        const char* folder = std::getenv("PENLOW_PROGRAM_DIR");
        std::string engine = std::string(folder ? folder : ".") + "/download_engine.so";
        EXPECT_EQ(symlink(engine.c_str(), m_program.file("download_engine.so").c_str()), 0);
        EXPECT_TRUE(m_server.ok());
    }

    /// The command line; its standard error (debug lines) is dropped so that stdout is read.
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

    CliRun Run(const std::vector<std::string>& args) {
        platform::ChildProcess process;
        CliRun run;
        if (!process.start(Argv(args), true)) {
            return run;
        }
        std::string output;
        char buffer[1024];
        for (long n; (n = process.readSome(buffer, sizeof buffer, std::chrono::seconds(60))) > 0;) {
            output.append(buffer, static_cast<std::size_t>(n));
        }
        int status = process.wait();
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.lines = Lines(output);
        return run;
    }

    TempDir m_program;
    TempDir m_served;
    TempDir m_target;
    FileServer m_server{m_served.path()};
    std::string m_content = testsupport::PatternBytes(300 * 1024, 5);
    std::string m_folder = m_target.path() + "/out";
};

TEST_F(DownloadCli, DownloadsPrintsProgressAndTheFinalPathLast) {
    CliRun run = Run({"download", m_server.url("pkg/tool.zip?rate=200000"), m_folder});
    ASSERT_EQ(run.exitCode, 0);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(run.lines.back(), m_folder + "/tool.zip");
    EXPECT_NE(std::find_if(run.lines.begin(), run.lines.end(),
                           [](const std::string& l) { return l.rfind("progress ", 0) == 0; }),
              run.lines.end());
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(m_folder + "/tool.zip")), Md5Hex(m_content));

    // Asked again, the finished download is found instead of downloaded.
    CliRun again = Run({"download", m_server.url("pkg/tool.zip?rate=200000"), m_folder});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_EQ(again.lines, std::vector<std::string>{m_folder + "/tool.zip"});

    CliRun found = Run({"download-find", m_server.url("pkg/tool.zip?rate=200000"), m_folder});
    EXPECT_EQ(found.lines, std::vector<std::string>{m_folder + "/tool.zip"});
    CliRun listed = Run({"download-list"});
    ASSERT_EQ(listed.lines.size(), 1u);
    EXPECT_EQ(listed.lines[0], "downloaded\t0\t" + m_server.url("pkg/tool.zip?rate=200000") + "\t" +
                                   m_folder + "/tool.zip\t307200");
}

TEST_F(DownloadCli, AnInterruptedDownloadIsContinuedByTheNextRun) {
    std::string url = m_server.url("pkg/tool.zip?rate=100000");
    platform::ChildProcess process;
    ASSERT_TRUE(process.start(Argv({"download", url, m_folder}), true));
    std::string output;
    char buffer[512];
    while (output.find("progress 1") == std::string::npos &&
           output.find("progress 2") == std::string::npos) {
        long n = process.readSome(buffer, sizeof buffer, std::chrono::seconds(30));
        ASSERT_GT(n, 0) << output;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    kill(process.pid(), SIGINT);
    for (long n; (n = process.readSome(buffer, sizeof buffer, std::chrono::seconds(30))) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    int status = process.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_EQ(Lines(output).back(), "interrupted");

    CliRun listed = Run({"download-list"});
    ASSERT_EQ(listed.lines.size(), 1u);
    EXPECT_EQ(listed.lines[0].rfind("downloading\t" + url + "\t" + m_folder + "/tool.zip\t", 0),
              0u);

    CliRun rest = Run({"download", url, m_folder});
    ASSERT_EQ(rest.exitCode, 0);
    ASSERT_GE(rest.lines.size(), 2u);
    EXPECT_EQ(rest.lines.front().rfind("continuing ", 0), 0u);
    EXPECT_NE(rest.lines.front(), "continuing 0 307200");
    EXPECT_EQ(rest.lines.back(), m_folder + "/tool.zip");
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(m_folder + "/tool.zip")), Md5Hex(m_content));
}

TEST_F(DownloadCli, AUrlWithABlankIsRequestedAsABrowserWould) {
    testsupport::WriteFile(m_served.file("pkg/my file.apk"), m_content);
    const std::string url = m_server.url("pkg/my file.apk");
    CliRun run = Run({"download", url, m_folder});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines.front(), "saving to " + m_folder + "/my file.apk");
    EXPECT_EQ(run.lines.back(), m_folder + "/my file.apk");
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(m_folder + "/my file.apk")), Md5Hex(m_content));
}

TEST_F(DownloadCli, ADownloadGoesToTheFolderAskedForEvenWhenSavedForAnother) {
    std::string url = m_server.url("pkg/tool.zip?rate=100000");
    platform::ChildProcess process;
    ASSERT_TRUE(process.start(Argv({"download", url, m_folder}), true));
    std::string output;
    char buffer[512];
    while (output.find("progress 1") == std::string::npos) {
        long n = process.readSome(buffer, sizeof buffer, std::chrono::seconds(30));
        ASSERT_GT(n, 0) << output;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    kill(process.pid(), SIGINT);
    process.wait();

    const std::string other = m_target.path() + "/elsewhere";
    CliRun run = Run({"download", url, other});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.lines.front(), "saving to " + other + "/tool.zip");
    EXPECT_EQ(run.lines.back(), other + "/tool.zip");
    EXPECT_EQ(Md5Hex(testsupport::ReadFile(other + "/tool.zip")), Md5Hex(m_content));
    // The partial download in the first folder was given up, not left behind.
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/tool.zip.pdltmp"));
    EXPECT_FALSE(std::filesystem::exists(m_folder + "/tool.zip"));
}

TEST_F(DownloadCli, FailuresSayWhy) {
    CliRun missing = Run({"download", m_server.url("pkg/tool.zip?status=404"), m_folder});
    EXPECT_EQ(missing.exitCode, 1);
    ASSERT_FALSE(missing.lines.empty());
    EXPECT_EQ(missing.lines.back(), "failed: HTTP status 404");

    // The server sends part of the file and then nothing while keeping the connection.
    CliRun stalled = Run({"download", m_server.url("pkg/tool.zip?stall=100000"), m_folder});
    EXPECT_EQ(stalled.exitCode, 1);
    ASSERT_FALSE(stalled.lines.empty());
    EXPECT_EQ(stalled.lines.back(), "failed: stalled, no data for 20 seconds");
}

TEST_F(DownloadCli, ListingsOfAProgramFolderWithoutDatabasesAreEmpty) {
    EXPECT_EQ(Run({"download-list"}).lines.size(), 0u);
    EXPECT_EQ(Run({"app-downloads"}).lines.size(), 0u);
    EXPECT_EQ(Run({"download-find", "http://h/x", m_folder}).exitCode, 1);
}

} // namespace
