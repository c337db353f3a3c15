// cKivDownloadInfo: one finished package of the downloaded page. Built by the downloading
// page's completion (on a task thread) and posted to the downloaded page, which owns it from
// then on; the install thread works on copies of its texts.
#pragma once

#include <cstdint>
#include <string>

class cKivDownListCell;

class cKivDownloadInfo {
public:
    cKivDownloadInfo();
    virtual ~cKivDownloadInfo() = default;

    /// Unique in the process: install messages name entries by it.
    std::uint64_t serial;

    std::int64_t ID = -1; ///< its AppDownloaded row, -1 when none
    std::string Url;
    std::string Name;
    std::string Type;
    std::string Ver;
    std::string PackageName;
    std::string path;     ///< the package file
    std::string iconPath; ///< the icon file, or empty
    std::string ValidType;
    std::string ValidValue;
    std::uint64_t fileSize = 0;
    /// A package the user opened from a folder of their own: it has no database row and no
    /// digest, and deleting the row leaves the file where it is.
    bool openedFile = false;

    cKivDownListCell* row = nullptr; ///< UI thread only
};
