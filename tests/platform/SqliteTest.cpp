// The SQLite wrapper on real files: bound values come back as typed, a statement that could
// not be prepared or bound runs nothing, nested transactions join the outer one, a failed
// commit does not leave the connection stuck, and the open modes keep their promises.
#include "platform/SqliteConnection.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using testsupport::TempDir;

namespace {

class Sqlite : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_db.open(m_path), SQLITE_OK);
        ASSERT_EQ(m_db.exec("CREATE TABLE t(v TEXT PRIMARY KEY NOT NULL)"), SQLITE_OK);
    }

    bool Insert(SqliteConnection& db, const std::string& value) {
        return db.prepare("INSERT INTO t VALUES(?1)").bind(1, value).run();
    }

    // What a second connection to the file sees: only what has been committed.
    std::vector<std::string> Committed() {
        SqliteConnection other;
        EXPECT_EQ(other.open(m_path), SQLITE_OK);
        SqliteStatement select = other.prepare("SELECT v FROM t ORDER BY v");
        std::vector<std::string> values;
        while (select.step()) {
            values.push_back(select.text(0));
        }
        EXPECT_EQ(select.result(), SQLITE_DONE);
        return values;
    }

    TempDir m_dir;
    std::string m_path = m_dir.file("test.db");
    SqliteConnection m_db;
};

TEST_F(Sqlite, BoundTextIsStoredAsTypedAndFoundByItself) {
    const std::vector<std::string> values = {"it's", "\"quoted\"", "x'); DROP TABLE t; --",
                                             "游戏 Ünïcode", "a%sb%%c?"};
    for (const std::string& value : values) {
        ASSERT_TRUE(Insert(m_db, value)) << value;
    }
    for (const std::string& value : values) {
        SqliteStatement select =
            m_db.prepare("SELECT v, typeof(v), length(CAST(v AS BLOB)) FROM t WHERE v = ?1");
        ASSERT_TRUE(select.bind(1, value).step()) << value;
        EXPECT_EQ(select.text(0), value);
        EXPECT_EQ(select.text(1), "text");
        EXPECT_EQ(select.integer(2), static_cast<std::int64_t>(value.size()));
        EXPECT_FALSE(select.step()); // exactly one row each
    }
    SqliteStatement number = m_db.prepare("SELECT ?1 + 1, typeof(?1)");
    ASSERT_TRUE(number.bind(1, std::int64_t{1} << 40).step());
    EXPECT_EQ(number.integer(0), (std::int64_t{1} << 40) + 1);
    EXPECT_EQ(number.text(1), "integer");
}

TEST_F(Sqlite, StatementThatCouldNotBePreparedOrBoundRunsNothing) {
    SqliteStatement broken = m_db.prepare("SELEKT v FROM t");
    EXPECT_FALSE(broken.ok());
    broken.bind(1, "x").bind(2, std::int64_t{3}); // ignored, no crash
    EXPECT_FALSE(broken.step());
    EXPECT_NE(broken.result(), SQLITE_DONE);
    EXPECT_FALSE(broken.run());
    EXPECT_EQ(broken.columnCount(), 0);
    EXPECT_EQ(broken.text(0), "");

    // A value bound past the statement's parameters must not let it run with the rest NULL
    // or unbound.
    SqliteStatement insert = m_db.prepare("INSERT INTO t VALUES(?1)");
    ASSERT_TRUE(insert.ok());
    EXPECT_FALSE(insert.bind(1, "kept out").bind(2, "one too many").run());
    EXPECT_TRUE(Committed().empty());

    SqliteConnection closed;
    EXPECT_FALSE(closed.prepare("SELECT 1").ok());
    EXPECT_EQ(closed.exec("CREATE TABLE u(x)"), SQLITE_MISUSE);
}

TEST_F(Sqlite, NestedTransactionJoinsTheOuterOneAndAFailureInsideLosesNothing) {
    {
        SqliteTransaction outer(m_db);
        EXPECT_TRUE(Insert(m_db, "a"));
        {
            SqliteTransaction inner(m_db);
            EXPECT_TRUE(Insert(m_db, "b"));
            EXPECT_FALSE(Insert(m_db, "a")); // the key is taken: this statement alone fails
            EXPECT_FALSE(m_db.prepare("INSERT INTO t VALUES(NULL)").run());
        }
        // The inner one ended without committing: nothing is in the file yet.
        EXPECT_TRUE(Committed().empty());
        EXPECT_TRUE(Insert(m_db, "c"));
    }
    EXPECT_EQ(Committed(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(Sqlite, FailedCommitDoesNotLeaveTheNextTransactionsUncommitted) {
    SqliteConnection writer;
    SqliteOpenOptions options;
    options.busyTimeoutMs = 50;
    ASSERT_EQ(writer.open(m_path, options), SQLITE_OK);
    ASSERT_TRUE(Insert(writer, "before"));
    {
        // A reader in the middle of its rows keeps the writer from committing.
        SqliteStatement reading = m_db.prepare("SELECT v FROM t");
        ASSERT_TRUE(reading.step());
        SqliteTransaction blocked(writer);
        EXPECT_TRUE(Insert(writer, "lost"));
    }
    {
        SqliteTransaction next(writer);
        EXPECT_TRUE(Insert(writer, "after"));
    }
    EXPECT_EQ(Committed(), (std::vector<std::string>{"after", "before"}));
}

TEST(SqliteOpen, ReadWriteCreatesNothingAndReadOnlyRefusesWrites) {
    TempDir dir;
    const std::string path = dir.file("known.db");
    SqliteConnection db;
    SqliteOpenOptions options;
    options.access = SqliteOpenOptions::Access::ReadWrite;
    options.fullMutex = false;
    EXPECT_NE(db.open(path, options), SQLITE_OK);
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(std::filesystem::exists(path));

    ASSERT_EQ(db.open(path), SQLITE_OK);
    ASSERT_EQ(db.exec("CREATE TABLE t(v)"), SQLITE_OK);
    options.access = SqliteOpenOptions::Access::ReadOnly;
    ASSERT_EQ(db.open(path, options), SQLITE_OK);
    SqliteStatement insert = db.prepare("INSERT INTO t VALUES(1)");
    EXPECT_FALSE(insert.run());
    EXPECT_EQ(insert.result(), SQLITE_READONLY);
    SqliteStatement count = db.prepare("SELECT count(*) FROM t");
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.integer(0), 0);
}

} // namespace
