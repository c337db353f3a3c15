// DownAppInfo.db on real SQLite files: the app and icon rows through a download's life, the
// restore of both pages and the reconciliation with the disk.
#include "downloads/DownAppInfoDatabase.h"

#include "SchemaReader.h"

#include "platform/config/AppPaths.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

AppRequest App(const std::string& url, const std::string& name, const std::string& ver = "1.0") {
    return AppRequest{url, name, "游戏", ver, "MD5", "0123abcd", "com.example." + name};
}

class DownAppInfoDb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_db.openFile(m_dir.file("DownAppInfo.db")), 0);
        ASSERT_EQ(m_db.createTables(), 0);
    }

    /// A finished package (file on disk) of `app` named `fileName`; its ID.
    std::int64_t Finish(const AppRequest& app, const std::string& fileName,
                        const std::optional<std::string>& iconUrl = std::nullopt) {
        WriteFile(m_apk + fileName, "apk");
        return m_db.apps().finish(app, m_apk, fileName, 3, iconUrl);
    }

    TempDir m_dir;
    std::string m_apk = m_dir.path() + "/apk/";
    std::string m_picture = m_dir.path() + "/picture/";
    DownAppInfoDatabase m_db;
};

TEST_F(DownAppInfoDb, FreshFileGetsTheFourTablesWithTheirExactTexts) {
    auto schema = ReadSchema(m_dir.file("DownAppInfo.db"));
    ASSERT_EQ(schema.size(), 4u);
    EXPECT_EQ(schema["AppDownloading"],
              "CREATE TABLE AppDownloading(Url TEXT, Name TEXT, Type TEXT, Ver TEXT, FilePath "
              "TEXT, FileName TEXT, FileSize TEXT, RecvSize TEXT, \t\t\t\t\t\t  ValidType TEXT, "
              "ValidValue TEXT, PackageName TEXT)");
    EXPECT_EQ(schema["IconDownloaded"],
              "CREATE TABLE IconDownloaded(AppUrl TEXT, AppVer TEXT, IconUrl TEXT, IconFilePath "
              "TEXT, IconFileName TEXT, IconFileSize TEXT)");
    EXPECT_TRUE(schema.count("AppDownloaded") && schema.count("IconDownloading"));
    DownAppInfoDatabase again;
    ASSERT_EQ(again.openFile(m_dir.file("DownAppInfo.db")), 0);
    EXPECT_EQ(again.createTables(), 0);
    EXPECT_EQ(ReadSchema(m_dir.file("DownAppInfo.db")), schema);
}

TEST(DownAppInfoDbInProgramFolder, CreatesTheDataFolderAndTheFile) {
    TempDir program;
    OverrideModuleFolder(program.path());
    DownAppInfoDatabase db;
    ASSERT_EQ(db.openInProgramFolder(), 0);
    EXPECT_EQ(ReadSchema(program.file("data/DownAppInfo.db")).size(), 4u);
}

TEST_F(DownAppInfoDb, AnAppNameWithAQuoteIsStoredAsTyped) {
    AppRequest app = App("http://store/tom.apk", "Tom's \"Big\" Game");
    EXPECT_TRUE(m_db.apps().registerApp(app, m_dir.path()));
    EXPECT_FALSE(m_db.apps().registerApp(app, m_dir.path())); // once per URL
    UnfinishedApps restored = m_db.restoreUnfinished();
    ASSERT_EQ(restored.apps.size(), 1u);
    EXPECT_EQ(restored.apps[0].app.name, "Tom's \"Big\" Game");
    EXPECT_EQ(restored.apps[0].app.type, "游戏");
    EXPECT_EQ(restored.apps[0].saved.folder, m_dir.path());
    EXPECT_EQ(restored.apps[0].saved.fileSize, 0u);
}

TEST_F(DownAppInfoDb, UnfinishedAppBecomesContinuableWithItsFirstProgressSave) {
    AppRequest app = App("http://store/a.apk", "A");
    m_db.apps().registerApp(app, m_dir.path());
    EXPECT_TRUE(m_db.apps().hasUnfinished(app.url));
    EXPECT_FALSE(m_db.apps().findContinuable(app.url));
    EXPECT_FALSE(m_db.apps().saveProgress(app.url, {m_apk, "a.apk", 1024, 0}));
    EXPECT_TRUE(m_db.apps().saveProgress(app.url, {m_apk, "a.apk", 1024, 100}));
    EXPECT_EQ(m_db.apps().findContinuable(app.url), m_apk + "a.apk");
    auto place = m_db.apps().readContinuation(app.url);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->folder, m_apk);
    EXPECT_EQ(place->fileName, "a.apk");

    m_db.apps().resetProgress(app.url); // the engine lost its temporary file
    EXPECT_FALSE(m_db.apps().findContinuable(app.url));
    EXPECT_EQ(m_db.restoreUnfinished().apps.at(0).saved.fileName, "");
}

