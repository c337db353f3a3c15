// The sqlite3 connection and transaction wrappers.
#include "SqliteConnection.h"

#include <sqlite3.h>

namespace {

int OpenFlags(const SqliteOpenOptions& options) {
    int flags = 0;
    switch (options.access) {
    case SqliteOpenOptions::Access::ReadWriteCreate:
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case SqliteOpenOptions::Access::ReadWrite:
        flags = SQLITE_OPEN_READWRITE;
        break;
    case SqliteOpenOptions::Access::ReadOnly:
        flags = SQLITE_OPEN_READONLY;
        break;
    }
    // The full-mutex mode keeps the library itself safe when callers on several threads
    // forget the operation lock.
    return flags | (options.fullMutex ? SQLITE_OPEN_FULLMUTEX : SQLITE_OPEN_NOMUTEX);
}

} // namespace

SqliteConnection::~SqliteConnection() {
    close();
}

int SqliteConnection::open(const std::string& path, const SqliteOpenOptions& options) {
    close();
    std::lock_guard lock(m_mutex);
    int rc = sqlite3_open_v2(path.c_str(), &m_db, OpenFlags(options), nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_busy_timeout(m_db, options.busyTimeoutMs);
    }
    if (rc != SQLITE_OK) {
        // sqlite3_open_v2 hands out a handle even when it fails; it must still be closed.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    return rc;
}

void SqliteConnection::close() {
    std::lock_guard lock(m_mutex);
    if (m_db != nullptr) {
        // close_v2 cannot fail on a valid handle: statements still alive only delay the close
        // until they are finalised, so there is no result to act on.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int SqliteConnection::exec(std::string_view sql) {
    SqliteStatement statement(m_db, sql);
    if (!statement.ok()) {
        return m_db == nullptr ? SQLITE_MISUSE : sqlite3_errcode(m_db);
    }
    statement.run();
    return statement.result() == SQLITE_DONE ? SQLITE_OK : statement.result();
}

SqliteTransaction::SqliteTransaction(SqliteConnection& connection)
    : m_connection(connection), m_lock(connection.mutex()),
      m_outermost(connection.m_transactionDepth++ == 0) {
    if (m_outermost) {
        m_begun = connection.exec("BEGIN TRANSACTION") == SQLITE_OK;
    }
}

SqliteTransaction::~SqliteTransaction() {
    --m_connection.m_transactionDepth;
    if (m_begun && m_connection.exec("COMMIT TRANSACTION") != SQLITE_OK) {
        // A commit that failed (the file still busy after the time-out) leaves the transaction
        // open, and every later one would join it without ever committing while it kept the
        // file locked for other programs. Its rows are lost either way; rolling back frees the
        // file. Nothing is left to do should the rollback fail too.
        m_connection.exec("ROLLBACK TRANSACTION");
    }
}
