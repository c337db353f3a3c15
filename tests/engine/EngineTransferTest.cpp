// The real download_engine.so against the real devservices file server on loopback.
#include "EngineTestSupport.h"

#include "FileServer.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

using namespace enginetest;
using testsupport::FileServer;
using testsupport::PatternBytes;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr std::size_t kFileSize = 400 * 1024;

bool Finished(const TaskInfo& info) {
    return info.state == DE_STATE_FINISHED;
}
bool Ended(const TaskInfo& info) {
    return info.state == DE_STATE_FINISHED || info.state == DE_STATE_FAILED;
}

class EngineTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        Engine();
        m_content = PatternBytes(kFileSize, 7);
        WriteFile(m_served.file("pkg/game.apk"), m_content);
        m_folder = m_target.path() + "/";
        ASSERT_TRUE(m_server.ok());
    }

    /// Starts a new task of `pathAndQuery` into the target folder.
    std::int32_t StartNew(const std::string& pathAndQuery, const std::string& name = "game.apk") {
        std::int32_t id = 0;
        EXPECT_EQ(CreateNew(m_server.url(pathAndQuery), m_folder, name, id), DE_OK);
        EXPECT_EQ(Engine().start_task(id), DE_OK);
        return id;
    }

    /// Downloads part of the file slowly, stops, and forgets the task: the temporary file
    /// keeps what arrived. Its size.
    std::uint64_t LeavePartialFile(const std::string& query) {
        std::int32_t id = StartNew("pkg/game.apk?rate=200000" + query);
        TaskInfo info = WaitFor(id, [](const TaskInfo& i) { return i.received >= 60000; });
        EXPECT_EQ(Engine().stop_task(id), DE_OK);
        info = Query(id);
        EXPECT_EQ(info.state, DE_STATE_PAUSED);
        EXPECT_EQ(Engine().delete_task(id), DE_OK);
        return info.received;
    }

    TempDir m_served;
    TempDir m_target;
    FileServer m_server{m_served.path()};
    std::string m_content;
    std::string m_folder;
};

TEST_F(EngineTransfer, FinalNameAppearsOnlyWhenTheFileIsComplete) {
    std::int32_t id = StartNew("pkg/game.apk?rate=250000");
    TaskInfo info = WaitFor(id, [](const TaskInfo& i) { return i.received > 0; });
    EXPECT_EQ(info.state, DE_STATE_DOWNLOADING);
    EXPECT_EQ(info.fileSize, kFileSize);
    EXPECT_FALSE(Exists(m_folder + "game.apk"));
    EXPECT_TRUE(Exists(m_folder + "game.apk.pdltmp"));

    info = WaitFor(id, Ended);
    ASSERT_EQ(info.state, DE_STATE_FINISHED);
    EXPECT_EQ(info.name, "game.apk");
    EXPECT_EQ(info.received, kFileSize);
    EXPECT_EQ(info.transferred, kFileSize);
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), m_content);
    EXPECT_FALSE(Exists(m_folder + "game.apk.pdltmp"));
    EXPECT_FALSE(Exists(m_folder + "game.apk.pdltmp.meta"));
    EXPECT_EQ(Engine().start_task(id), DE_ERR_TASK_ENDED);
    EXPECT_EQ(Engine().delete_task(id), DE_OK);
    EXPECT_EQ(Engine().delete_task(id), DE_ERR_NO_SUCH_TASK);
}

TEST_F(EngineTransfer, TakenNamesGetANumber) {
    WriteFile(m_folder + "game.apk", "someone else's file");
    std::int32_t first = 0;
    std::int32_t second = 0;
    ASSERT_EQ(CreateNew(m_server.url("pkg/game.apk"), m_folder, "game.apk", first), DE_OK);
    ASSERT_EQ(CreateNew(m_server.url("pkg/game.apk"), m_folder, "game.apk", second), DE_OK);
    EXPECT_EQ(Query(first).name, "game(1).apk");
    EXPECT_EQ(Query(second).name, "game(2).apk");
    ASSERT_EQ(Engine().start_task(second), DE_OK);
    ASSERT_TRUE(Finished(WaitFor(second, Ended)));
    EXPECT_EQ(ReadFile(m_folder + "game(2).apk"), m_content);
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), "someone else's file");
    // A task deleted before it received anything leaves no temporary file behind.
    EXPECT_EQ(Engine().delete_task(first), DE_OK);
    EXPECT_FALSE(Exists(m_folder + "game(1).apk.pdltmp"));
    Engine().delete_task(second);
}

