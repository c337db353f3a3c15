// The app half of DownAppInfo.db: AppDownloading (unfinished packages) and AppDownloaded
// (finished ones). Each operation is one transaction under the connection's lock.
#pragma once

#include "DownloadRows.h"

#include <optional>
#include <string>
#include <vector>

class SqliteConnection;

/// Temporary-file places of an unfinished app and its icon, left after their rows are gone.
struct DeletedAppDownload {
    std::optional<std::string> packagePath; ///< folder + file name of the package, if named
    std::vector<std::string> iconPaths;
};

class AppDownloadTable {
public:
    explicit AppDownloadTable(SqliteConnection& db) : m_db(db) {}

    /// Whether AppDownloading has a row for the URL (a download already requested).
    bool hasUnfinished(const std::string& url);
    /// The package path of the URL's unfinished download when it can be continued.
    std::optional<std::string> findContinuable(const std::string& url);
    /// Folder and file name for the engine's continue call.
    std::optional<ContinuationPlace> readContinuation(const std::string& url);
    /// The AppDownloading row of a new download (no file name, sizes "0"), unless the URL
    /// has one. `folder` is stored as given. True when a row was added.
    bool registerApp(const AppRequest& app, const std::string& folder);
    /// Saves the download's progress; only when both sizes are above 0 (false otherwise).
    bool saveProgress(const std::string& url, const SavedDownload& saved);
    /// The engine lost the temporary file: the download starts again from nothing.
    void resetProgress(const std::string& url);
    /// Moves the app to AppDownloaded with its final file name; with `iconUrl` set, the
    /// icon's unfinished row goes too. The new row's ID (largest + 1).
    std::int64_t finish(const AppRequest& app, const std::string& folder,
                        const std::string& fileName, std::uint64_t fileSize,
                        const std::optional<std::string>& iconUrl);
    /// Deletes the unfinished app (URL) and its icon rows (URL and version).
    DeletedAppDownload deleteUnfinished(const std::string& url, const std::string& ver);
    /// The ID of the URL's finished download in `folder` (ending in '/'), if any.
    std::optional<std::int64_t> findFinished(const std::string& url, const std::string& folder);
    /// Folder + file name of the finished download `id`, if there is such a row.
    std::optional<std::string> finishedPath(std::int64_t id);
    /// Deletes the finished row `id` alone (its package is gone; the icon may serve a newer
    /// row of the same app).
    void forgetFinished(std::int64_t id);
    /// Whether a finished row names the file at `folder` + `fileName`.
    bool finishedRowNames(const std::string& folder, const std::string& fileName);

private:
    SqliteConnection& m_db;
};
