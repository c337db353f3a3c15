// Test fixture for the phone queries: the real adb client in a program folder shared by the
// whole test process (the program folder is fixed once per process), talking to a phonesim
// started for each test on ephemeral ports.
#pragma once

#include "PhoneSimProcess.h"
#include "TestEnvironment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace phonetest {

inline constexpr const char* kSerial = "PSIM0001";

/// The program folder: "<temp>/Penlow Program" (a blank in the name on purpose) holding
/// bin/Korvash/adb (the real client) and a copy of the shipped bin/Korvash/busybox, whose
/// applets phonesim plays once it is pushed.
const std::string& ProgramFolder();

/// The busybox of the build's program folder.
std::string ShippedBusybox();

/// An empty folder beside it. Tests work there until their phonesim runs, so that a query
/// made without phonesim finds no adb at all (and never reaches a real adb server).
const std::string& NoAdbFolder();

class PhoneQueryTest : public ::testing::Test {
protected:
    /// Starts phonesim with these phone scripts (JSON texts; none for "no phone"), points the
    /// adb client at it and enters the program folder.
    void startPhones(const std::vector<std::string>& scripts,
                     const std::vector<std::string>& extraArgs = {});
    /// A control command; fails the test on "ERR".
    std::vector<std::string> control(const std::string& command);
    /// Shell commands the phone ran, in order ("$ ..." as the shell user, "# ..." as root).
    std::vector<std::string> commands(const std::string& serial = kSerial) const;
    /// Every recorded event as "kind<TAB>serial<TAB>text".
    std::vector<std::string> events() const;
    /// The phone's state and file listing (one JSON text).
    std::string dump(const std::string& serial = kSerial);
    void clearLog() { control("clear-log"); }

    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<testsupport::PhoneSimProcess> m_sim;
    std::unique_ptr<testsupport::ScopedEnv> m_port;
};

/// Commands of `all` that start with `prefix`.
std::vector<std::string> StartingWith(const std::vector<std::string>& all,
                                      const std::string& prefix);

/// Number of entries of `all` that contain `needle`.
std::size_t CountContaining(const std::vector<std::string>& all, const std::string& needle);

} // namespace phonetest