TEST_F(EngineTransfer, StopAndStartResumesWhereItStopped) {
    std::int32_t id = StartNew("pkg/game.apk?rate=200000");
    WaitFor(id, [](const TaskInfo& i) { return i.received >= 50000; });
    ASSERT_EQ(Engine().stop_task(id), DE_OK);
    TaskInfo paused = Query(id);
    EXPECT_EQ(paused.state, DE_STATE_PAUSED);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(Query(id).received, paused.received); // nothing arrives while stopped

    ASSERT_EQ(Engine().start_task(id), DE_OK);
    TaskInfo info = WaitFor(id, Ended);
    ASSERT_EQ(info.state, DE_STATE_FINISHED);
    EXPECT_EQ(info.resumedFrom, paused.received);
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), m_content);
    Engine().delete_task(id);
}

TEST_F(EngineTransfer, ContinuesTheTemporaryFileOfAnEarlierTask) {
    std::uint64_t partial = LeavePartialFile("");
    ASSERT_GT(partial, 0u);
    std::string path = m_folder + "game.apk";
    EXPECT_NE(Engine().is_tempfile_exist(path.data(), static_cast<std::int32_t>(path.size())), 0);

    std::int32_t id = 0;
    ASSERT_EQ(CreateContinued(m_server.url("pkg/game.apk"), m_folder, "game.apk", id), DE_OK);
    TaskInfo before = Query(id); // not started yet: what the temporary file holds
    EXPECT_EQ(before.state, DE_STATE_CREATED);
    EXPECT_EQ(before.received, partial);
    EXPECT_EQ(before.fileSize, kFileSize);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    TaskInfo info = WaitFor(id, Ended);
    ASSERT_EQ(info.state, DE_STATE_FINISHED);
    EXPECT_EQ(info.resumedFrom, partial);
    EXPECT_EQ(info.transferred, kFileSize - partial);
    EXPECT_EQ(ReadFile(path), m_content);
    Engine().delete_task(id);
}

TEST_F(EngineTransfer, ServerWithoutRangesOrWithAChangedFileStartsAgainFromZero) {
    LeavePartialFile("&norange=1");
    std::int32_t id = 0;
    ASSERT_EQ(CreateContinued(m_server.url("pkg/game.apk?norange=1"), m_folder, "game.apk", id),
              DE_OK);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    TaskInfo info = WaitFor(id, Ended);
    ASSERT_EQ(info.state, DE_STATE_FINISHED);
    EXPECT_EQ(info.resumedFrom, 0u);
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), m_content);
    Engine().delete_task(id);

    // The same size but other bytes: the saved validator no longer matches (If-Range).
    std::remove((m_folder + "game.apk").c_str());
    LeavePartialFile("");
    std::string changed = PatternBytes(kFileSize, 99);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteFile(m_served.file("pkg/game.apk"), changed);
    ASSERT_EQ(CreateContinued(m_server.url("pkg/game.apk"), m_folder, "game.apk", id), DE_OK);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    ASSERT_TRUE(Finished(WaitFor(id, Ended)));
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), changed);
    Engine().delete_task(id);
}

