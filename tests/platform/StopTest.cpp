// Stopping blocked work: a worker blocked on a child process that never ends or on a socket
// whose peer never speaks returns soon after the stop request, the child (and the children of
// its shell) are gone, and the thread group joins everything it started.
#include "platform/ChildProcess.h"
#include "platform/StopScope.h"
#include "platform/TcpConnection.h"
#include "platform/ThreadGroup.h"
#include "platform/ThreadStart.h"
#include "platform/Worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <cstdlib>
#include <cstdio>
#include <condition_variable>
#include <optional>
#include <string>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kStopLatency = 200ms;

// A loopback listener that accepts (through the kernel backlog) and never answers.
class SilentServer {
public:
    SilentServer() {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
            ::listen(m_fd, 4) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            m_port = ntohs(address.sin_port);
        }
    }
    ~SilentServer() { ::close(m_fd); }
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// Gone, or a zombie left for whoever reaps orphans (not every container's first process does).
bool processGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) {
        return true;
    }
    const std::size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

// Reads from a child until end of file, as a worker blocked on its output does.
long readToEnd(platform::ChildProcess& child) {
    char buffer[256];
    long total = 0;
    long n;
    while ((n = child.readSome(buffer, sizeof buffer, std::nullopt)) > 0) {
        total += n;
    }
    return total;
}

// Ends the test program with a failure when it is not dismissed within `limit`: a stop that
// never arrives leaves a thread blocked for good, which no join could wait out.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, const char* what)
        : m_thread([this, limit, what] {
              std::unique_lock lock(m_lock);
              if (!m_dismissed.wait_for(lock, limit, [this] { return m_done; })) {
                  std::fprintf(stderr, "FAILED: %s did not return within %lld ms\n", what,
                               static_cast<long long>(limit.count()));
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_lock);
            m_done = true;
        }
        m_dismissed.notify_one();
        m_thread.join();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_dismissed;
    bool m_done = false; // guarded by m_lock
    std::thread m_thread;
};

// Runs `blocked` on a worker, asks `stop` to stop once the worker is blocked, and returns how
// long the worker took to return after the request. A worker still blocked after 2 s fails
// the test program instead of hanging it.
std::optional<Clock::duration> StopLatency(std::stop_source& stop,
                                           const std::function<void()>& blocked) {
    std::promise<Clock::time_point> ended;
    std::thread worker([&] {
        blocked();
        ended.set_value(Clock::now());
    });
    std::this_thread::sleep_for(100ms);
    const Clock::time_point asked = Clock::now();
    stop.request_stop();
    std::future<Clock::time_point> done = ended.get_future();
    {
        Watchdog watchdog(2s, "a worker told to stop");
        worker.join();
    }
    return done.get() - asked;
}

} // namespace

