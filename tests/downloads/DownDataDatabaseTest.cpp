// DownData.db on real SQLite files: schema, the continuing rules, IDs, quotes and the disk
// check of finished downloads.
#include "downloads/DownDataDatabase.h"

#include "SchemaReader.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

class DownDataDb : public ::testing::Test {
protected:
    void SetUp() override { Open(); }

    void Open() {
        m_db = std::make_unique<DownDataDatabase>();
        ASSERT_EQ(m_db->openFile(m_dir.file("DownData.db")), 0);
        ASSERT_EQ(m_db->createTables(), 0);
    }

    SavedDownload Saved(const std::string& name, std::uint64_t size, std::uint64_t received) {
        return SavedDownload{m_folder, name, size, received};
    }

    TempDir m_dir;
    std::string m_folder = m_dir.path() + "/dl/";
    std::unique_ptr<DownDataDatabase> m_db;
};

TEST_F(DownDataDb, FreshFileGetsBothTablesAndASecondOpenChangesNothing) {
    auto schema = ReadSchema(m_dir.file("DownData.db"));
    ASSERT_EQ(schema.size(), 2u);
    EXPECT_EQ(schema["Downloading"], "CREATE TABLE Downloading(Url TEXT, FilePath TEXT, FileName "
                                     "TEXT, FileSize TEXT, RecvSize TEXT)");
    EXPECT_EQ(schema["Downloaded"], "CREATE TABLE Downloaded(ID INT, Url TEXT, FilePath TEXT, "
                                    "FileName TEXT, FileSize TEXT, RecvSize TEXT)");
    m_db->registerDownload("http://h/a.zip", m_folder);
    m_db.reset();
    Open();
    EXPECT_EQ(ReadSchema(m_dir.file("DownData.db")), schema);
    EXPECT_EQ(m_db->listDownloading().size(), 1u);
}

TEST_F(DownDataDb, OnlyANamedDownloadWithASizeCanBeContinued) {
    const std::string url = "http://h/a.zip";
    m_db->registerDownload(url, m_folder);
    m_db->registerDownload(url, m_folder); // the second registration adds nothing
    ASSERT_EQ(m_db->listDownloading().size(), 1u);
    EXPECT_FALSE(m_db->findContinuable(url)); // no name yet, size "0"

    m_db->saveProgress(url, Saved("a.zip", 0, 0));
    EXPECT_FALSE(m_db->findContinuable(url));
    m_db->saveProgress(url, Saved("", 1024, 10));
    EXPECT_FALSE(m_db->findContinuable(url));
    m_db->saveProgress(url, Saved("a.zip", 1024, 10));
    EXPECT_EQ(m_db->findContinuable(url), m_folder + "a.zip");

    auto saved = m_db->readForContinuing(url);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->folder, m_folder);
    EXPECT_EQ(saved->fileName, "a.zip");
    EXPECT_EQ(saved->fileSize, 1024u);
    EXPECT_EQ(saved->received, 10u);

    m_db->saveProgress(url, Saved("a.zip", std::uint64_t{1} << 63, 10));
    EXPECT_FALSE(m_db->readForContinuing(url)); // an impossible size is not trusted

    m_db->forget(url);
    EXPECT_TRUE(m_db->listDownloading().empty());
}

TEST_F(DownDataDb, FinishedIdsStartAtZeroAndStayUniqueAfterDeletions) {
    std::vector<std::int64_t> ids;
    for (const char* name : {"a.zip", "b.zip", "c.zip"}) {
        WriteFile(m_folder + name, name);
        ids.push_back(m_db->finishDownload(std::string("http://h/") + name, Saved(name, 5, 5)));
    }
    EXPECT_EQ(ids, (std::vector<std::int64_t>{0, 1, 2}));
    std::remove((m_folder + "b.zip").c_str());
    EXPECT_FALSE(m_db->findFinished("http://h/b.zip", m_folder)); // row goes with the file
    // Two rows are left; their count would give 2 again, which row c already has.
    EXPECT_EQ(m_db->finishDownload("http://h/d.zip", Saved("d.zip", 5, 5)), 3);
    auto rows = m_db->listDownloaded();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].id, 0);
    EXPECT_EQ(rows[1].id, 2);
    EXPECT_EQ(rows[2].id, 3);
}

TEST_F(DownDataDb, FinishMovesTheRowAndFindFinishedChecksTheDisk) {
    const std::string url = "http://h/driver.zip";
    m_db->registerDownload(url, m_folder);
    WriteFile(m_folder + "driver.zip", "zip");
    m_db->finishDownload(url, Saved("driver.zip", 3, 3));
    EXPECT_TRUE(m_db->listDownloading().empty());
    EXPECT_EQ(m_db->findFinished(url, m_folder), m_folder + "driver.zip");
    EXPECT_FALSE(m_db->findFinished(url, m_dir.path() + "/other/")); // another folder
    EXPECT_EQ(m_db->listDownloaded().size(), 1u);

    std::remove((m_folder + "driver.zip").c_str());
    EXPECT_FALSE(m_db->findFinished(url, m_folder));
    EXPECT_TRUE(m_db->listDownloaded().empty());
}

TEST_F(DownDataDb, QuotesInValuesAreStoredAsTyped) {
    const std::string url = "http://h/it's'; DROP TABLE Downloaded; --.zip";
    const std::string folder = m_dir.path() + "/o'brien/";
    m_db->registerDownload(url, folder);
    m_db->saveProgress(url, SavedDownload{folder, "it's.zip", 9, 4});
    auto rows = m_db->listDownloading();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].url, url);
    EXPECT_EQ(rows[0].saved.folder, folder);
    EXPECT_EQ(rows[0].saved.fileName, "it's.zip");
    EXPECT_EQ(rows[0].saved.fileSize, 9u);
    m_db->finishDownload(url, SavedDownload{folder, "it's.zip", 9, 9});
    EXPECT_EQ(m_db->listDownloaded().at(0).url, url);
}

} // namespace
