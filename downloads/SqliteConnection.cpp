// The sqlite3 connection and transaction wrappers.
#include "SqliteConnection.h"

#include <sqlite3.h>

SqliteConnection::~SqliteConnection() {
    close();
}

int SqliteConnection::open(const std::string& path) {
    close();
    // The full-mutex mode keeps the library itself safe when callers on several threads
    // forget the operation lock.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return rc;
    }
    sqlite3_busy_timeout(m_db, 5000);
    return SQLITE_OK;
}

void SqliteConnection::close() {
    std::lock_guard lock(m_mutex);
    if (m_db != nullptr) {
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
    if (m_begun) {
        m_connection.exec("COMMIT TRANSACTION");
    }
}
