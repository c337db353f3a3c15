// The connecting screen's poller against phonesim behind the real adb client.
#include "device/connection/ConnectionPoller.h"

#include "ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsupport;
using Clock = std::chrono::steady_clock;

namespace {

class ConnectionPollerTest : public ::testing::Test {
protected:
    void startSim(const std::vector<std::string>& phones) {
        m_sim = std::make_unique<PhoneSimProcess>(phones);
        ASSERT_TRUE(m_sim->started());
        m_port =
            std::make_unique<ScopedEnv>("ANDROID_ADB_SERVER_PORT", std::to_string(m_sim->port()));
    }
    void TearDown() override {
        m_poller.stop();
        EXPECT_EQ(m_links.callsAfterStop(), 0);
        m_sim.reset();
    }
    std::vector<double> listingTimes() const {
        std::vector<double> times;
        for (const auto& request : HostRequests(*m_sim)) {
            if (request.text == "host:devices") {
                times.push_back(request.time);
            }
        }
        return times;
    }

    TestProgramFolder m_folder;
    ScopedFollowedPhone m_followed{true}; // a phone adb has not named yet
    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<ScopedEnv> m_port;
    RecordingLinks m_links;
    ConnectionPoller m_poller{m_links};
};

} // namespace

TEST_F(ConnectionPollerTest, NoPhoneGivesThreeListingsTwoSecondsApartThenTheFallback) {
    startSim({});
    m_poller.start(PageState::NotConnected);
    ASSERT_TRUE(m_links.waitFor("state 2 0", 1, 30s));
    EXPECT_EQ(m_links.lines(), (std::vector<std::string>{"state 2 0"}));
    std::vector<double> times = listingTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_GE(times[1] - times[0], 1.9);
    EXPECT_GE(times[2] - times[1], 1.9);
}

TEST_F(ConnectionPollerTest, PhoneOnlineEndsAtOnceWithStateThree) {
    startSim({R"({"serial": "PSIM1"})"});
    m_poller.setPauseForTesting(100ms);
    m_poller.start(PageState::Error);
    ASSERT_TRUE(m_links.waitFor("state 3 0"));
    EXPECT_EQ(listingTimes().size(), 1u);
}

TEST_F(ConnectionPollerTest, OfflineOrUnauthorisedPhoneEndsInTheFallback) {
    startSim({R"({"serial": "PSIM1", "state": "offline"})",
              R"({"serial": "PSIM2", "state": "unauthorized"})"});
    m_poller.setPauseForTesting(100ms);
    m_poller.start(PageState::Error);
    ASSERT_TRUE(m_links.waitFor("state 5 0"));
    EXPECT_EQ(listingTimes().size(), 3u);
}

// Another phone online is not the followed one: the page must not show it as connected.
TEST_F(ConnectionPollerTest, OnlyTheFollowedPhoneCounts) {
    startSim({R"({"serial": "PSIM1", "state": "unauthorized"})", R"({"serial": "PSIM2"})"});
    m_poller.setPauseForTesting(100ms);
    {
        ScopedFollowedPhone followed(true, "PSIM1");
        m_poller.start(PageState::NotConnected);
        ASSERT_TRUE(m_links.waitFor("state 2 0"));
    }
    ScopedFollowedPhone none(false); // "refresh device" with no phone attached
    m_poller.start(PageState::Error);
    ASSERT_TRUE(m_links.waitFor("state 5 0"));
    EXPECT_EQ(m_links.lines(), (std::vector<std::string>{"state 2 0", "state 5 0"}));
}

TEST_F(ConnectionPollerTest, StopDuringThePauseIsPromptAndSilent) {
    startSim({R"({"serial": "PSIM1"})"});
    m_poller.setPauseForTesting(500ms);
    m_poller.start(PageState::NotConnected);
    std::this_thread::sleep_for(100ms);
    const auto begin = Clock::now();
    m_poller.stop();
    EXPECT_LT(Clock::now() - begin, 400ms);
    std::this_thread::sleep_for(800ms);
    EXPECT_TRUE(m_links.lines().empty());
    EXPECT_TRUE(listingTimes().empty());
}

TEST_F(ConnectionPollerTest, RestartReplacesTheRunningPoll) {
    startSim({});
    m_poller.setPauseForTesting(300ms);
    m_poller.start(PageState::NotConnected);
    m_poller.start(PageState::Error);
    ASSERT_TRUE(m_links.waitFor("state 5 0"));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(m_links.lines(), (std::vector<std::string>{"state 5 0"}));
}

// The page stops the poller while it draws the state the poller sent, on the poller's own
// thread when the call is direct.
TEST_F(ConnectionPollerTest, StopFromInsideThePageCall) {
    startSim({R"({"serial": "PSIM1"})"});
    m_poller.setPauseForTesting(50ms);
    m_links.onPageState = [this](int) { m_poller.stop(); };
    m_poller.start(PageState::NotConnected);
    ASSERT_TRUE(m_links.waitFor("state 3 0"));
    // The thread that stopped itself is joined by a stop from here; only then may the page
    // call be changed under it.
    m_poller.stop();
    m_links.onPageState = nullptr;
    m_poller.start(PageState::NotConnected); // still usable afterwards
    ASSERT_TRUE(m_links.waitFor("state 3 0", 2));
}
