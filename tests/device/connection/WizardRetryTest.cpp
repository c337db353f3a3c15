// The wizard's search against phonesim behind the real adb client. phonesim stays up on
// kill-server, so the adb server restart reaches it and no real adb server is started.
#include "device/connection/WizardRetry.h"

#include "ConnectionTestSupport.h"

#include "device/bridge/AdbCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

using namespace testsupport;

namespace {

class WizardRetryTest : public ::testing::Test {
protected:
    void startSim(const std::vector<std::string>& phones) {
        m_sim = std::make_unique<PhoneSimProcess>(phones,
                                                  std::vector<std::string>{"--keep-alive-on-kill"});
        ASSERT_TRUE(m_sim->started());
        m_port =
            std::make_unique<ScopedEnv>("ANDROID_ADB_SERVER_PORT", std::to_string(m_sim->port()));
    }
    void TearDown() override {
        m_retry.stop();
        EXPECT_EQ(m_links.callsAfterStop(), 0);
        m_sim.reset();
    }
    // The listing and kill requests, with times.
    std::vector<HostRequest> adbSteps() const {
        std::vector<HostRequest> steps;
        for (const auto& request : HostRequests(*m_sim)) {
            if (request.text == "host:devices" || request.text == "host:kill") {
                steps.push_back(request);
            }
        }
        return steps;
    }

    TestProgramFolder m_folder;
    ScopedFollowedPhone m_followed{true}; // a phone adb has not named yet
    std::unique_ptr<PhoneSimProcess> m_sim;
    std::unique_ptr<ScopedEnv> m_port;
    RecordingLinks m_links;
    WizardRetry m_retry{m_links, m_links};
};

} // namespace

TEST_F(WizardRetryTest, NoPhoneRestartsAdbOnceThenMovesOnToTheDriver) {
    startSim({R"({"serial": "PSIM1", "state": "offline"})"});
    m_retry.start();
    ASSERT_TRUE(m_links.waitFor("wizard-driver", 1, 30s));
    EXPECT_EQ(m_links.lines(),
              (std::vector<std::string>{"wizard-stop-animation", "wizard-driver"}));
    std::vector<HostRequest> steps = adbSteps();
    std::vector<std::string> texts;
    for (const auto& step : steps) {
        texts.push_back(step.text);
    }
    // devices; the restart: kill-server, start-server, devices; one second; devices
    ASSERT_EQ(texts, (std::vector<std::string>{"host:devices", "host:kill", "host:devices",
                                               "host:devices"}));
    EXPECT_GE(steps[3].time - steps[2].time, 0.95);
}

// The page hears that its phone is online before the wizard ends, or it would fall back to
// the state it had before the wizard ("not connected").
TEST_F(WizardRetryTest, PhoneOnlineEndsTheWizardWithoutRestart) {
    startSim({R"({"serial": "PSIM1"})"});
    m_retry.start();
    ASSERT_TRUE(m_links.waitFor("state 0 0"));
    EXPECT_EQ(m_links.lines(),
              (std::vector<std::string>{"wizard-stop-animation", "state 3 0", "state 0 0"}));
    EXPECT_EQ(adbSteps().size(), 1u);
}

TEST_F(WizardRetryTest, AnotherPhoneOnlineDoesNotEndTheWizard) {
    ScopedFollowedPhone followed(true, "PSIM1");
    startSim({R"({"serial": "PSIM1", "state": "unauthorized"})", R"({"serial": "PSIM2"})"});
    m_retry.setPauseForTesting(100ms);
    m_retry.start();
    ASSERT_TRUE(m_links.waitFor("wizard-driver", 1, 30s));
    EXPECT_EQ(m_links.lines(),
              (std::vector<std::string>{"wizard-stop-animation", "wizard-driver"}));
}

TEST_F(WizardRetryTest, StopDuringTheSecondLookIsPromptAndSilent) {
    startSim({});
    m_retry.setPauseForTesting(2s);
    m_retry.start();
    // Wait for the restart to be done: the pause before the second look has begun.
    for (int i = 0; i < 100 && adbSteps().size() < 3; ++i) {
        std::this_thread::sleep_for(50ms);
    }
    ASSERT_EQ(adbSteps().size(), 3u);
    const auto begin = std::chrono::steady_clock::now();
    m_retry.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 500ms);
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(m_links.lines().empty());
    EXPECT_EQ(adbSteps().size(), 3u);
}

// When adb reports that its server could not start, the restart stops the adb server on the
// program's port, and only that one: a process of the same name elsewhere stays.
TEST_F(WizardRetryTest, FailedServerStartStopsOnlyTheServerOnTheProgramsPort) {
    std::filesystem::remove(m_folder.file("bin/Korvash/adb"));
    WriteFile(m_folder.file("bin/Korvash/adb"),
              "#!/bin/sh\n[ \"$1\" = devices ] && echo '* failed to start daemon'\nexit 0\n", true);
    const int port = AdbStandIn::FreePort();
    ASSERT_GT(port, 0);
    ScopedEnv serverPort("ANDROID_ADB_SERVER_PORT", std::to_string(port));
    AdbStandIn server(port);
    AdbStandIn other;
    SetAdbProcessNameForTesting(server.name());
    m_retry.start();
    ASSERT_TRUE(m_links.waitFor("wizard-driver", 1, 30s));
    EXPECT_TRUE(server.waitKilled(3s));
    EXPECT_FALSE(other.waitKilled(300ms));
}
