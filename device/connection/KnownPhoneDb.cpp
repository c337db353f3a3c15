// The known-phone table through prepared statements with bound values.
#include "KnownPhoneDb.h"

#include "platform/config/AppPaths.h"

#include <memory>

#include <sqlite3.h>

namespace {

constexpr const char* kSelectPair = "SELECT 1 FROM MobileInfo WHERE vid = ?1 AND pid = ?2 LIMIT 1";
constexpr const char* kInsertPair = "INSERT INTO MobileInfo VALUES(?1, ?2)";
constexpr const char* kCreateTable =
    "CREATE TABLE IF NOT EXISTS MobileInfo(pid TEXT NOT NULL, vid TEXT NOT NULL, "
    "PRIMARY KEY(pid, vid))";

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return nullptr;
    }
    return Statement(statement);
}

bool bindTexts(sqlite3_stmt* statement, const std::string& first, const std::string& second) {
    return sqlite3_bind_text(statement, 1, first.data(), static_cast<int>(first.size()),
                             SQLITE_TRANSIENT) == SQLITE_OK &&
           sqlite3_bind_text(statement, 2, second.data(), static_cast<int>(second.size()),
                             SQLITE_TRANSIENT) == SQLITE_OK;
}

// Another thread (penlow-cli, a second program instance) may hold the file briefly.
constexpr int kBusyTimeoutMs = 1000;

sqlite3* openWith(const std::string& path, int flags) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
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
    close();
    m_db = openWith(path, SQLITE_OPEN_READWRITE);
    if (!m_db) {
        m_db = openWith(path, SQLITE_OPEN_READONLY);
    }
    return m_db != nullptr;
}

bool KnownPhoneDb::create(const std::string& path) {
    close();
    m_db = openWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (!m_db) {
        return false;
    }
    Statement statement = prepare(m_db, kCreateTable);
    return statement && sqlite3_step(statement.get()) == SQLITE_DONE;
}

bool KnownPhoneDb::contains(const std::string& vid, const std::string& pid) const {
    if (!m_db) {
        return false;
    }
    Statement statement = prepare(m_db, kSelectPair);
    if (!statement || !bindTexts(statement.get(), vid, pid)) {
        return false;
    }
    return sqlite3_step(statement.get()) == SQLITE_ROW;
}

bool KnownPhoneDb::insert(const std::string& pid, const std::string& vid) {
    if (!m_db) {
        return false;
    }
    Statement statement = prepare(m_db, kInsertPair);
    if (!statement || !bindTexts(statement.get(), pid, vid)) {
        return false;
    }
    return sqlite3_step(statement.get()) == SQLITE_DONE;
}

void KnownPhoneDb::close() {
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}
