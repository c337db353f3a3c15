// One SQLite database file, opened once and closed when the object goes. Each operation of the
// download databases runs its statements in one transaction while holding the connection's
// lock, so the threads sharing a connection never interleave their transactions.
#pragma once

#include "platform/SqliteStatement.h"

#include <mutex>
#include <string>
#include <string_view>

struct sqlite3;

/// How SqliteConnection::open opens a file. The defaults are what the download databases,
/// shared between threads, need.
struct SqliteOpenOptions {
    enum class Access {
        ReadWriteCreate, ///< the file is created when missing
        ReadWrite,       ///< a missing file is an error, not an empty database
        ReadOnly,
    };
    Access access = Access::ReadWriteCreate;
    /// False for a connection only one thread at a time uses: the library then skips its own
    /// per-connection lock.
    bool fullMutex = true;
    /// How long a statement waits for another connection's lock on the file before it fails
    /// with SQLITE_BUSY.
    int busyTimeoutMs = 5000;
};

class SqliteConnection {
public:
    SqliteConnection() = default;
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    /// Opens the file at `path` (UTF-8), closing any file opened before. SQLite's result code;
    /// on failure the connection is closed.
    int open(const std::string& path, const SqliteOpenOptions& options = {});
    void close();
    bool isOpen() const { return m_db != nullptr; }

    /// Runs a statement without values or rows (transactions, CREATE). SQLite's result code.
    int exec(std::string_view sql);
    /// Preparing leaves the connection itself as it was, so read-only users can hold it const.
    SqliteStatement prepare(std::string_view sql) const { return SqliteStatement(m_db, sql); }

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
