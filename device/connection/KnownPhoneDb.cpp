// The known-phone table through the platform SQLite wrapper, every value bound.
#include "KnownPhoneDb.h"

#include "platform/config/AppPaths.h"

#include <sqlite3.h>

namespace {

constexpr const char* kSelectPair = "SELECT 1 FROM MobileInfo WHERE vid = ?1 AND pid = ?2 LIMIT 1";
constexpr const char* kInsertPair = "INSERT INTO MobileInfo VALUES(?1, ?2)";
constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS MobileInfo(pid TEXT NOT NULL, vid TEXT NOT NULL, "
    "PRIMARY KEY(pid, vid))";

SqliteOpenOptions OpenOptions(SqliteOpenOptions::Access access) {
    SqliteOpenOptions options;
    options.access = access;
    // A KnownPhoneDb is opened, used and closed within one call on one thread, so the
    // library's own lock would only cost.
    options.fullMutex = false;
    // Another process (penlow-cli, a second program instance) may hold the file briefly.
    options.busyTimeoutMs = 1000;
    return options;
}

} // namespace

KnownPhoneDb::~KnownPhoneDb() {
    close();
}

std::string KnownPhoneDb::DefaultPath() {
    std::string path;
    if (!BuildAppPath("arginfo.dat", "data", true, path)) {
        path.clear();
    }
    return path;
}

bool KnownPhoneDb::open(const std::string& path) {
    // A delivered file may sit where it cannot be written; it still answers contains().
    if (m_connection.open(path, OpenOptions(SqliteOpenOptions::Access::ReadWrite)) != SQLITE_OK) {
        m_connection.open(path, OpenOptions(SqliteOpenOptions::Access::ReadOnly));
    }
    return isOpen();
}

bool KnownPhoneDb::create(const std::string& path) {
    if (m_connection.open(path, OpenOptions(SqliteOpenOptions::Access::ReadWriteCreate)) !=
        SQLITE_OK) {
        return false;
    }
    return m_connection.prepare(kCreateTable).run();
}

bool KnownPhoneDb::contains(const std::string& vid, const std::string& pid) const {
    SqliteStatement statement = m_connection.prepare(kSelectPair);
    statement.bind(1, vid).bind(2, pid);
    // A statement that could not be prepared or bound (no file, no table) gives no row.
    return statement.step();
}

bool KnownPhoneDb::insert(const std::string& pid, const std::string& vid) {
    SqliteStatement statement = m_connection.prepare(kInsertPair);
    statement.bind(1, pid).bind(2, vid);
    return statement.run();
}

void KnownPhoneDb::close() {
    m_connection.close();
}