TEST_F(EngineTransfer, ErrorStatusFailsTheTask) {
    for (const char* path : {"pkg/missing.apk", "pkg/game.apk?status=500"}) {
        std::int32_t id = StartNew(path, "x.apk");
        TaskInfo info = WaitFor(id, Ended);
        EXPECT_EQ(info.state, DE_STATE_FAILED) << path;
        EXPECT_EQ(info.failure, DE_FAIL_HTTP_STATUS) << path;
        EXPECT_EQ(info.httpStatus, std::string(path).find("500") != std::string::npos ? 500 : 404);
        std::int32_t code = 0;
        char text[64];
        EXPECT_EQ(Engine().get_failure_detail(id, &code, text, sizeof text), DE_OK);
        EXPECT_EQ(code, DE_FAIL_HTTP_STATUS);
        EXPECT_STREQ(text, "error status from the server");
        Engine().delete_task(id);
    }
    EXPECT_FALSE(Exists(m_folder + "x.apk"));
}

TEST_F(EngineTransfer, BrokenConnectionsAreResumedUpToTheRetryLimit) {
    std::int32_t id = StartNew("pkg/game.apk?drop=150000");
    TaskInfo info = WaitFor(id, Ended);
    ASSERT_EQ(info.state, DE_STATE_FINISHED) << "failure " << info.failure;
    EXPECT_GE(info.retries, 1);
    EXPECT_EQ(info.resumedFrom, 150000u);
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), m_content);
    Engine().delete_task(id);
    std::remove((m_folder + "game.apk").c_str());

    // Without retries the break fails the task, and what arrived stays for a later continue.
    ASSERT_EQ(Engine().set_retry_strategy(0, 0), DE_OK);
    id = StartNew("pkg/game.apk?drop=150000");
    info = WaitFor(id, Ended);
    Engine().set_retry_strategy(3, 1000);
    EXPECT_EQ(info.state, DE_STATE_FAILED);
    EXPECT_EQ(info.failure, DE_FAIL_NETWORK);
    EXPECT_EQ(info.received, 150000u);
    Engine().delete_task(id);
    ASSERT_EQ(CreateContinued(m_server.url("pkg/game.apk"), m_folder, "game.apk", id), DE_OK);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    ASSERT_TRUE(Finished(WaitFor(id, Ended)));
    EXPECT_EQ(ReadFile(m_folder + "game.apk"), m_content);
    Engine().delete_task(id);
}

// A refused connection fails the task at once (nothing listens there; waiting would not change
// that); a server that takes the connection but never answers keeps it connecting until stopped.
TEST_F(EngineTransfer, RefusedFailsAtOnceAndASilentServerKeepsConnecting) {
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), length), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string port = std::to_string(ntohs(address.sin_port));
    close(probe); // nothing listens on this port now

    std::int32_t refused = 0;
    ASSERT_EQ(CreateNew("http://127.0.0.1:" + port + "/a.apk", m_folder, "a.apk", refused), DE_OK);
    ASSERT_EQ(Engine().start_task(refused), DE_OK);
    for (int i = 0; i < 100 && Query(refused).state != DE_STATE_FAILED; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(Query(refused).state, DE_STATE_FAILED);
    EXPECT_EQ(Query(refused).failure, DE_FAIL_NETWORK);
    EXPECT_EQ(Engine().delete_task(refused), DE_OK);

    int silent = socket(AF_INET, SOCK_STREAM, 0);
    address.sin_port = 0;
    length = sizeof address;
    ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(silent, 4), 0); // takes connections, never answers
    getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const std::string url =
        "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/b.apk";
    std::int32_t id = 0;
    ASSERT_EQ(CreateNew(url, m_folder, "b.apk", id), DE_OK);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(Query(id).state, DE_STATE_CONNECTING);
    EXPECT_EQ(Engine().stop_task(id), DE_OK);
    EXPECT_EQ(Query(id).state, DE_STATE_PAUSED);
    EXPECT_EQ(Engine().delete_task(id), DE_OK);
    close(silent);
}

TEST_F(EngineTransfer, SpeedLimitIsHonoured) {
    WriteFile(m_served.file("small.bin"), PatternBytes(64 * 1024, 3));
    ASSERT_EQ(Engine().set_speed_limit(32), DE_OK); // KiB/s
    auto began = std::chrono::steady_clock::now();
    std::int32_t id = StartNew("small.bin", "small.bin");
    Engine().cancel_speed_limit(); // the running transfer keeps the limit it started with
    ASSERT_TRUE(Finished(WaitFor(id, Ended)));
    // 64 KiB at 32 KiB/s cannot take much under two seconds (only a lower bound is checked).
    EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(1500));
    Engine().delete_task(id);
}

