// A prepared SQLite statement with bound values, finalised when it goes out of scope.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
public:
    /// Prepares `sql` (one statement, a literal of the program) on `db`; ok() tells whether it
    /// could be prepared.
    SqliteStatement(sqlite3* db, std::string_view sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool ok() const { return m_statement != nullptr; }
    /// Binds the parameter at `index` (1-based). Texts are copied by the library.
    SqliteStatement& bind(int index, std::string_view text);
    SqliteStatement& bind(int index, std::int64_t value);

    /// Advances to the next row: true while a row is there. False at the end or on an error
    /// (then result() is not SQLITE_DONE).
    bool step();
    /// Runs a statement that returns no rows; true when it succeeded.
    bool run();
    int result() const { return m_result; }

    /// Column `index` (0-based) of the current row as text; empty for NULL.
    std::string text(int index) const;
    std::int64_t integer(int index) const;
    bool isNull(int index) const;
    int columnCount() const;

private:
    sqlite3_stmt* m_statement = nullptr;
    int m_result;
    bool m_bindFailed = false;
};
