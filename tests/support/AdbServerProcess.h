// The system's real adb server for one test: started on a free loopback port of its own (never
// 5037) with HOME and its log in a throw-away folder, and ended by `adb -P PORT kill-server`
// when the object goes away, whichever server runs on the port by then (a program under test
// may have ended it and started another there).
#pragma once

#include "TempDir.h"

#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class AdbServerProcess {
public:
    /// Starts the server (`adb -P PORT start-server`, 30 s at most). Check started().
    AdbServerProcess();
    ~AdbServerProcess();
    AdbServerProcess(const AdbServerProcess&) = delete;
    AdbServerProcess& operator=(const AdbServerProcess&) = delete;

    bool started() const { return m_started; }
    int port() const { return m_port; }
    /// The server's HOME (its key pair lands in HOME/.android).
    std::string home() const { return m_dir.file("home"); }
    /// The server's log (ANDROID_ADB_LOG_PATH).
    std::string logPath() const { return m_dir.file("adb.log"); }
    /// What a process that runs adb against this server needs in its environment, so that a
    /// server it starts again keeps HOME and log here: HOME, ANDROID_ADB_LOG_PATH,
    /// ANDROID_ADB_SERVER_PORT.
    std::vector<std::pair<std::string, std::string>> environment() const;

    /// Runs `adb -P PORT ARGS...` in the server's environment; its exit status, -1 when it
    /// could not run or outlived `limitSeconds` (it is then killed by its pid).
    int runAdb(const std::vector<std::string>& args, int limitSeconds = 30) const;

private:
    TempDir m_dir;
    int m_port = 0;
    bool m_started = false;
};

/// A loopback TCP port that is free now and is not 5037; 0 when none could be had.
int FreeLoopbackPort();

} // namespace testsupport
