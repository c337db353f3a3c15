// Partner-account login end to end against the devservices login endpoint.
#include "webservices/AccountLogin.h"
#include "webservices/WebServiceEndpoint.h"

#include "ServerProcess.h"
#include "ServiceTestSupport.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

using namespace webservices;
using namespace testsupport;

namespace {

const char* const kAccounts = R"json({"accounts": [
  {"user": "alice", "password": "secret", "uid": "1001", "name": "Alice", "bmsg": "welcome"},
  {"user": "ten", "password": "x", "uid": "10", "bsco": "10"},
  {"user": "minus", "password": "x", "uid": "11", "bsco": "-1"},
  {"user": "zero", "password": "x", "uid": "12", "bsco": "0", "bmsg": "locked"},
  {"user": "张 三", "password": "密 码", "uid": "2002", "name": "Zhang"},
  {"user": "penlow", "password": "480917", "uid": "9000", "name": "built-in"}
]})json";

} // namespace

class AccountLoginTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new TempDir;
        WriteFile(s_dir->file("accounts.json"), kAccounts);
        s_server = new ServerProcess({"--login-accounts", s_dir->file("accounts.json"),
                                      "--login-attempts", s_dir->file("attempts")});
    }
    static void TearDownTestSuite() {
        delete s_server;
        delete s_dir;
    }
    void SetUp() override {
        ASSERT_TRUE(s_server->ready()) << s_server->startOutput();
        m_port = std::make_unique<ScopedEnv>(kLoginPortVariable,
                                             std::to_string(s_server->port("login")));
        WriteFile(s_dir->file("accounts.json"), kAccounts);
        std::filesystem::remove(s_dir->file("attempts"));
        SetLoginResultForTesting({});
    }
    void setFault(const std::string& fault) {
        std::string data = kAccounts;
        data.insert(data.rfind('}'), ", \"fault\": \"" + fault + "\"");
        WriteFile(s_dir->file("accounts.json"), data);
    }

    static TempDir* s_dir;
    static ServerProcess* s_server;
    std::unique_ptr<ScopedEnv> m_port;
};

TempDir* AccountLoginTest::s_dir = nullptr;
ServerProcess* AccountLoginTest::s_server = nullptr;

TEST_F(AccountLoginTest, SuccessFillsTheResult) {
    std::string message;
    EXPECT_TRUE(LoginEntry("alice", "secret", message));
    EXPECT_EQ(message, "welcome");
    const LoginResult result = CurrentLoginResult();
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.uid, "1001");
    EXPECT_EQ(result.name, "Alice");
}

TEST_F(AccountLoginTest, ScoreContainingOneCountsAsSuccess) {
    EXPECT_EQ(UserLogin("ten", "x"), 1);
    EXPECT_EQ(CurrentLoginResult().uid, "10");
    EXPECT_EQ(UserLogin("minus", "x"), 1);
    EXPECT_EQ(CurrentLoginResult().uid, "11");
    std::string message;
    EXPECT_FALSE(LoginEntry("zero", "x", message));
    EXPECT_EQ(message, "locked");
    EXPECT_EQ(CurrentLoginResult().uid, "11"); // a failed attempt leaves the UID as it was
    EXPECT_FALSE(LoginEntry("alice", "wrong", message));
}

TEST_F(AccountLoginTest, BlankAndChineseCharactersArriveIntact) {
    EXPECT_EQ(UserLogin("张 三", "密 码"), 1);
    EXPECT_EQ(CurrentLoginResult().uid, "2002");
    EXPECT_EQ(ReadFile(s_dir->file("attempts")), "张 三\t密 码\n");
}

TEST_F(AccountLoginTest, NonOkStatusBecomesTheMessage) {
    setFault("status500");
    std::string message;
    EXPECT_FALSE(LoginEntry("alice", "secret", message));
    EXPECT_EQ(message, " 500 Internal Server Error");
    for (const char* fault : {"no-length", "silent", "chunked", "big-header"}) {
        setFault(fault);
        EXPECT_EQ(UserLogin("alice", "secret"), 0) << fault;
    }
}

TEST_F(AccountLoginTest, UnreachableServerLeavesTheResult) {
    SetLoginResultForTesting({1, "keep", "k", "m"});
    ScopedEnv host(kLoginHostVariable, "no-such-host.invalid");
    EXPECT_EQ(UserLogin("alice", "secret"), 0);
    EXPECT_EQ(CurrentLoginResult().status, 1);
    EXPECT_EQ(CurrentLoginResult().uid, "keep");
}

TEST_F(AccountLoginTest, BackgroundLoginFallsBackToTheBuiltInAccount) {
    ProgramFolder program("localhost", "80");
    WriteFile(program.file("data/Config.ini"), "[User]\nname=alice\nword=wrong\n");
    BackgroundLogin();
    EXPECT_EQ(CurrentLoginResult().uid, "9000");
    EXPECT_EQ(ReadFile(s_dir->file("attempts")), "alice\twrong\npenlow\t480917\n");

    // Remembered name without password: the built-in password goes with it.
    std::filesystem::remove(s_dir->file("attempts"));
    WriteFile(program.file("data/Config.ini"), "[User]\nname=alice\nword=\n");
    BackgroundLogin();
    EXPECT_EQ(ReadFile(s_dir->file("attempts")), "alice\t480917\npenlow\t480917\n");
    // Nothing is written back.
    EXPECT_EQ(ReadFile(program.file("data/Config.ini")), "[User]\nname=alice\nword=\n");

    WriteFile(program.file("data/Config.ini"), "[User]\nname=alice\nword=secret\n");
    BackgroundLogin();
    EXPECT_EQ(CurrentLoginResult().uid, "1001");
}
