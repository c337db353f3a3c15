// DownData.db, the driver queue's record of its downloads: Downloading holds the unfinished
// ones, Downloaded the finished ones. Every operation runs in its own transaction under the
// connection's lock; any thread may call them.
#pragma once

#include "DownloadRows.h"

#include "platform/SqliteConnection.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

class DownDataDatabase {
public:
    /// Opens (creating) the file; SQLite's result code.
    int openFile(const std::string& path);
    /// Creates the missing tables; SQLite's result code of a failed CREATE, else 0.
    int createTables();
    void close() { m_db.close(); }
    bool isOpen() const { return m_db.isOpen(); }

    /// Adds the Downloading row of a new download (size and received "0", no file name)
    /// unless the URL has one.
    void registerDownload(const std::string& url, const std::string& folder);
    /// The saved state of the URL's unfinished download. A row whose size or received
    /// size is 2^63 or more is ignored.
    std::optional<SavedDownload> readForContinuing(const std::string& url);
    /// The path of the URL's unfinished download when it can be continued.
    std::optional<std::string> findContinuable(const std::string& url);
    /// Saves the progress of the URL's download.
    void saveProgress(const std::string& url, const SavedDownload& saved);
    /// The same for several downloads in one transaction (queue shutdown).
    void saveProgress(const std::vector<std::pair<std::string, SavedDownload>>& downloads);
    /// Moves the URL from Downloading to Downloaded; the new row's ID (largest + 1).
    std::int64_t finishDownload(const std::string& url, const SavedDownload& saved);
    /// Forgets the URL's unfinished download.
    void forget(const std::string& url);
    /// The path of the URL's finished download in `folder` when the file still exists.
    /// Rows whose files have gone are deleted.
    std::optional<std::string> findFinished(const std::string& url, const std::string& folder);

    /// Every row, for inspection.
    std::vector<DownloadingRow> listDownloading();
    std::vector<DownloadedRow> listDownloaded();

private:
    void updateProgress(const std::string& url, const SavedDownload& saved);

    SqliteConnection m_db;
};
