// The application object: the start-up sequence that runs before the main window and the
// exit sequence after it.
#pragma once

#include "InstanceChannel.h"

#include "platform/SingleInstanceLock.h"

#include <functional>
#include <string>
#include <vector>

class CKivOrviaApp {
public:
    /// `files`: package files to install once the main window is up.
    explicit CKivOrviaApp(std::vector<std::string> files = {});

    /// Runs the start-up steps on the UI thread. False when the program ends early (second
    /// instance, failed initialisation, updater started, login cancelled): no window runs.
    [[nodiscard]] bool InitInstance();

    /// Runs the main window modally once it exists; returns the process exit code.
    int Run();

    /// The exit sequence; returns the process exit code.
    int ExitInstance();

    /// Base name of the executable ("Penlow"): names the single-instance lock and titles the
    /// second instance's message.
    const std::string& applicationName() const { return m_appName; }

    /// The text a second instance shows before it leaves.
    static constexpr const char* kAlreadyRunningText = "软件已经在运行,可能没有被正常关闭!";
    /// String-table text 103, shown when the socket layer cannot be prepared.
    static constexpr const char* kSocketInitFailedText = "Windows 套接字初始化失败。";
    /// The framework's application profile key (the program stores nothing under it).
    static constexpr const char* kProfileKeyText = "应用程序向导生成的本地应用程序";

private:
    bool takeSingleInstanceLock();
    void listenForLaterStarts();
    /// Files for the main window: handed over at once while it runs, else kept until it does.
    void openFiles(const std::vector<std::string>& files);
    bool initSockets();
    bool runUpdateCheck();
    void installDialogHook();
    void readLoginMode();
    bool runLoginStep();
    void startBackgroundLogin();

    platform::SingleInstanceLock m_instanceLock; // held for the whole life of the process
    std::string m_appName;
    bool m_skipLoginDialog = false;
    std::vector<std::string> m_pendingFiles; // UI thread: files that came before the window
    std::function<void(const std::vector<std::string>&)> m_openFiles; // set while it runs
    InstanceChannel m_channel;
};
