// Partial files a killed process left behind: those of the same URL and the cut-short
// reservations of its name go, everything that belongs to something else stays.
#include "PartialFile.h"
#include "StrayPartials.h"
#include "TempFileNames.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace engine;
using testsupport::TempDir;

namespace {

constexpr const char* kUrl = "http://h/f1.apk";

class StrayPartials : public ::testing::Test {
protected:
    // A partial download of `url` (none: no meta file) holding `bytes`.
    void Partial(const std::string& name, const char* url, const std::string& bytes = "") {
        testsupport::WriteFile(TempPathOf(m_folder + name), bytes);
        if (url != nullptr) {
            ASSERT_TRUE(PartialFile(m_folder, name).writeResumeInfo({url, 0, {}}));
        }
    }
    bool Exists(const std::string& path) const { return std::filesystem::exists(m_folder + path); }

    TempDir m_dir;
    std::string m_folder = m_dir.path() + "/";
};

TEST_F(StrayPartials, RemovesOnlyWhatNoOneOwns) {
    Partial("f1(1).apk", kUrl, "data");
    Partial("f1(2).apk", kUrl);
    Partial("f1(3).apk", nullptr);              // reservation cut short before its meta file
    Partial("f1(4).apk", nullptr, "data");      // not empty: not a reservation
    Partial("f1(5).apk", kUrl, "kept");         // continued by a task
    Partial("other.apk", "http://h/other.apk"); // another URL
    Partial("x(1).apk", nullptr);               // another name
    testsupport::WriteFile(MetaPathOf(m_folder + "f1(6).apk"), "url=http://h/f1.apk\nsize=0\n");
    testsupport::WriteFile(m_folder + "f1.apk", "a finished file of the name");

    const int removed = RemoveStrayPartials(m_folder, kUrl, "f1.apk", [&](const std::string& p) {
        return p == m_folder + "f1(5).apk";
    });

    EXPECT_EQ(removed, 4);
    for (const char* gone : {"f1(1).apk", "f1(2).apk", "f1(3).apk", "f1(6).apk"}) {
        EXPECT_FALSE(Exists(std::string(gone) + ".pdltmp")) << gone;
        EXPECT_FALSE(Exists(std::string(gone) + ".pdltmp.meta")) << gone;
    }
    for (const char* kept : {"f1(4).apk.pdltmp", "f1(5).apk.pdltmp", "f1(5).apk.pdltmp.meta",
                             "other.apk.pdltmp", "x(1).apk.pdltmp", "f1.apk"}) {
        EXPECT_TRUE(Exists(kept)) << kept;
    }
}

TEST_F(StrayPartials, AMissingFolderIsNothingToDo) {
    EXPECT_EQ(RemoveStrayPartials(m_folder + "absent/", kUrl, "f1.apk",
                                  [](const std::string&) { return false; }),
              0);
}

} // namespace
