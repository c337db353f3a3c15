// Statements of DownData.db. Values are always bound; the stored texts are the program's
// usual ones (sizes as decimal text, folders with their trailing '/').
#include "DownDataDatabase.h"

#include "ContinuableLookup.h"
#include "DownloadTables.h"

#include <sqlite3.h>

namespace {

constexpr std::uint64_t kLargestSize = (std::uint64_t{1} << 63) - 1;

std::string SizeText(std::uint64_t size) {
    return std::to_string(size);
}

} // namespace

int DownDataDatabase::openFile(const std::string& path) {
    return m_db.open(path);
}

int DownDataDatabase::createTables() {
    return EnsureTables(m_db, download_tables::kDownDataTables);
}

void DownDataDatabase::registerDownload(const std::string& url, const std::string& folder) {
    SqliteTransaction transaction(m_db);
    SqliteStatement known = m_db.prepare("SELECT Url FROM Downloading WHERE Url=?1;");
    if (known.bind(1, url).step()) {
        return;
    }
    SqliteStatement insert = m_db.prepare("INSERT INTO Downloading VALUES(?1, ?2, '', '0', '0');");
    insert.bind(1, url).bind(2, folder).run();
}

std::optional<SavedDownload> DownDataDatabase::readForContinuing(const std::string& url) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select = m_db.prepare(
        "SELECT FilePath, FileName, FileSize, RecvSize FROM Downloading WHERE Url=?1;");
    select.bind(1, url);
    std::optional<SavedDownload> found;
    while (select.step()) {
        auto size = ParseSizeColumn(select.text(2));
        auto received = ParseSizeColumn(select.text(3));
        if (size.value_or(0) > kLargestSize || received.value_or(0) > kLargestSize) {
            continue;
        }
        found =
            SavedDownload{select.text(0), select.text(1), size.value_or(0), received.value_or(0)};
    }
    return found;
}

std::optional<std::string> DownDataDatabase::findContinuable(const std::string& url) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT FilePath, FileName, FileSize FROM Downloading WHERE Url=?1;");
    return LastContinuablePath(select.bind(1, url));
}

void DownDataDatabase::updateProgress(const std::string& url, const SavedDownload& saved) {
    SqliteStatement update =
        m_db.prepare("UPDATE Downloading SET FilePath=?1, FileName=?2, FileSize=?3, "
                     "RecvSize=?4 WHERE Url=?5;");
    update.bind(1, saved.folder)
        .bind(2, saved.fileName)
        .bind(3, SizeText(saved.fileSize))
        .bind(4, SizeText(saved.received))
        .bind(5, url)
        .run();
}

void DownDataDatabase::saveProgress(const std::string& url, const SavedDownload& saved) {
    SqliteTransaction transaction(m_db);
    updateProgress(url, saved);
}

void DownDataDatabase::saveProgress(
    const std::vector<std::pair<std::string, SavedDownload>>& downloads) {
    SqliteTransaction transaction(m_db);
    for (const auto& [url, saved] : downloads) {
        updateProgress(url, saved);
    }
}

std::int64_t DownDataDatabase::finishDownload(const std::string& url, const SavedDownload& saved) {
    SqliteTransaction transaction(m_db);
    m_db.prepare("DELETE FROM Downloading WHERE Url=?1;").bind(1, url).run();
    // The largest ID + 1 rather than the row count: IDs stay unique after deletions.
    SqliteStatement largest = m_db.prepare("SELECT max(ID) FROM Downloaded;");
    std::int64_t id = largest.step() && !largest.isNull(0) ? largest.integer(0) + 1 : 0;
    SqliteStatement insert = m_db.prepare("INSERT INTO Downloaded VALUES(?1, ?2, ?3, ?4, ?5, ?6);");
    insert.bind(1, id)
        .bind(2, url)
        .bind(3, saved.folder)
        .bind(4, saved.fileName)
        .bind(5, SizeText(saved.fileSize))
        .bind(6, SizeText(saved.received))
        .run();
    return id;
}

void DownDataDatabase::forget(const std::string& url) {
    SqliteTransaction transaction(m_db);
    m_db.prepare("DELETE FROM Downloading WHERE Url=?1").bind(1, url).run();
}

std::optional<std::string> DownDataDatabase::findFinished(const std::string& url,
                                                          const std::string& folder) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT FilePath, FileName FROM Downloaded WHERE Url=?1 AND FilePath=?2;");
    select.bind(1, url).bind(2, folder);
    bool anyRow = false;
    while (select.step()) {
        anyRow = true;
        std::string path = select.text(0) + select.text(1);
        if (!select.text(1).empty() && PathExists(path)) {
            return path;
        }
    }
    if (anyRow) {
        m_db.prepare("DELETE FROM Downloaded WHERE Url=?1 AND FilePath=?2;")
            .bind(1, url)
            .bind(2, folder)
            .run();
    }
    return std::nullopt;
}

std::vector<DownloadingRow> DownDataDatabase::listDownloading() {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT Url, FilePath, FileName, FileSize, RecvSize FROM Downloading;");
    std::vector<DownloadingRow> rows;
    while (select.step()) {
        rows.push_back(
            {select.text(0),
             {select.text(1), select.text(2), ParseSizeColumn(select.text(3)).value_or(0),
              ParseSizeColumn(select.text(4)).value_or(0)}});
    }
    return rows;
}

std::vector<DownloadedRow> DownDataDatabase::listDownloaded() {
    SqliteTransaction transaction(m_db);
    SqliteStatement select = m_db.prepare(
        "SELECT ID, Url, FilePath, FileName, FileSize, RecvSize FROM Downloaded ORDER BY ID;");
    std::vector<DownloadedRow> rows;
    while (select.step()) {
        rows.push_back(
            {select.integer(0),
             select.text(1),
             {select.text(2), select.text(3), ParseSizeColumn(select.text(4)).value_or(0),
              ParseSizeColumn(select.text(5)).value_or(0)}});
    }
    return rows;
}
