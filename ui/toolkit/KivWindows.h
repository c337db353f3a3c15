// Process-wide window handles by role, and the application's display name. Each window sets
// its handle once while it initialises; workers and other windows read them on any thread.
#pragma once

#include "KivWindowHandle.h"

#include <QString>

enum class KivWindowRole {
    MainWindow,
    DevicePage,
    StorePage,
    DownloadManager,
    DownloadingPage,
    DownloadedPage,
    Wizard,
    PhoneInfoPanel,
    RecommendPanel,
    LoginDialog,
};

void SetWindowHandle(KivWindowRole role, const KivWindowHandle& handle);
/// The handle set for `role` (a null handle before that). Thread-safe.
KivWindowHandle WindowHandle(KivWindowRole role);

/// The application name (`appname` of Config.ini), set by the main window. Thread-safe.
void SetApplicationName(const QString& name);
QString ApplicationName();
