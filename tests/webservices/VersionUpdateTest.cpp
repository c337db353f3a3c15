// The version update hand-over through updata/updata.ini, end to end against the devservices
// SOAP service and a stand-in updater script.
#include "webservices/VersionUpdate.h"

#include "ServerProcess.h"
#include "ServiceTestSupport.h"

#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

using namespace webservices;
using namespace testsupport;
using namespace std::chrono_literals;

namespace {

std::string VersionData(int version) {
    return R"({"version": {"version": )" + std::to_string(version) +
           R"(, "url": "http://localhost/Penlow-new.exe", "obliged": false,
               "description": "1.A;2.B", "md5": "abc", "updatetime": "2024-05-01 10:00:00"}})";
}

} // namespace

class VersionUpdateTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        WriteFile(s_dir->file("soap.json"), VersionData(8));
        s_server = new ServerProcess({"--soap-data", s_dir->file("soap.json")});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }
    void SetUp() override {
        ASSERT_TRUE(s_server->ready()) << s_server->startOutput();
        m_program =
            std::make_unique<ProgramFolder>("localhost", std::to_string(s_server->port("soap")));
        WriteFile(s_dir->file("soap.json"), VersionData(8));
    }
    std::string ini() const { return m_program->file("updata/updata.ini"); }
    std::string key(const char* name) const {
        return platform::GetProfileString("updata", name, "<missing>", ini());
    }
    void writeIni(const std::string& lines) { WriteFile(ini(), "[updata]\n" + lines); }
    void runStartupCheck(bool expectUpdater) {
        EXPECT_EQ(StartupUpdateCheck(), expectUpdater);
        ASSERT_TRUE(WaitForUpdateCheck(30s));
    }

    static TempDir* s_dir;
    static ServerProcess* s_server;
    std::unique_ptr<ProgramFolder> m_program;
};

TempDir* VersionUpdateTest::s_dir = nullptr;
ServerProcess* VersionUpdateTest::s_server = nullptr;

TEST_F(VersionUpdateTest, PendingUpdateStartsTheUpdaterInItsFolder) {
    const std::string marker = m_program->file("updata/started");
    WriteFile(m_program->file("updata/kivupdata.exe"),
              "#!/bin/sh\npwd > started.tmp\n"
              "mv started.tmp started\n",
              true);
    writeIni("isupdata=1\nfailresult=0\nversion=7\n");
    const std::string before = ReadFile(ini());
    runStartupCheck(true);
    for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(std::filesystem::path(ReadFile(marker).substr(0, ReadFile(marker).find('\n'))),
              std::filesystem::canonical(m_program->file("updata")));
    EXPECT_EQ(ReadFile(ini()), before); // no check runs when the updater takes over
}

TEST_F(VersionUpdateTest, MissingUpdaterStartsNormallyWithoutACheck) {
    writeIni("isupdata=1\nfailresult=0\n");
    const std::string before = ReadFile(ini());
    runStartupCheck(false);
    EXPECT_EQ(ReadFile(ini()), before);
}

TEST_F(VersionUpdateTest, FailedUpdaterRunIsScheduledAgain) {
    writeIni("isupdata=1\nfailresult=1\nversion=7\nissucc=1\n");
    runStartupCheck(false);
    EXPECT_EQ(key("isupdata"), "1");
    EXPECT_EQ(key("failresult"), "0");
    EXPECT_EQ(key("upversion"), "8");
    EXPECT_EQ(key("version"), "7");
    EXPECT_EQ(key("update"), "2024-05-01");
    EXPECT_EQ(key("proessname"), "Penlow");
    EXPECT_EQ(key("uptext1"), "1.A");
    EXPECT_EQ(key("uptext2"), "2");
    EXPECT_EQ(key("uptext3"), "");
}

TEST_F(VersionUpdateTest, SameVersionAfterSuccessfulUpdateIsNotScheduled) {
    WriteFile(s_dir->file("soap.json"), VersionData(7));
    writeIni("isupdata=0\nismust=1\nversion=7\nissucc=1\ndownurl=http://old\nfailresult=5\n");
    runStartupCheck(false);
    EXPECT_EQ(key("isupdata"), "0");
    EXPECT_EQ(key("ismust"), "0");
    EXPECT_EQ(key("failresult"), "0");
    EXPECT_EQ(key("downurl"), "http://old"); // the rest as read
    EXPECT_EQ(key("issucc"), "1");
    EXPECT_EQ(key("startname"), "Penlow");
}

TEST_F(VersionUpdateTest, SameVersionAfterFailedUpdateIsScheduledAgain) {
    WriteFile(s_dir->file("soap.json"), VersionData(7));
    writeIni("isupdata=0\nversion=7\nissucc=0\nisreback=1\n");
    runStartupCheck(false);
    EXPECT_EQ(key("isupdata"), "1");
    EXPECT_EQ(key("upversion"), "7");
    EXPECT_EQ(key("isreback"), "0");
    EXPECT_EQ(key("downurl"), "http://localhost/Penlow-new.exe");
}

TEST_F(VersionUpdateTest, MissingFileIsCreatedWithAllKeysInOrder) {
    UpdateCheckThread();
    const std::string text = ReadFile(ini());
    std::size_t at = 0;
    for (std::string_view name : kUpdateKeys) {
        const std::size_t found = text.find("\n" + std::string(name) + "=", at);
        ASSERT_NE(found, std::string::npos) << name << " in\n" << text;
        at = found + 1;
    }
    EXPECT_EQ(key("isupdata"), "1");
    EXPECT_EQ(key("ismust"), "0");
    EXPECT_EQ(key("upMD5"), "abc");
}

TEST_F(VersionUpdateTest, UnreachableServiceWritesNothingPending) {
    ProgramFolder unreachable("no-such-host.invalid", "80");
    WriteFile(unreachable.file("updata/updata.ini"),
              "[updata]\nisupdata=1\nismust=1\nfailresult=2\nversion=3\n");
    UpdateCheckThread();
    const auto read = [&](const char* name) {
        return platform::GetProfileString("updata", name, "<missing>",
                                          unreachable.file("updata/updata.ini"));
    };
    EXPECT_EQ(read("isupdata"), "0");
    EXPECT_EQ(read("ismust"), "0");
    EXPECT_EQ(read("failresult"), "0");
    EXPECT_EQ(read("version"), "3");
    EXPECT_EQ(read("proessname"), "Penlow");
}
