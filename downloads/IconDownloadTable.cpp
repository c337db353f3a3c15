// Statements of IconDownloading and IconDownloaded.
#include "IconDownloadTable.h"

#include "platform/SqliteConnection.h"

#include <cstdio>

bool IconDownloadTable::cleanUp(const std::string& appUrl, const std::string& appVer,
                                const std::optional<std::string>& knownIconPath) {
    SqliteTransaction transaction(m_db);
    SqliteStatement count =
        m_db.prepare("SELECT count(ID) FROM AppDownloaded WHERE Url=?1 AND Ver=?2");
    count.bind(1, appUrl).bind(2, appVer);
    if (!count.step() || count.integer(0) > 0) {
        return false;
    }
    std::optional<std::string> iconPath = knownIconPath;
    if (!iconPath) {
        SqliteStatement select = m_db.prepare("SELECT IconFilePath, IconFileName FROM "
                                              "IconDownloaded WHERE AppUrl=?1 AND AppVer=?2");
        select.bind(1, appUrl).bind(2, appVer);
        while (select.step()) {
            iconPath = select.text(0) + select.text(1);
        }
    }
    m_db.prepare("DELETE FROM IconDownloaded WHERE AppUrl=?1 AND AppVer=?2")
        .bind(1, appUrl)
        .bind(2, appVer)
        .run();
    if (iconPath && PathExists(*iconPath)) {
        std::remove(iconPath->c_str());
    }
    return true;
}

std::optional<std::string> IconDownloadTable::find(const std::string& appUrl,
                                                   const std::string& appVer) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select = m_db.prepare(
        "SELECT IconFilePath, IconFileName FROM IconDownloaded WHERE AppUrl=?1 AND AppVer=?2;");
    select.bind(1, appUrl).bind(2, appVer);
    std::optional<std::string> path;
    while (select.step()) {
        path = select.text(0) + select.text(1);
    }
    return path;
}

bool IconDownloadTable::hasUnfinished(const std::string& iconUrl) {
    SqliteTransaction transaction(m_db);
    return m_db.prepare("SELECT IconUrl FROM IconDownloading WHERE IconUrl=?1;")
        .bind(1, iconUrl)
        .step();
}

bool IconDownloadTable::registerIcon(const std::string& appUrl, const std::string& appVer,
                                     const std::string& iconUrl, const std::string& folder) {
    SqliteTransaction transaction(m_db);
    if (m_db.prepare("SELECT IconUrl FROM IconDownloading WHERE IconUrl=?1;")
            .bind(1, iconUrl)
            .step()) {
        return false;
    }
    return m_db.prepare("INSERT INTO IconDownloading VALUES(?1, ?2, ?3, ?4, '', '0', '0')")
        .bind(1, appUrl)
        .bind(2, appVer)
        .bind(3, iconUrl)
        .bind(4, folder)
        .run();
}

std::optional<ContinuationPlace> IconDownloadTable::findContinuable(const std::string& iconUrl) {
    SqliteTransaction transaction(m_db);
    SqliteStatement check = m_db.prepare("SELECT IconFilePath, IconFileName, IconFileSize FROM "
                                         "IconDownloading WHERE IconUrl=?1;");
    check.bind(1, iconUrl);
    bool continuable = false;
    while (check.step()) {
        continuable = ContinuablePath(check.text(0), check.text(1), check.text(2)).has_value();
    }
    if (!continuable) {
        return std::nullopt;
    }
    SqliteStatement select =
        m_db.prepare("SELECT IconFilePath, IconFileName FROM IconDownloading WHERE IconUrl=?1");
    select.bind(1, iconUrl);
    std::optional<ContinuationPlace> place;
    while (select.step()) {
        place = ContinuationPlace{select.text(0), select.text(1)};
    }
    return place;
}

void IconDownloadTable::finish(const std::string& iconUrl, const std::string& folder,
                               const std::string& fileName, std::uint64_t fileSize) {
    SqliteTransaction transaction(m_db);
    SqliteStatement owner =
        m_db.prepare("SELECT AppUrl, AppVer FROM IconDownloading WHERE IconUrl=?1");
    owner.bind(1, iconUrl);
    std::string appUrl;
    std::string appVer;
    while (owner.step()) {
        appUrl = owner.text(0);
        appVer = owner.text(1);
    }
    m_db.prepare("DELETE FROM IconDownloading WHERE IconUrl=?1").bind(1, iconUrl).run();
    m_db.prepare("INSERT INTO IconDownloaded VALUES(?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, appUrl)
        .bind(2, appVer)
        .bind(3, iconUrl)
        .bind(4, folder)
        .bind(5, fileName)
        .bind(6, std::to_string(fileSize))
        .run();
}

void IconDownloadTable::saveProgress(const std::string& iconUrl, const SavedDownload& saved) {
    SqliteTransaction transaction(m_db);
    m_db.prepare("UPDATE IconDownloading SET IconFilePath=?1, IconFileName=?2, "
                 "IconFileSize=?3, IconRecvSize=?4 WHERE IconUrl=?5")
        .bind(1, saved.folder)
        .bind(2, saved.fileName)
        .bind(3, std::to_string(saved.fileSize))
        .bind(4, std::to_string(saved.received))
        .bind(5, iconUrl)
        .run();
}

std::optional<std::string> IconDownloadTable::pendingIconUrl(const std::string& appUrl,
                                                             const std::string& appVer) {
    SqliteTransaction transaction(m_db);
    SqliteStatement select =
        m_db.prepare("SELECT IconUrl FROM IconDownloading WHERE AppUrl=?1 AND AppVer=?2");
    select.bind(1, appUrl).bind(2, appVer);
    std::optional<std::string> iconUrl;
    while (select.step()) {
        iconUrl = select.text(0);
    }
    return iconUrl;
}

void IconDownloadTable::forget(const std::string& iconUrl) {
    SqliteTransaction transaction(m_db);
    m_db.prepare("DELETE FROM IconDownloading WHERE IconUrl=?1").bind(1, iconUrl).run();
}
