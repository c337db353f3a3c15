#include "SchemaReader.h"

#include <sqlite3.h>

std::map<std::string, std::string> ReadSchema(const std::string& path) {
    std::map<std::string, std::string> schema;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return schema;
    }
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table'", -1,
                       &statement, nullptr);
    while (statement != nullptr && sqlite3_step(statement) == SQLITE_ROW) {
        schema[reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))] =
            reinterpret_cast<const char*>(sqlite3_column_text(statement, 1));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return schema;
}
