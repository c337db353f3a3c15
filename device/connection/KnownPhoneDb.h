// data/arginfo.dat: the SQLite table MobileInfo(pid, vid) of USB pairs known to be phones,
// delivered with the program and grown by every pair the web service confirms.
#pragma once

#include "platform/SqliteConnection.h"

#include <string>

class KnownPhoneDb {
public:
    KnownPhoneDb() = default;
    ~KnownPhoneDb();
    KnownPhoneDb(const KnownPhoneDb&) = delete;
    KnownPhoneDb& operator=(const KnownPhoneDb&) = delete;

    /// data/arginfo.dat of the program folder.
    static std::string DefaultPath();

    /// Opens an existing file for reading and writing (read-only when it cannot be written).
    /// A missing file is not created. False when nothing could be opened.
    [[nodiscard]] bool open(const std::string& path);

    /// Creates the file and the table when they are missing (the build's generator).
    [[nodiscard]] bool create(const std::string& path);

    bool isOpen() const { return m_connection.isOpen(); }

    /// True when MobileInfo holds the pair (vid and pid compared exactly). False when it does
    /// not, or when the file is not open or has no readable table.
    bool contains(const std::string& vid, const std::string& pid) const;

    /// Adds the row (pid, vid). False when it could not be added (not open, read-only, or
    /// already present).
    [[nodiscard]] bool insert(const std::string& pid, const std::string& vid);

    void close();

private:
    SqliteConnection m_connection;
};
