// One SQLite database file, opened once and closed when the object goes. Each operation of the
// download databases runs its statements in one transaction while holding the connection's
// lock, so the threads sharing a connection never interleave their transactions.
#pragma once

#include "SqliteStatement.h"

#include <mutex>
#include <string>
#include <string_view>

struct sqlite3;

class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    /// Opens (creating when missing) the file at `path` (UTF-8). SQLite's result code.
    int open(const std::string& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    /// Runs a statement without values or rows (transactions, CREATE). SQLite's result code.
    int exec(std::string_view sql);
    SqliteStatement prepare(std::string_view sql) { return SqliteStatement(m_db, sql); }

    /// Held for the whole of one operation by any thread that uses the connection.
    std::recursive_mutex& mutex() { return m_mutex; }

private:
    friend class SqliteTransaction;

    sqlite3* m_db = nullptr;
    std::recursive_mutex m_mutex;
    int m_transactionDepth = 0; // guarded by m_mutex
};

/// "BEGIN TRANSACTION" on construction and "COMMIT TRANSACTION" on destruction, holding the
/// connection's lock in between. A statement that fails inside changes nothing and the rest
/// of the operation goes on. A transaction opened inside another joins it.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteConnection& connection);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

private:
    SqliteConnection& m_connection;
    std::lock_guard<std::recursive_mutex> m_lock;
    bool m_outermost;
    bool m_begun = false;
};
