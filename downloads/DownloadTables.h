// The tables of the two download databases and their creation when a file is opened.
#pragma once

#include <span>
#include <string_view>

class SqliteConnection;

struct TableDefinition {
    std::string_view name;
    std::string_view create; ///< the CREATE statement, stored by SQLite as the table's schema
};

namespace download_tables {

constexpr std::string_view kDownloading = "Downloading";
constexpr std::string_view kDownloaded = "Downloaded";
constexpr std::string_view kIconDownloading = "IconDownloading";
constexpr std::string_view kIconDownloaded = "IconDownloaded";
constexpr std::string_view kAppDownloading = "AppDownloading";
constexpr std::string_view kAppDownloaded = "AppDownloaded";

/// DownData.db, in creation order.
extern const TableDefinition kDownDataTables[2];
/// DownAppInfo.db, in creation order.
extern const TableDefinition kDownAppInfoTables[4];

} // namespace download_tables

/// In one transaction, creates each table of `tables` that the file does not have yet.
/// SQLite's result code of the first CREATE that failed, or SQLITE_OK (0).
int EnsureTables(SqliteConnection& db, std::span<const TableDefinition> tables);
