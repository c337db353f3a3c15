// DownAppInfo.db, the app download manager's record of packages and icons. Owns the one
// connection of the file; the app and icon tables work on it. Any thread may call.
#pragma once

#include "AppDownloadTable.h"
#include "DownloadRows.h"
#include "IconDownloadTable.h"

#include "platform/SqliteConnection.h"

#include <string>
#include <vector>

/// What the downloading page restores when it opens (unfinished apps and their icons).
struct UnfinishedApps {
    std::vector<AppDownloadingRow> apps;
    std::vector<IconDownloadedRow> icons;
};

/// What the downloaded page restores when it opens (finished apps and their icons).
struct FinishedApps {
    std::vector<AppDownloadedRow> apps;    ///< rows whose package file exists, in table order
    std::vector<IconDownloadedRow> icons;  ///< icons left after the reconciliation
    std::vector<AppDownloadedRow> removed; ///< rows removed because their package has gone
};

class DownAppInfoDatabase {
public:
    DownAppInfoDatabase() : m_apps(m_db), m_icons(m_db) {}

    /// Opens data/DownAppInfo.db of the program folder (the folder and the file are created
    /// when missing) with its tables: 0, kNoDataFolder, kNotOpened or SQLite's code of a
    /// failed CREATE (the connection is then closed).
    int openInProgramFolder();
    static constexpr int kNoDataFolder = -1;
    static constexpr int kNotOpened = -2;

    /// Opens (creating) the file; SQLite's result code.
    int openFile(const std::string& path);
    /// Creates the missing tables; SQLite's result code of a failed CREATE, else 0. A failed
    /// CREATE closes the connection.
    int createTables();
    void close() { m_db.close(); }
    bool isOpen() const { return m_db.isOpen(); }

    AppDownloadTable& apps() { return m_apps; }
    IconDownloadTable& icons() { return m_icons; }

    /// Every unfinished app and every finished icon.
    UnfinishedApps restoreUnfinished();
    /// Every finished app and icon; rows whose package file has gone are deleted with
    /// their icons, all in one transaction.
    FinishedApps restoreFinished();
    /// Deletes the finished row `id` and, when no other finished row has the
    /// same URL and version, its icon (`knownIconPath` when given).
    void deleteFinished(std::int64_t id, const std::string& url, const std::string& ver,
                        const std::optional<std::string>& knownIconPath = std::nullopt);

    /// Every finished app and icon row as stored, changing nothing (inspection).
    std::vector<AppDownloadedRow> listFinished();
    std::vector<IconDownloadedRow> listIcons();

private:
    SqliteConnection m_db;
    AppDownloadTable m_apps;
    IconDownloadTable m_icons;
};