// Icon tasks: at most DE_ICON_MAX_BYTES of an image, whether the server announces the length or
// only closes the connection at the end; nothing of a refused answer stays on disk.
class IconTask : public EngineTransfer,
                 public ::testing::WithParamInterface<std::pair<const char*, bool>> {};

TEST_P(IconTask, KeepsOnlySmallImages) {
    WriteFile(m_served.file("icon.png"), PatternBytes(4096, 5));
    WriteFile(m_served.file("edge.png"), PatternBytes(DE_ICON_MAX_BYTES, 6));
    WriteFile(m_served.file("big.png"), PatternBytes(DE_ICON_MAX_BYTES + 1, 7));
    const auto [pathAndQuery, accepted] = GetParam();
    std::int32_t id = 0;
    ASSERT_EQ(CreateNew(m_server.url(pathAndQuery), m_folder, "i.png", id), DE_OK);
    ASSERT_EQ(Engine().set_task_type(id, DE_TASK_TYPE_ICON), DE_OK);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    TaskInfo info = WaitFor(id, Ended);
    if (accepted) {
        EXPECT_EQ(info.state, DE_STATE_FINISHED);
        EXPECT_TRUE(Exists(m_folder + "i.png"));
        Engine().delete_task(id);
        return;
    }
    EXPECT_EQ(info.state, DE_STATE_FAILED);
    EXPECT_EQ(info.failure, DE_FAIL_REFUSED);
    EXPECT_LE(info.received, static_cast<std::uint64_t>(DE_ICON_MAX_BYTES));
    std::int32_t code = 0;
    EXPECT_EQ(Engine().get_failure_detail(id, &code, nullptr, 0), DE_OK);
    EXPECT_EQ(code, DE_FAIL_REFUSED);
    EXPECT_FALSE(Exists(m_folder + "i.png"));
    EXPECT_FALSE(Exists(m_folder + "i.png.pdltmp"));
    EXPECT_FALSE(Exists(m_folder + "i.png.pdltmp.meta"));
    EXPECT_EQ(Engine().start_task(id), DE_ERR_TASK_ENDED); // nothing left to continue
    Engine().delete_task(id);
}

INSTANTIATE_TEST_SUITE_P(EngineTransfer, IconTask,
                         ::testing::Values(std::pair("icon.png", true), std::pair("edge.png", true),
                                           std::pair("edge.png?nolength=1", true),
                                           std::pair("pkg/game.apk?type=IMAGE/PNG;+q=1", true),
                                           std::pair("big.png", false),
                                           std::pair("big.png?nolength=1", false),
                                           std::pair("icon.png?type=text/html", false),
                                           std::pair("icon.png?type=text/html&nolength=1", false),
                                           std::pair("pkg/game.apk", false)));

