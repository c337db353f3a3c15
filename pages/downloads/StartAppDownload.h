// The store's way into the download manager: one request to download an app with its icon.
#pragma once

#include <string>
#include <string_view>

class InstallQueueView;

/// Starts downloading an app (UI thread). Texts are UTF-8; nullptr or an empty text marks a
/// missing field. -1: the URL is missing or not http(s), or the package name is (the user is told
/// in a message box: such a package could not be installed); 2: the URL waits in the install queue;
/// 1: the URL is already being downloaded; 0: the request went to the downloading page
/// (WM_USER+500). A missing name is taken from the URL's file name, a missing type or version
/// reads "未知类型" or "未知版本", and without an icon URL the row keeps the default picture.
/// `installQueue` tells whether the URL waits in the downloaded page's install queue.
int StartAppDownload(const char* iconUrl, const char* url, const char* name, const char* type,
                     const char* version, const char* packageName, const char* checksum,
                     const InstallQueueView& installQueue);

/// The name a row shows for `url` when the store gave none: the URL's file name,
/// percent-decoded, without ".apk" ("未命名应用" when nothing is left).
std::string DisplayNameFromUrl(std::string_view url);