TEST(StopChildProcess, AStopKillsTheChildAndItsShellChildrenAndEndsTheRead) {
    std::stop_source stop;
    platform::ChildProcess child;
    // The shell starts a grandchild that would hold the pipe open if only the shell died.
    ASSERT_TRUE(child.start({"/bin/sh", "-c", "sleep 600 & echo $!; wait"}, true,
                            platform::ChildProcess::Stdin::Null, stop.get_token()));
    char line[32] = {};
    ASSERT_GT(child.readSome(line, sizeof line - 1, 5s), 0);
    const pid_t grandchild = static_cast<pid_t>(std::stol(line));

    const auto latency = StopLatency(stop, [&] { (void)readToEnd(child); });
    ASSERT_TRUE(latency.has_value());
    EXPECT_LT(*latency, kStopLatency);
    const int status = child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    for (int i = 0; i < 100 && !processGone(grandchild); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(processGone(grandchild));
}

TEST(StopChildProcess, ThreadsStopTokenIsUsedAndAStartAfterTheStopIsRefused) {
    std::stop_source stop;
    platform::ChildProcess child;
    {
        platform::StopScope scope(stop.get_token());
        ASSERT_TRUE(child.start({"/bin/sleep", "600"}, false));
    }
    const pid_t pid = child.pid();
    stop.request_stop();
    const int status = child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(processGone(pid));

    platform::ChildProcess late;
    platform::StopScope scope(stop.get_token());
    EXPECT_FALSE(late.start({"/bin/true"}, false));
}

TEST(StopChildProcess, AReapedOrAbandonedChildIsNotKilledByALaterStop) {
    std::stop_source stop;
    platform::ChildProcess quick;
    ASSERT_TRUE(quick.start({"/bin/sh", "-c", "exit 3"}, false, platform::ChildProcess::Stdin::Null,
                            stop.get_token()));
    EXPECT_EQ(WEXITSTATUS(quick.wait()), 3);

    platform::ChildProcess left;
    ASSERT_TRUE(left.start({"/bin/sleep", "600"}, false, platform::ChildProcess::Stdin::Null,
                           stop.get_token()));
    const pid_t pid = left.pid();
    left.abandon();
    stop.request_stop();
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(processGone(pid));
    ::kill(pid, SIGKILL); // our own child; the abandoned drainer reaps it
}

TEST(ChildProcessTest, AChildInheritsNoDescriptorBeyondItsStandardOnes) {
    // A pipe without close-on-exec, as libraries open them: once we close our write end, the
    // read end must see end of file at once although the child still runs.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({"/bin/sleep", "600"}, true));
    ::close(fds[1]);
    ASSERT_EQ(::fcntl(fds[0], F_SETFL, O_NONBLOCK), 0);
    char byte;
    // 0: end of file. -1 (EAGAIN): a writer is left, which can only be the child.
    EXPECT_EQ(::read(fds[0], &byte, 1), 0) << "the child holds our pipe open";
    ::close(fds[0]);
    ::kill(child.pid(), SIGKILL); // our own child
    child.wait();
}

TEST(StopSocket, AStopShutsASilentConnectionDownAndEndsTheReceive) {
    SilentServer server;
    ASSERT_NE(server.port(), 0);
    std::stop_source stop;
    platform::TcpConnection connection;
    ASSERT_TRUE(connection.connect("127.0.0.1", server.port(), 30s, stop.get_token()));

    const auto latency = StopLatency(stop, [&] {
        char buffer[16];
        (void)connection.receiveSome(buffer, sizeof buffer); // 30 s receive time-out
    });
    ASSERT_TRUE(latency.has_value());
    EXPECT_LT(*latency, kStopLatency);
    EXPECT_FALSE(connection.connect("127.0.0.1", server.port(), 1s, stop.get_token()));
}

TEST(ThreadGroupTest, StopAndJoinEndsBlockedBodiesThroughTheirStopToken) {
    SilentServer server;
    platform::ThreadGroup group;
    std::atomic<int> ended{0};
    ASSERT_TRUE(group.start([&](std::stop_token) {
        platform::ChildProcess child;
        if (child.start({"/bin/sleep", "600"}, true)) {
            (void)readToEnd(child);
            (void)child.wait();
        }
        ++ended;
    }));
    ASSERT_TRUE(group.start([&](std::stop_token) {
        platform::TcpConnection connection;
        char buffer[16];
        if (connection.connect("127.0.0.1", server.port(), 30s)) {
            (void)connection.receiveSome(buffer, sizeof buffer);
        }
        ++ended;
    }));
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(group.waitIdle(10ms));
    const Clock::time_point asked = Clock::now();
    {
        Watchdog watchdog(5s, "ThreadGroup::stopAndJoin");
        group.stopAndJoin();
    }
    EXPECT_LT(Clock::now() - asked, kStopLatency);
    EXPECT_EQ(ended.load(), 2);
    EXPECT_EQ(group.running(), 0);

    // The group takes work again after a stop, with a fresh token.
    std::promise<bool> stopped;
    ASSERT_TRUE(
        group.start([&](std::stop_token stop) { stopped.set_value(stop.stop_requested()); }));
    EXPECT_TRUE(group.waitIdle(5s));
    EXPECT_FALSE(stopped.get_future().get());
}

TEST(ThreadGroupTest, FinishedThreadsAreJoinedAndWorkMayStartMoreWork) {
    platform::ThreadGroup group;
    std::atomic<int> count{0};
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(group.start([&](std::stop_token) {
            ++count;
            (void)group.start([&](std::stop_token) { ++count; });
        }));
    }
    EXPECT_TRUE(group.waitIdle(10s));
    EXPECT_EQ(count.load(), 40);
}

