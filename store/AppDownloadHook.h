// The download manager's entries as the store sees them: the app download and the flying
// icon. The program sets them at start-up; the store never includes the downloads pages.
#pragma once

/// Starts an app download: texts are UTF-8, nullptr = the field is missing. UI thread.
/// Returns -1, 0, 1 or 2 (the download manager's answer).
using StartAppDownloadHook = int (*)(const char* iconUrl, const char* url, const char* name,
                                     const char* type, const char* version, const char* packageName,
                                     const char* checksum);

void SetStartAppDownloadHook(StartAppDownloadHook hook);
/// Plays the flying-icon animation; called after each app download request whatever its
/// answer.
void SetFlyingIconHook(void (*hook)());

StartAppDownloadHook GetStartAppDownloadHook();
using FlyingIconHook = void (*)();
FlyingIconHook GetFlyingIconHook();