TEST_F(DownAppInfoDb, FinishingMovesTheAppWithUniqueIds) {
    AppRequest a = App("http://store/a.apk", "A");
    AppRequest b = App("http://store/b.apk", "B");
    m_db.apps().registerApp(a, m_dir.path());
    m_db.icons().registerIcon(a.url, a.ver, "http://store/a.png", m_picture);
    EXPECT_EQ(Finish(a, "A.apk", std::string("http://store/a.png")), 0);
    EXPECT_FALSE(m_db.apps().hasUnfinished(a.url));
    EXPECT_FALSE(m_db.icons().hasUnfinished("http://store/a.png"));
    EXPECT_EQ(Finish(b, "B.apk"), 1);
    EXPECT_EQ(m_db.apps().findFinished(a.url, m_apk), 0);
    EXPECT_EQ(m_db.apps().findFinished(b.url, m_apk), 1);
    EXPECT_FALSE(m_db.apps().findFinished(a.url, m_picture));

    m_db.deleteFinished(0, a.url, a.ver);
    EXPECT_EQ(Finish(a, "A(1).apk"), 2); // not 1, which B has
    FinishedApps finished = m_db.restoreFinished();
    ASSERT_EQ(finished.apps.size(), 2u);
    EXPECT_EQ(finished.apps[0].app.name, "B");
    EXPECT_EQ(finished.apps[1].path(), m_apk + "A(1).apk");
    EXPECT_EQ(finished.apps[1].app.packageName, "com.example.A");
    EXPECT_EQ(finished.apps[1].app.validValue, "0123abcd");
}

TEST_F(DownAppInfoDb, RestoreDropsFinishedAppsWhosePackageHasGoneAndTheirLastIcon) {
    AppRequest app = App("http://store/a.apk", "A");
    AppRequest other = App("http://store/o.apk", "O");
    Finish(app, "A.apk");
    Finish(app, "A(1).apk"); // the same URL and version again: they share the icon
    Finish(other, "O.apk");
    m_db.icons().registerIcon(app.url, app.ver, "http://store/a.png", m_picture);
    WriteFile(m_picture + "a.png", "png");
    m_db.icons().finish("http://store/a.png", m_picture, "a.png", 3);

    std::remove((m_apk + "A.apk").c_str());
    FinishedApps first = m_db.restoreFinished();
    ASSERT_EQ(first.removed.size(), 1u);
    EXPECT_EQ(first.removed[0].fileName, "A.apk");
    EXPECT_EQ(first.apps.size(), 2u);
    EXPECT_EQ(first.icons.size(), 1u); // still used by A(1).apk
    EXPECT_TRUE(Exists(m_picture + "a.png"));

    std::remove((m_apk + "A(1).apk").c_str());
    FinishedApps second = m_db.restoreFinished();
    EXPECT_EQ(second.removed.size(), 1u);
    ASSERT_EQ(second.apps.size(), 1u);
    EXPECT_EQ(second.apps[0].app.name, "O");
    EXPECT_TRUE(second.icons.empty());
    EXPECT_FALSE(Exists(m_picture + "a.png"));
}

TEST_F(DownAppInfoDb, DeletingAnUnfinishedAppNamesItsTemporaryPlaces) {
    AppRequest app = App("http://store/a.apk", "A");
    m_db.apps().registerApp(app, m_dir.path());
    m_db.apps().saveProgress(app.url, {m_apk, "a.apk", 1024, 100});
    m_db.icons().registerIcon(app.url, app.ver, "http://store/a.png", m_picture);
    m_db.icons().saveProgress("http://store/a.png", {m_picture, "a.png", 50, 5});
    EXPECT_EQ(m_db.icons().pendingIconUrl(app.url, app.ver), "http://store/a.png");

    DeletedAppDownload deleted = m_db.apps().deleteUnfinished(app.url, app.ver);
    EXPECT_EQ(deleted.packagePath, m_apk + "a.apk");
    EXPECT_EQ(deleted.iconPaths, std::vector<std::string>{m_picture + "a.png"});
    EXPECT_FALSE(m_db.apps().hasUnfinished(app.url));
    EXPECT_FALSE(m_db.icons().pendingIconUrl(app.url, app.ver));
}

TEST_F(DownAppInfoDb, IconRowsThroughTheirLife) {
    const std::string icon = "http://store/i.png";
    EXPECT_TRUE(m_db.icons().registerIcon("http://store/a.apk", "2.0", icon, m_picture));
    EXPECT_FALSE(m_db.icons().registerIcon("http://store/a.apk", "2.0", icon, m_picture));
    EXPECT_FALSE(m_db.icons().findContinuable(icon));
    m_db.icons().saveProgress(icon, {m_picture, "i.png", 2048, 100});
    auto place = m_db.icons().findContinuable(icon);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->fileName, "i.png");

    m_db.icons().finish(icon, m_picture, "i(1).png", 2048);
    EXPECT_FALSE(m_db.icons().hasUnfinished(icon));
    EXPECT_EQ(m_db.icons().find("http://store/a.apk", "2.0"), m_picture + "i(1).png");
    EXPECT_FALSE(m_db.icons().find("http://store/a.apk", "1.0"));
    auto restored = m_db.restoreUnfinished();
    ASSERT_EQ(restored.icons.size(), 1u);
    EXPECT_EQ(restored.icons[0].appUrl, "http://store/a.apk");
    EXPECT_EQ(restored.icons[0].fileSize, 2048u);
}

} // namespace
