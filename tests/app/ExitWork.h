// The program's background work held in flight, for the exit test and the exit benchmark:
// penlow-cli exit-with-work in a program folder of its own, with two slow downloads from a file
// server, the device monitor against phonesim, a machine report and a driver job lookup both
// waiting on a web service that accepts and never answers. run() measures the time from the
// request to close to the process's end.
#pragma once

#include "FileServer.h"
#include "PhoneSimProcess.h"
#include "TempDir.h"
#include "TestEnvironment.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace testsupport {

struct ExitRun {
    int status = -1;                   ///< waitpid status of penlow-cli
    std::chrono::microseconds closing; ///< from the close request to the process's end
    std::string output;
};

class ExitWork {
public:
    ExitWork();
    ~ExitWork();
    ExitWork(const ExitWork&) = delete;
    ExitWork& operator=(const ExitWork&) = delete;

    /// True when the servers and the program folder are ready.
    bool ready() const;

    /// Starts penlow-cli with the work in flight (or with none when `idle`), waits until it runs
    /// and `settle` more (under a second: the silent service's 1-second receive time-outs would
    /// end the report and the lookup by themselves), asks it to close and waits for its end.
    /// Nothing when it did not start or did not end within a minute (it is killed then).
    std::optional<ExitRun> run(bool idle, std::chrono::milliseconds settle);

private:
    TempDir m_program;
    TempDir m_files;
    std::unique_ptr<FileServer> m_fileServer;
    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<ScopedEnv> m_adbPort;
    std::unique_ptr<ScopedEnv> m_sysfs;
    int m_silentFd = -1;
    int m_silentPort = 0;
};

} // namespace testsupport
