// ScreenInfoDb: the per-model shell records in <program folder>/image/scrinfo (SQLite, table
// MobileInfo). The table text is kept exactly as files of earlier runs have it; every value
// goes into the statements bound, never as SQL text.
#pragma once

#include "ShellInfo.h"

#include "platform/SqliteConnection.h"

#include <string>

class ScreenInfoDb {
public:
    /// The statement the table is created with (tabs included), as older files hold it.
    static const char* const kCreateTable;

    /// Opens (creating when missing) the database file at `path`. Check isOpen().
    explicit ScreenInfoDb(const std::string& path);
    ~ScreenInfoDb();
    ScreenInfoDb(const ScreenInfoDb&) = delete;
    ScreenInfoDb& operator=(const ScreenInfoDb&) = delete;

    bool isOpen() const { return m_connection.isOpen(); }

    /// Fills `info` from the row of its pid, vid, device and model and sets `found`. False
    /// (info untouched) when there is no such row, no table, or on an SQL error.
    [[nodiscard]] bool lookup(ShellInfo& info);

    /// Creates the table when missing, then updates the row of the record's pid, vid, device
    /// and model, or inserts one. False on an SQL error (nothing stored then).
    [[nodiscard]] bool store(const ShellInfo& info);

private:
    bool tableExists();
    bool exec(const char* sql);
    bool findRow(const ShellInfo& key, ShellInfo* row);
    bool update(const ShellInfo& info);
    bool insert(const ShellInfo& info);

    SqliteConnection m_connection;
};
