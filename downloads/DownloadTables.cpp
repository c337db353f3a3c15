// Schemas of DownData.db and DownAppInfo.db. The CREATE texts are kept exactly as the files
// have always stored them, down to the tabs in the two app tables.
#include "DownloadTables.h"

#include "platform/SqliteConnection.h"

#include <sqlite3.h>

namespace download_tables {

const TableDefinition kDownDataTables[2] = {
    {kDownloading,
     "CREATE TABLE Downloading(Url TEXT, FilePath TEXT, FileName TEXT, FileSize TEXT, "
     "RecvSize TEXT)"},
    {kDownloaded,
     "CREATE TABLE Downloaded(ID INT, Url TEXT, FilePath TEXT, FileName TEXT, FileSize TEXT, "
     "RecvSize TEXT)"},
};

const TableDefinition kDownAppInfoTables[4] = {
    {kIconDownloading,
     "CREATE TABLE IconDownloading(AppUrl TEXT, AppVer TEXT, IconUrl TEXT, IconFilePath TEXT, "
     "IconFileName TEXT, IconFileSize TEXT, IconRecvSize TEXT)"},
    {kIconDownloaded,
     "CREATE TABLE IconDownloaded(AppUrl TEXT, AppVer TEXT, IconUrl TEXT, IconFilePath TEXT, "
     "IconFileName TEXT, IconFileSize TEXT)"},
    {kAppDownloading,
     "CREATE TABLE AppDownloading(Url TEXT, Name TEXT, Type TEXT, Ver TEXT, FilePath TEXT, "
     "FileName TEXT, FileSize TEXT, RecvSize TEXT, \t\t\t\t\t\t  ValidType TEXT, "
     "ValidValue TEXT, PackageName TEXT)"},
    {kAppDownloaded,
     "CREATE TABLE AppDownloaded(ID INT, Url TEXT, Name TEXT, Type TEXT, Ver TEXT, FilePath "
     "TEXT, FileName TEXT, FileSize TEXT, \t\t\t\t\t\t  ValidType TEXT, ValidValue TEXT, "
     "PackageName TEXT)"},
};

} // namespace download_tables

namespace {

bool TableExists(SqliteConnection& db, std::string_view name) {
    SqliteStatement test =
        db.prepare("SELECT count(*) FROM sqlite_master WHERE type='table' AND name = ?1");
    test.bind(1, name);
    return test.step() && test.integer(0) > 0;
}

} // namespace

int EnsureTables(SqliteConnection& db, std::span<const TableDefinition> tables) {
    SqliteTransaction transaction(db);
    for (const TableDefinition& table : tables) {
        if (TableExists(db, table.name)) {
            continue;
        }
        int rc = db.exec(table.create);
        if (rc != SQLITE_OK) {
            return rc;
        }
    }
    return SQLITE_OK;
}
