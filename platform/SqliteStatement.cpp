// Prepared statements over the sqlite3 C interface.
#include "SqliteStatement.h"

#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql) : m_result(SQLITE_ERROR) {
    if (db != nullptr && sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()),
                                            &m_statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(m_statement);
}

SqliteStatement& SqliteStatement::bind(int index, std::string_view text) {
    if (m_statement != nullptr && sqlite3_bind_text64(m_statement, index, text.data(), text.size(),
                                                      SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK) {
        m_bindFailed = true;
    }
    return *this;
}

SqliteStatement& SqliteStatement::bind(int index, std::int64_t value) {
    if (m_statement != nullptr &&
        sqlite3_bind_int64(m_statement, index, static_cast<sqlite3_int64>(value)) != SQLITE_OK) {
        m_bindFailed = true;
    }
    return *this;
}

bool SqliteStatement::step() {
    if (m_statement == nullptr || m_bindFailed) {
        m_result = SQLITE_MISUSE;
        return false;
    }
    m_result = sqlite3_step(m_statement);
    return m_result == SQLITE_ROW;
}

bool SqliteStatement::run() {
    while (step()) {
    }
    return m_result == SQLITE_DONE;
}

std::string SqliteStatement::text(int index) const {
    const unsigned char* value = sqlite3_column_text(m_statement, index);
    if (value == nullptr) {
        return {};
    }
    int length = sqlite3_column_bytes(m_statement, index);
    return std::string(reinterpret_cast<const char*>(value), static_cast<std::size_t>(length));
}

std::int64_t SqliteStatement::integer(int index) const {
    return sqlite3_column_int64(m_statement, index);
}

bool SqliteStatement::isNull(int index) const {
    return sqlite3_column_type(m_statement, index) == SQLITE_NULL;
}

int SqliteStatement::columnCount() const {
    return m_statement == nullptr ? 0 : sqlite3_column_count(m_statement);
}