TEST(WorkerTest, AStopReachesTheChildItsBodyStartedAndTheOwnerJoinsAtOnce) {
    platform::Worker worker;
    std::atomic<pid_t> pid{-1};
    std::atomic<bool> ended{false};
    ASSERT_TRUE(worker.start([&](std::stop_token) {
        platform::ChildProcess child; // no token passed: the worker's own is the thread's
        if (child.start({"/bin/sleep", "600"}, true)) {
            pid = child.pid();
            (void)readToEnd(child);
            (void)child.wait();
        }
        ended = true;
    }));
    for (int i = 0; i < 200 && pid.load() < 0; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(pid.load(), 0);
    const Clock::time_point asked = Clock::now();
    {
        Watchdog watchdog(5s, "Worker::stop");
        worker.stop();
    }
    EXPECT_LT(Clock::now() - asked, kStopLatency);
    EXPECT_TRUE(ended.load());
    EXPECT_TRUE(processGone(pid.load()));
    EXPECT_FALSE(worker.running());
}

TEST(WorkerTest, ABodyWaitingForWorkWakesForWorkAndForItsStop) {
    std::mutex lock;
    std::condition_variable_any wake;
    int queued = 0; // guarded by lock
    std::atomic<int> taken{0};
    platform::Worker worker;
    ASSERT_TRUE(worker.start([&](std::stop_token stop) {
        while (true) {
            std::unique_lock guard(lock);
            if (!platform::WaitForWork(wake, guard, stop, [&] { return queued > 0; })) {
                return;
            }
            --queued;
            ++taken;
        }
    }));
    for (int i = 0; i < 3; ++i) {
        {
            std::lock_guard guard(lock);
            ++queued;
        }
        wake.notify_one();
    }
    for (int i = 0; i < 200 && taken.load() < 3; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(taken.load(), 3);
    Watchdog watchdog(5s, "a waiting worker's stop");
    worker.stop();
}

TEST(WorkerTest, AWorkerStoppedFromItsOwnBodyIsJoinedByTheNextStart) {
    platform::Worker worker;
    std::promise<void> stoppedItself;
    ASSERT_TRUE(worker.start([&](std::stop_token stop) {
        worker.stop(); // a page call made by the worker may stop it
        EXPECT_TRUE(stop.stop_requested());
        stoppedItself.set_value();
    }));
    stoppedItself.get_future().wait();
    std::promise<bool> second;
    ASSERT_TRUE(
        worker.start([&](std::stop_token stop) { second.set_value(stop.stop_requested()); }));
    EXPECT_FALSE(second.get_future().get());
    worker.stop();

    platform::FailThreadStartsForTesting(1);
    EXPECT_FALSE(worker.start([](std::stop_token) {}));
    EXPECT_FALSE(worker.running());
}

TEST(ChildProcessTest, ALiveChildIsNeverDroppedForAnother) {
    platform::ChildProcess first;
    ASSERT_TRUE(first.start({"/bin/sleep", "600"}, false));
    const pid_t pid = first.pid();
    EXPECT_FALSE(first.start({"/bin/true"}, false)); // the second start is refused
    EXPECT_EQ(first.pid(), pid);

    // Moving another child over it hands the first to a drainer: it is reaped once it ends,
    // never left a zombie of no one.
    platform::ChildProcess second;
    ASSERT_TRUE(second.start({"/bin/sh", "-c", "exit 0"}, false));
    second = std::move(first);
    EXPECT_EQ(second.pid(), pid);
    ::kill(pid, SIGKILL);
    (void)second.wait();
    EXPECT_TRUE(processGone(pid));
}

TEST(ChildProcessTest, ReleaseReapsAChildWhoseOutputEnded) {
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({"/bin/sh", "-c", "echo done"}, true));
    const pid_t pid = child.pid();
    EXPECT_GT(readToEnd(child), 0);
    child.release(1s);
    EXPECT_EQ(child.pid(), -1);
    // Reaped here: no zombie is left for a drainer thread.
    EXPECT_TRUE(processGone(pid));
}
