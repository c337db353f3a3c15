// The known-phone filter against real arginfo.dat files and a recording web service.
#include "device/connection/KnownPhoneDb.h"
#include "device/connection/KnownPhoneFilter.h"

#include "ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace testsupport;

namespace {

class KnownPhoneFilterTest : public ::testing::Test {
protected:
    TestProgramFolder m_folder;
    RecordingWebServices m_web;
};

} // namespace

TEST_F(KnownPhoneFilterTest, AlwaysAcceptedMakersNeedNoLookup) {
    KnownPhoneFilter filter(m_folder.file("data/missing.dat"), m_web);
    EXPECT_EQ(filter.apply("04E8FFFF"
                           "0BB40C02"
                           "19D21351"),
              "04E8FFFF"
              "0BB40C02"
              "19D21351");
    EXPECT_TRUE(m_web.questions().empty());
    EXPECT_TRUE(m_web.reports().empty());
}

TEST_F(KnownPhoneFilterTest, PairsInTheShippedFileAreAcceptedFromIt) {
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("18D14EE2"), "18D14EE2");
    EXPECT_EQ(filter.apply("1004633E"), "1004633E");
    EXPECT_TRUE(m_web.questions().empty());
}

TEST_F(KnownPhoneFilterTest, FileHitsComeFirstOneRecordEach) {
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("04E86860"
                           "18D14EE2"
                           "12D11038"
                           "18D14EE7"),
              "18D14EE7"
              "18D14EE2"
              "04E86860"
              "12D11038");
}

TEST_F(KnownPhoneFilterTest, ConfirmedPairIsInsertedAndFoundOnTheNextRun) {
    m_web.phones = {"18D1ABCD"};
    {
        KnownPhoneFilter firstRun(m_folder.knownPhoneDb(), m_web);
        EXPECT_EQ(firstRun.apply("18D1ABCD"), "18D1ABCD");
    }
    EXPECT_EQ(m_web.questions(), (std::vector<std::string>{"18D1ABCD"}));
    KnownPhoneDb db;
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_TRUE(db.contains("18D1", "ABCD"));
    db.close();

    m_web.phones.clear(); // the service no longer knows it: the file answers
    KnownPhoneFilter nextRun(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(nextRun.apply("18D1ABCD"), "18D1ABCD");
    EXPECT_EQ(m_web.questions().size(), 1u);
}

TEST_F(KnownPhoneFilterTest, RejectedPairIsReportedOnceAndNeverAskedAgain) {
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    for (int pass = 0; pass < 5; ++pass) {
        EXPECT_EQ(filter.apply("18D10BAD"
                               "04E86860"),
                  "04E86860");
    }
    EXPECT_EQ(m_web.questions(), (std::vector<std::string>{"18D10BAD"}));
    EXPECT_EQ(m_web.reports(), (std::vector<std::string>{"1 18D10BAD"}));
    EXPECT_TRUE(filter.wasRejected("18D1", "0BAD"));
    KnownPhoneDb db;
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_FALSE(db.contains("18D1", "0BAD"));
}

TEST_F(KnownPhoneFilterTest, MissingFileSendsEveryOtherPairToTheServiceAndCreatesNothing) {
    const std::string missing = m_folder.file("data/none.dat");
    m_web.phones = {"18D14EE2"};
    KnownPhoneFilter filter(missing, m_web);
    EXPECT_EQ(filter.apply("18D14EE2"
                           "10046300"),
              "18D14EE2");
    EXPECT_EQ(m_web.questions(), (std::vector<std::string>{"18D14EE2", "10046300"}));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(KnownPhoneFilterTest, ValuesAreBoundNotSpliced) {
    KnownPhoneDb db;
    ASSERT_TRUE(db.open(m_folder.knownPhoneDb()));
    EXPECT_FALSE(db.contains("18D1' OR '1'='1", "x"));
    EXPECT_TRUE(db.insert("'); DROP TABLE MobileInfo; --", "18D1"));
    EXPECT_TRUE(db.contains("18D1", "'); DROP TABLE MobileInfo; --"));
    EXPECT_TRUE(db.contains("18D1", "4EE2"));
    EXPECT_FALSE(db.insert("4EE2", "18D1")); // already there
}

TEST_F(KnownPhoneFilterTest, StopRequestEndsTheFilterWithoutMarkingPairs) {
    std::stop_source source;
    source.request_stop();
    KnownPhoneFilter filter(m_folder.knownPhoneDb(), m_web);
    EXPECT_EQ(filter.apply("18D10BAD", source.get_token()), "");
    EXPECT_FALSE(filter.wasRejected("18D1", "0BAD"));
    EXPECT_TRUE(m_web.reports().empty());
}
