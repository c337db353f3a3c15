#include "ScreenInfoDb.h"

#include <sqlite3.h>

#include <string_view>

const char* const ScreenInfoDb::kCreateTable =
    "CREATE TABLE MobileInfo(pid TEXT, vid TEXT ,Device TEXT,Model TEXT,name TEXT, shellpath "
    "TEXT , scrpath TEXT ,\t\t\t\t\t\t\t\t  Type INT,shellW INT ,shellH INT ,width INT ,Height "
    "INT ,x INT ,y INT ,Roate INT ,ShellID INT);";

namespace {

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
            m_statement = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return m_statement != nullptr && m_ok; }
    sqlite3_stmt* get() const { return m_statement; }

    void text(int index, std::string_view value) {
        m_ok = m_ok && m_statement &&
               sqlite3_bind_text(m_statement, index, value.data(), static_cast<int>(value.size()),
                                 SQLITE_TRANSIENT) == SQLITE_OK;
    }
    void number(int index, int value) {
        m_ok = m_ok && m_statement && sqlite3_bind_int(m_statement, index, value) == SQLITE_OK;
    }
    int step() { return ok() ? sqlite3_step(m_statement) : SQLITE_ERROR; }

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_ok = true;
};

std::string Column(sqlite3_stmt* statement, int index) {
    const unsigned char* text = sqlite3_column_text(statement, index);
    return text ? reinterpret_cast<const char*>(text) : std::string();
}

void BindKey(Statement& statement, int first, const ShellInfo& info) {
    statement.text(first, info.pid);
    statement.text(first + 1, info.vid);
    statement.text(first + 2, info.device);
    statement.text(first + 3, info.model);
}

// The twelve value columns after the key, in table order, from bind index `first`.
void BindValues(Statement& statement, int first, const ShellInfo& info) {
    statement.text(first, info.name);
    statement.text(first + 1, info.shellPath);
    statement.text(first + 2, info.scrPath);
    const int numbers[] = {info.type, info.shellW, info.shellH, info.width,  info.height,
                           info.x,    info.y,      info.roate,  info.shellId};
    for (int i = 0; i < 9; ++i) {
        statement.number(first + 3 + i, numbers[i]);
    }
}

} // namespace

ScreenInfoDb::ScreenInfoDb(const std::string& path) {
    if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_busy_timeout(m_db, 2000);
}

ScreenInfoDb::~ScreenInfoDb() {
    sqlite3_close(m_db);
}

bool ScreenInfoDb::exec(const char* sql) {
    return m_db && sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool ScreenInfoDb::tableExists() {
    Statement count(m_db, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name = ?");
    count.text(1, "MobileInfo");
    return count.step() == SQLITE_ROW && sqlite3_column_int(count.get(), 0) > 0;
}

bool ScreenInfoDb::findRow(const ShellInfo& key, ShellInfo* row) {
    Statement select(m_db,
                     "SELECT * FROM MobileInfo WHERE pid=? AND vid=? AND Device=? AND Model=?;");
    BindKey(select, 1, key);
    if (select.step() != SQLITE_ROW || sqlite3_column_count(select.get()) < 16) {
        return false;
    }
    if (row) {
        sqlite3_stmt* s = select.get();
        row->name = Column(s, 4);
        row->shellPath = Column(s, 5);
        row->scrPath = Column(s, 6);
        int* numbers[] = {&row->type, &row->shellW, &row->shellH, &row->width,  &row->height,
                          &row->x,    &row->y,      &row->roate,  &row->shellId};
        for (int i = 0; i < 9; ++i) {
            *numbers[i] = sqlite3_column_int(s, 7 + i);
        }
        row->found = true;
    }
    return true;
}

bool ScreenInfoDb::lookup(ShellInfo& info) {
    if (!m_db || !exec("BEGIN TRANSACTION;")) {
        return false;
    }
    ShellInfo row = info;
    const bool found = findRow(info, &row);
    exec("commit transaction;");
    if (found) {
        info = row;
    }
    return found;
}

bool ScreenInfoDb::update(const ShellInfo& info) {
    Statement statement(m_db, "UPDATE MobileInfo SET\tname =?,shellpath =?,scrpath =?,"
                              "\t\t\t\t\t\t\t Type =?,shellW =?,shellH =?,width =?,Height =?,"
                              "\t\t\t\t\t\t\t x =? ,y =? ,Roate =? ,ShellID =? WHERE pid =? AND "
                              "vid =?AND Device =?AND Model =?");
    BindValues(statement, 1, info);
    BindKey(statement, 13, info);
    return statement.step() == SQLITE_DONE;
}

bool ScreenInfoDb::insert(const ShellInfo& info) {
    Statement statement(m_db, "INSERT INTO MobileInfo VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    BindKey(statement, 1, info);
    BindValues(statement, 5, info);
    return statement.step() == SQLITE_DONE;
}

bool ScreenInfoDb::store(const ShellInfo& info) {
    if (!m_db || !exec("BEGIN TRANSACTION;")) {
        return false;
    }
    bool stored = true;
    if (!tableExists()) {
        stored = exec(kCreateTable);
    }
    if (stored) {
        stored = findRow(info, nullptr) ? update(info) : insert(info);
    }
    if (!stored) {
        exec("ROLLBACK;");
        return false;
    }
    return exec("commit transaction;");
}
