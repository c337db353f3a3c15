// The icon half of DownAppInfo.db: IconDownloading (unfinished icons) and IconDownloaded
// (icons shared by every finished app row with the same URL and version).
#pragma once

#include "DownloadRows.h"

#include <optional>
#include <string>

class SqliteConnection;

class IconDownloadTable {
public:
    explicit IconDownloadTable(SqliteConnection& db) : m_db(db) {}

    /// When no finished app with this URL and version is left, deletes the icon rows and
    /// the icon file (`knownIconPath` when given, else the path the rows name). True when the
    /// icon went.
    bool cleanUp(const std::string& appUrl, const std::string& appVer,
                 const std::optional<std::string>& knownIconPath = std::nullopt);
    /// Path of the finished icon of the app (the last matching row wins).
    std::optional<std::string> find(const std::string& appUrl, const std::string& appVer);
    /// Whether IconDownloading has a row for the icon URL.
    bool hasUnfinished(const std::string& iconUrl);
    /// The IconDownloading row of a new icon download, unless the icon URL has one.
    bool registerIcon(const std::string& appUrl, const std::string& appVer,
                      const std::string& iconUrl, const std::string& folder);
    /// Folder and file name to continue the icon's download, when it can be continued.
    std::optional<ContinuationPlace> findContinuable(const std::string& iconUrl);
    /// Moves the icon to IconDownloaded.
    void finish(const std::string& iconUrl, const std::string& folder, const std::string& fileName,
                std::uint64_t fileSize);
    /// Saves the icon download's progress.
    void saveProgress(const std::string& iconUrl, const SavedDownload& saved);
    /// The icon URL still being downloaded for the app, if any.
    std::optional<std::string> pendingIconUrl(const std::string& appUrl, const std::string& appVer);
    /// Forgets the unfinished icon download (its app finished first).
    void forget(const std::string& iconUrl);

private:
    SqliteConnection& m_db;
};
