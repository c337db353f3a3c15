// The MobileInfo table through the platform SQLite wrapper, every value bound.
#include "ScreenInfoDb.h"

#include <sqlite3.h>

#include <cstdint>

const char* const ScreenInfoDb::kCreateTable =
    "CREATE TABLE MobileInfo(pid TEXT, vid TEXT ,Device TEXT,Model TEXT,name TEXT, shellpath "
    "TEXT , scrpath TEXT ,\t\t\t\t\t\t\t\t  Type INT,shellW INT ,shellH INT ,width INT ,Height "
    "INT ,x INT ,y INT ,Roate INT ,ShellID INT);";

namespace {

// A MobileInfo table of another shape than kCreateTable's holds no record this code can read.
constexpr int kColumnCount = 16;
// The first column of the numbers in kCreateTable (Type), after the four key and three text
// columns.
constexpr int kFirstNumberColumn = 7;

void BindKey(SqliteStatement& statement, int first, const ShellInfo& info) {
    statement.bind(first, info.pid)
        .bind(first + 1, info.vid)
        .bind(first + 2, info.device)
        .bind(first + 3, info.model);
}

// The twelve value columns after the key, in table order, from bind index `first`.
void BindValues(SqliteStatement& statement, int first, const ShellInfo& info) {
    statement.bind(first, info.name).bind(first + 1, info.shellPath).bind(first + 2, info.scrPath);
    const int numbers[] = {info.type, info.shellW, info.shellH, info.width,  info.height,
                           info.x,    info.y,      info.roate,  info.shellId};
    for (int i = 0; i < 9; ++i) {
        statement.bind(first + 3 + i, static_cast<std::int64_t>(numbers[i]));
    }
}

} // namespace

ScreenInfoDb::ScreenInfoDb(const std::string& path) {
    // Another program instance may be writing the file: wait up to two seconds for it.
    SqliteOpenOptions options;
    options.busyTimeoutMs = 2000;
    // A file that cannot be opened leaves the connection closed, which isOpen() reports.
    (void)m_connection.open(path, options);
}

ScreenInfoDb::~ScreenInfoDb() = default;

bool ScreenInfoDb::exec(const char* sql) {
    return m_connection.exec(sql) == SQLITE_OK;
}

bool ScreenInfoDb::tableExists() {
    SqliteStatement count =
        m_connection.prepare("SELECT count(*) FROM sqlite_master WHERE type='table' AND name = ?");
    count.bind(1, "MobileInfo");
    return count.step() && count.integer(0) > 0;
}

bool ScreenInfoDb::findRow(const ShellInfo& key, ShellInfo* row) {
    SqliteStatement select = m_connection.prepare(
        "SELECT * FROM MobileInfo WHERE pid=? AND vid=? AND Device=? AND Model=?;");
    BindKey(select, 1, key);
    if (!select.step() || select.columnCount() < kColumnCount) {
        return false;
    }
    if (row) {
        row->name = select.text(4);
        row->shellPath = select.text(5);
        row->scrPath = select.text(6);
        int* numbers[] = {&row->type, &row->shellW, &row->shellH, &row->width,  &row->height,
                          &row->x,    &row->y,      &row->roate,  &row->shellId};
        for (int i = 0; i < 9; ++i) {
            *numbers[i] = static_cast<int>(select.integer(kFirstNumberColumn + i));
        }
        row->found = true;
    }
    return true;
}

// The two operations open and end their transactions themselves rather than through
// SqliteTransaction: store() must leave nothing behind when a statement fails, and a
// SqliteTransaction commits what succeeded.
bool ScreenInfoDb::lookup(ShellInfo& info) {
    if (!isOpen() || !exec("BEGIN TRANSACTION;")) {
        return false;
    }
    ShellInfo row = info;
    const bool found = findRow(info, &row);
    // The transaction only read, so how it ends changes nothing in the file.
    exec("commit transaction;");
    if (found) {
        info = row;
    }
    return found;
}

bool ScreenInfoDb::update(const ShellInfo& info) {
    SqliteStatement statement =
        m_connection.prepare("UPDATE MobileInfo SET\tname =?,shellpath =?,scrpath =?,"
                             "\t\t\t\t\t\t\t Type =?,shellW =?,shellH =?,width =?,Height =?,"
                             "\t\t\t\t\t\t\t x =? ,y =? ,Roate =? ,ShellID =? WHERE pid =? AND "
                             "vid =?AND Device =?AND Model =?");
    BindValues(statement, 1, info);
    BindKey(statement, 13, info);
    return statement.run();
}

bool ScreenInfoDb::insert(const ShellInfo& info) {
    SqliteStatement statement =
        m_connection.prepare("INSERT INTO MobileInfo VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    BindKey(statement, 1, info);
    BindValues(statement, 5, info);
    return statement.run();
}

bool ScreenInfoDb::store(const ShellInfo& info) {
    if (!isOpen() || !exec("BEGIN TRANSACTION;")) {
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
        // Nothing more to do should the rollback fail: the connection rolls back on close.
        exec("ROLLBACK;");
        return false;
    }
    return exec("commit transaction;");
}
