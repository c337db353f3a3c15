// Statements of AppDownloading and AppDownloaded, with bound values: a name with a quote is
// stored as typed.
#include "AppDownloadTable.h"

#include "ContinuableLookup.h"

#include "platform/SqliteConnection.h"

namespace {

std::string SizeText(std::uint64_t size) {
    return std::to_string(size);
}

} // namespace

bool AppDownloadTable::hasUnfinished(const std::string& url) {
    SqliteTransaction transaction(m_db);
    return m_db.prepare("SELECT Url FROM AppDownloading WHERE Url=?1;").bind(1, url).step();
}

std::optional<std::string> AppDownloadTable::findContinuable(const std::string& url) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT FilePath, FileName, FileSize FROM AppDownloading WHERE Url=?1;");
    return LastContinuablePath(select.bind(1, url));
}

std::optional<ContinuationPlace> AppDownloadTable::readContinuation(const std::string& url) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT FilePath, FileName FROM AppDownloading WHERE Url=?1");
    select.bind(1, url);
    std::optional<ContinuationPlace> place;
    while (select.step()) {
        place = ContinuationPlace{select.text(0), select.text(1)};
    }
    return place;
}

bool AppDownloadTable::registerApp(const AppRequest& app, const std::string& folder) {
    SqliteTransaction transaction(m_db);
    if (m_db.prepare("SELECT Url FROM AppDownloading WHERE Url=?1;").bind(1, app.url).step()) {
        return false;
    }
    SqliteStatement insert = m_db.prepare(
        "INSERT INTO AppDownloading VALUES(?1, ?2, ?3, ?4, ?5, '', '0', '0', ?6, ?7, ?8)");
    return insert.bind(1, app.url)
        .bind(2, app.name)
        .bind(3, app.type)
        .bind(4, app.ver)
        .bind(5, folder)
        .bind(6, app.validType)
        .bind(7, app.validValue)
        .bind(8, app.packageName)
        .run();
}

bool AppDownloadTable::saveProgress(const std::string& url, const SavedDownload& saved) {
    if (saved.fileSize == 0 || saved.received == 0) {
        return false;
    }
    SqliteTransaction transaction(m_db);
    SqliteStatement update =
        m_db.prepare("UPDATE AppDownloading SET FilePath=?1, FileName=?2, FileSize=?3, "
                     "RecvSize=?4 WHERE Url=?5");
    return update.bind(1, saved.folder)
        .bind(2, saved.fileName)
        .bind(3, SizeText(saved.fileSize))
        .bind(4, SizeText(saved.received))
        .bind(5, url)
        .run();
}

void AppDownloadTable::resetProgress(const std::string& url) {
    SqliteTransaction transaction(m_db);
    m_db.prepare("UPDATE AppDownloading SET FilePath='', FileName='', FileSize='0', "
                 "RecvSize='0' WHERE Url=?1")
        .bind(1, url)
        .run();
}

std::int64_t AppDownloadTable::finish(const AppRequest& app, const std::string& folder,
                                      const std::string& fileName, std::uint64_t fileSize,
                                      const std::optional<std::string>& iconUrl) {
    SqliteTransaction transaction(m_db);
    if (iconUrl) {
        m_db.prepare("DELETE FROM IconDownloading WHERE IconUrl=?1").bind(1, *iconUrl).run();
    }
    m_db.prepare("DELETE FROM AppDownloading WHERE Url=?1;").bind(1, app.url).run();
    // The largest ID + 1 rather than the row count: IDs stay unique after deletions.
    SqliteStatement largest = m_db.prepare("SELECT max(ID) FROM AppDownloaded");
    std::int64_t id = largest.step() && !largest.isNull(0) ? largest.integer(0) + 1 : 0;
    SqliteStatement insert = m_db.prepare(
        "INSERT INTO AppDownloaded VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");
    insert.bind(1, id)
        .bind(2, app.url)
        .bind(3, app.name)
        .bind(4, app.type)
        .bind(5, app.ver)
        .bind(6, folder)
        .bind(7, fileName)
        .bind(8, SizeText(fileSize))
        .bind(9, app.validType)
        .bind(10, app.validValue)
        .bind(11, app.packageName)
        .run();
    return id;
}

DeletedAppDownload AppDownloadTable::deleteUnfinished(const std::string& url,
                                                      const std::string& ver) {
    SqliteTransaction transaction(m_db);
    DeletedAppDownload deleted;
    SqliteStatement package =
        m_db.prepare("SELECT FilePath, FileName FROM AppDownloading WHERE Url=?1");
    package.bind(1, url);
    while (package.step()) {
        if (!package.text(1).empty()) {
            deleted.packagePath = package.text(0) + package.text(1);
        }
    }
    SqliteStatement icons = m_db.prepare(
        "SELECT IconFilePath, IconFileName FROM IconDownloading WHERE AppUrl=?1 AND AppVer=?2");
    icons.bind(1, url).bind(2, ver);
    while (icons.step()) {
        if (!icons.text(1).empty()) {
            deleted.iconPaths.push_back(icons.text(0) + icons.text(1));
        }
    }
    m_db.prepare("DELETE FROM IconDownloading WHERE AppUrl=?1 AND AppVer=?2;")
        .bind(1, url)
        .bind(2, ver)
        .run();
    m_db.prepare("DELETE FROM AppDownloading WHERE Url=?1;").bind(1, url).run();
    return deleted;
}

std::optional<std::int64_t> AppDownloadTable::findFinished(const std::string& url,
                                                           const std::string& folder) {
    SqliteTransaction transaction(m_db);
    if (!m_db.prepare("SELECT FilePath, FileName FROM AppDownloaded WHERE Url=?1 AND "
                      "FilePath=?2;")
             .bind(1, url)
             .bind(2, folder)
             .step()) {
        return std::nullopt;
    }
    SqliteStatement select =
        m_db.prepare("SELECT ID FROM AppDownloaded WHERE Url=?1 AND FilePath=?2;");
    select.bind(1, url).bind(2, folder);
    std::optional<std::int64_t> id;
    while (select.step()) {
        id = select.integer(0);
    }
    return id;
}

std::optional<std::string> AppDownloadTable::finishedPath(std::int64_t id) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT FilePath, FileName FROM AppDownloaded WHERE ID=?1;");
    select.bind(1, id);
    if (!select.step()) {
        return std::nullopt;
    }
    return select.text(0) + select.text(1);
}

void AppDownloadTable::forgetFinished(std::int64_t id) {
    SqliteTransaction transaction(m_db);
    (void)m_db.prepare("DELETE FROM AppDownloaded WHERE ID=?1;").bind(1, id).run();
}

bool AppDownloadTable::finishedRowNames(const std::string& folder, const std::string& fileName) {
    SqliteTransaction transaction(m_db);
    return m_db.prepare("SELECT ID FROM AppDownloaded WHERE FilePath=?1 AND FileName=?2;")
        .bind(1, folder)
        .bind(2, fileName)
        .step();
}
