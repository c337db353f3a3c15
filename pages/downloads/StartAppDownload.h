// The store's way into the download manager: one request to download an app with its icon.
#pragma once

/// Starts downloading an app (UI thread). Texts are UTF-8; nullptr marks a missing field.
/// -1: the icon URL, URL, name, type, version or package name is missing, or the manager
/// cannot be made; 2: the URL waits in the install queue; 1: the URL is already being
/// downloaded; 0: the request went to the downloading page (WM_USER+500).
int StartAppDownload(const char* iconUrl, const char* url, const char* name, const char* type,
                     const char* version, const char* packageName, const char* checksum);