TEST_F(EngineTransfer, OrdinaryTasksTakeAnySizeAndTypeAndTypesAreChecked) {
    WriteFile(m_served.file("big.png"), PatternBytes(DE_ICON_MAX_BYTES + 1, 7));
    std::int32_t id = 0;
    ASSERT_EQ(CreateNew(m_server.url("big.png?type=text/html&nolength=1"), m_folder, "b.png", id),
              DE_OK);
    EXPECT_EQ(Engine().set_task_type(id, 7), DE_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(Engine().set_task_type(id, DE_TASK_TYPE_DEFAULT), DE_OK);
    EXPECT_EQ(Engine().set_task_type(987654, DE_TASK_TYPE_ICON), DE_ERR_NO_SUCH_TASK);
    ASSERT_EQ(Engine().start_task(id), DE_OK);
    ASSERT_TRUE(Finished(WaitFor(id, Ended)));
    EXPECT_EQ(ReadFile(m_folder + "b.png").size(), DE_ICON_MAX_BYTES + 1u);
    Engine().delete_task(id);
}

TEST_F(EngineTransfer, RejectsNamesFoldersAndUrlsItCannotServe) {
    std::int32_t id = 0;
    std::string url = m_server.url("pkg/game.apk");
    for (const char* name : {"../escape.apk", "a/b.apk", "", ".", ".."}) {
        EXPECT_EQ(CreateNew(url, m_folder, name, id), DE_ERR_BAD_FILE_NAME) << name;
    }
    EXPECT_FALSE(Exists(m_target.path() + "/../escape.apk.pdltmp"));
    EXPECT_EQ(CreateNew(url, m_target.path(), "a.apk", id), DE_ERR_FOLDER_MISSING);
    EXPECT_EQ(CreateNew(url, m_folder + "nowhere/", "a.apk", id), DE_ERR_FOLDER_MISSING);
    EXPECT_EQ(CreateNew("ftp://127.0.0.1/a.apk", m_folder, "a.apk", id), DE_ERR_UNSUPPORTED_SCHEME);
    EXPECT_EQ(CreateNew("http://127.0.0.1/a b.apk", m_folder, "a.apk", id),
              DE_ERR_UNSUPPORTED_SCHEME);
    EXPECT_EQ(CreateContinued(url, m_folder, "never.apk", id), DE_ERR_NO_TEMPFILE);
    EXPECT_EQ(Engine().start_task(987654), DE_ERR_NO_SUCH_TASK);
    EXPECT_EQ(Engine().query_task_info(987654, nullptr), DE_ERR_INVALID_ARGUMENT);
}

TEST_F(EngineTransfer, DeleteTempfileRemovesThePartialDownload) {
    LeavePartialFile("");
    std::string path = m_folder + "game.apk";
    auto length = static_cast<std::int32_t>(path.size());
    ASSERT_NE(Engine().is_tempfile_exist(path.data(), length), 0);
    EXPECT_TRUE(Exists(path + ".pdltmp.meta"));
    EXPECT_EQ(Engine().delete_tempfile(path.data(), length), DE_OK);
    EXPECT_EQ(Engine().is_tempfile_exist(path.data(), length), 0);
    EXPECT_FALSE(Exists(path + ".pdltmp.meta"));
    EXPECT_EQ(Engine().delete_tempfile(path.data(), length), DE_OK); // nothing left: still ok
}

TEST(EngineHelpers, UrlPartsAndFileNames) {
    de_url_info info{};
    std::string url = "http://example.org:8080/dir/a%2Fb.apk?x=1";
    ASSERT_EQ(Engine().parse_url(url.data(), static_cast<std::int32_t>(url.size()), &info), DE_OK);
    EXPECT_STREQ(info.scheme, "http");
    EXPECT_STREQ(info.host, "example.org");
    EXPECT_EQ(info.port, 8080);
    EXPECT_STREQ(info.path, "/dir/a%2Fb.apk");
    char text[128];
    ASSERT_EQ(Engine().url_info_to_str(&info, text, sizeof text), DE_OK);
    EXPECT_STREQ(text, "http://example.org:8080/dir/a%2Fb.apk");
    EXPECT_EQ(Engine().url_info_to_str(&info, text, 10), DE_ERR_BUFFER_TOO_SMALL);
    // The decoded "/" cannot make the name leave its folder.
    ASSERT_EQ(Engine().parse_filename(url.data(), static_cast<std::int32_t>(url.size()), text,
                                      sizeof text),
              DE_OK);
    EXPECT_STREQ(text, "b.apk");
    std::string dots = "http://h/a/..";
    EXPECT_NE(Engine().parse_filename(dots.data(), static_cast<std::int32_t>(dots.size()), text,
                                      sizeof text),
              DE_OK);
    EXPECT_EQ(Engine().is_support_schema("https://h/x", 11), 1);
    EXPECT_EQ(Engine().is_support_schema("file:///etc/passwd", 18), 0);
    EXPECT_EQ(Engine().set_listen_port(1234), DE_ERR_NOT_SUPPORTED);
    EXPECT_EQ(Engine().set_thread_num(4), DE_OK);
}

} // namespace
