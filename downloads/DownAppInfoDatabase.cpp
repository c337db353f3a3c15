// Opening DownAppInfo.db and the restore operations of the two download pages.
#include "DownAppInfoDatabase.h"

#include "DownloadTables.h"

#include "platform/config/AppPaths.h"

#include <sqlite3.h>

namespace {

std::uint64_t Size(const std::string& text) {
    return ParseSizeColumn(text).value_or(0);
}

} // namespace

int DownAppInfoDatabase::openInProgramFolder() {
    std::string path;
    if (!BuildAppPath("DownAppInfo.db", "data", true, path)) {
        return kNoDataFolder;
    }
    std::string folder = path.substr(0, path.find_last_of('/') + 1);
    if (!CreateDirectoryPath(folder.c_str())) {
        return kNoDataFolder;
    }
    if (openFile(path) != SQLITE_OK) {
        return kNotOpened;
    }
    return createTables();
}

int DownAppInfoDatabase::openFile(const std::string& path) {
    return m_db.open(path);
}

int DownAppInfoDatabase::createTables() {
    int rc = EnsureTables(m_db, download_tables::kDownAppInfoTables);
    if (rc != SQLITE_OK) {
        m_db.close();
    }
    return rc;
}

std::vector<IconDownloadedRow> DownAppInfoDatabase::listIcons() {
    SqliteTransaction transaction(m_db);
    SqliteStatement select = m_db.prepare("SELECT * FROM IconDownloaded");
    std::vector<IconDownloadedRow> icons;
    while (select.step()) {
        if (select.columnCount() < 6) {
            continue;
        }
        icons.push_back({select.text(0), select.text(1), select.text(2), select.text(3),
                         select.text(4), Size(select.text(5))});
    }
    return icons;
}

std::vector<AppDownloadedRow> DownAppInfoDatabase::listFinished() {
    SqliteTransaction transaction(m_db);
    SqliteStatement select = m_db.prepare("SELECT * FROM AppDownloaded");
    std::vector<AppDownloadedRow> apps;
    while (select.step()) {
        if (select.columnCount() < 11) {
            continue;
        }
        AppDownloadedRow row;
        row.id = select.integer(0);
        row.app = {select.text(1), select.text(2), select.text(3), select.text(4),
                   select.text(8), select.text(9), select.text(10)};
        row.folder = select.text(5);
        row.fileName = select.text(6);
        row.fileSize = Size(select.text(7));
        apps.push_back(std::move(row));
    }
    return apps;
}

UnfinishedApps DownAppInfoDatabase::restoreUnfinished() {
    SqliteTransaction transaction(m_db);
    UnfinishedApps restored;
    SqliteStatement select = m_db.prepare("SELECT * FROM AppDownloading");
    while (select.step()) {
        if (select.columnCount() < 11) {
            continue;
        }
        AppDownloadingRow row;
        row.app = {select.text(0), select.text(1), select.text(2), select.text(3),
                   select.text(8), select.text(9), select.text(10)};
        row.saved = {select.text(4), select.text(5), Size(select.text(6)), Size(select.text(7))};
        restored.apps.push_back(std::move(row));
    }
    restored.icons = listIcons();
    return restored;
}

FinishedApps DownAppInfoDatabase::restoreFinished() {
    SqliteTransaction transaction(m_db);
    FinishedApps restored;
    for (AppDownloadedRow& row : listFinished()) {
        if (PathExists(row.path())) {
            restored.apps.push_back(std::move(row));
        } else {
            restored.removed.push_back(std::move(row));
        }
    }
    // The whole reconciliation is one transaction: the operations below join this one.
    for (const AppDownloadedRow& row : restored.removed) {
        deleteFinished(row.id, row.app.url, row.app.ver);
    }
    restored.icons = listIcons();
    return restored;
}

void DownAppInfoDatabase::deleteFinished(std::int64_t id, const std::string& url,
                                         const std::string& ver,
                                         const std::optional<std::string>& knownIconPath) {
    SqliteTransaction transaction(m_db);
    m_db.prepare("DELETE FROM AppDownloaded WHERE ID=?1").bind(1, id).run();
    m_icons.cleanUp(url, ver, knownIconPath);
}
