// Package install end to end: the real adb client pushes a package file to a phonesim phone
// whose package manager answers as scripted.
#include "device/bridge/InstallPackage.h"

#include "PhoneQueryFixture.h"
#include "TempDir.h"

#include <chrono>
#include <future>
#include <thread>

using namespace phonetest;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

constexpr const char* kPackage = "com.penlow.demo";

class PackageInstall : public PhoneQueryTest {
protected:
    void SetUp() override {
        // A blank in the file name: the install command line must keep it one argument.
        m_file = m_dir.file("demo app.apk");
        testsupport::WriteFile(m_file, "PK\x03\x04 demo package");
    }

    void startWith(const std::string& installAnswers, const std::string& extra = "") {
        startPhones({R"({"serial": "PSIM0001", "pm": {"install": [)" + installAnswers + "]}" +
                     extra + "}"});
    }

    InstallResult install(const std::string& package = kPackage) {
        return InstallPackage(package, kSerial, m_file);
    }

    std::vector<std::string> pmCommands() const { return StartingWith(commands(), "$ pm "); }

    testsupport::TempDir m_dir;
    std::string m_file;
};

const char* const kPmInstall = "$ pm 'install' '-r' '/data/local/tmp/demo app.apk'";

} // namespace

TEST_F(PackageInstall, FirstAttemptSucceeds) {
    startWith(R"("success")");
    InstallResult result = install();
    EXPECT_EQ(result.code, InstallCode::Installed);
    EXPECT_FALSE(result.uninstalled); // the phone did not know the package
    EXPECT_THAT(result.output, HasSubstr("Success"));
    EXPECT_THAT(result.output, Not(HasSubstr("Failure")));
    EXPECT_THAT(pmCommands(), ElementsAre("$ pm setInstallLocation 2",
                                          "$ pm uninstall com.penlow.demo", kPmInstall));
    EXPECT_NE(dump().find("\"install_location\": 2"), std::string::npos);
    EXPECT_NE(dump().find("\"packages\": [\"demo app\"]"), std::string::npos);
}

TEST_F(PackageInstall, UninstallSuccessSetsTheFlag) {
    startWith(R"("success")", R"(, "packages": ["com.penlow.demo"])");
    InstallResult result = install();
    EXPECT_EQ(result.code, InstallCode::Installed);
    EXPECT_TRUE(result.uninstalled);
}

TEST_F(PackageInstall, InsufficientStorageIsRetriedOnce) {
    startWith(R"("insufficient_storage", "success")");
    InstallResult result = install();
    EXPECT_EQ(result.code, InstallCode::Installed);
    EXPECT_THAT(result.output, StartsWith("Performing Push Install"));
    std::size_t failure = result.output.find("Failure [INSTALL_FAILED_INSUFFICIENT_STORAGE]");
    ASSERT_NE(failure, std::string::npos);
    EXPECT_GT(result.output.find("Success"), failure);
    EXPECT_THAT(pmCommands(),
                ElementsAre("$ pm setInstallLocation 2", "$ pm uninstall com.penlow.demo",
                            kPmInstall, kPmInstall));
    EXPECT_NE(dump().find("\"install_location\": 2"), std::string::npos);
}

TEST_F(PackageInstall, ThreeFailuresEndingInNoSpaceGiveCodeOneAtLocationZero) {
    startWith(R"("insufficient_storage", "insufficient_storage", "no_space")");
    InstallResult result = install();
    EXPECT_EQ(result.code, InstallCode::NoStorage);
    // Both failed attempts and the final output are kept, in order.
    std::size_t first = result.output.find("INSUFFICIENT_STORAGE");
    std::size_t second = result.output.find("INSUFFICIENT_STORAGE", first + 1);
    std::size_t last = result.output.find("No space left on device");
    ASSERT_NE(second, std::string::npos);
    EXPECT_GT(last, second);
    // The third push fails before pm runs, so pm saw two installs.
    EXPECT_THAT(pmCommands(),
                ElementsAre("$ pm setInstallLocation 2", "$ pm uninstall com.penlow.demo",
                            kPmInstall, kPmInstall, "$ pm setInstallLocation 0"));
    EXPECT_NE(dump().find("\"install_location\": 0"), std::string::npos);
}

TEST_F(PackageInstall, OtherFailureFallsBackToAutomaticLocation) {
    startWith(R"("Failure [INSTALL_FAILED_OLDER_SDK]", "success")");
    InstallResult result = install();
    EXPECT_EQ(result.code, InstallCode::Installed);
    EXPECT_THAT(result.output, HasSubstr("INSTALL_FAILED_OLDER_SDK"));
    EXPECT_THAT(pmCommands(),
                ElementsAre("$ pm setInstallLocation 2", "$ pm uninstall com.penlow.demo",
                            kPmInstall, "$ pm setInstallLocation 0", kPmInstall));
}

TEST_F(PackageInstall, BadPackageIsCodeFour) {
    startWith(R"("Failure [INSTALL_PARSE_FAILED_NOT_APK]")");
    EXPECT_EQ(install().code, InstallCode::Failed);
}

TEST_F(PackageInstall, PhoneUnpluggedMidwayIsCodeThree) {
    // pm waits half a second before each answer, long enough to pull the cable during the
    // first install.
    startWith(R"("Failure [INSTALL_FAILED_INVALID_APK]")", R"(, "delays": {"pm": 0.5})");
    std::future<InstallResult> running =
        std::async(std::launch::async, [this] { return install(); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (CountContaining(commands(), kPmInstall) == 0 &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    control("unplug PSIM0001");
    InstallResult result = running.get();
    EXPECT_EQ(result.code, InstallCode::Unreachable);
    EXPECT_THAT(result.output, HasSubstr("not found"));
    EXPECT_EQ(CountContaining(commands(), kPmInstall), 1u);
}

TEST_F(PackageInstall, PackageNameTheShellWouldMisreadIsNotUninstalled) {
    startWith(R"("success")");
    InstallResult result = install("x; rm -r /sdcard");
    EXPECT_EQ(result.code, InstallCode::Installed);
    EXPECT_FALSE(result.uninstalled);
    EXPECT_EQ(CountContaining(commands(), "uninstall"), 0u);
    EXPECT_EQ(CountContaining(commands(), "rm -r"), 0u);
}

// Without a serial adb would take "shell" (or whatever follows) for one, or pick any phone.
TEST_F(PackageInstall, EmptySerialInstallsNothing) {
    startWith(R"("success")", R"(, "packages": ["com.penlow.demo"])");
    const InstallResult result = InstallPackage(kPackage, "", m_file);
    EXPECT_EQ(result.code, InstallCode::Unreachable);
    EXPECT_FALSE(result.uninstalled);
    EXPECT_THAT(pmCommands(), ElementsAre());
    EXPECT_NE(dump().find("\"packages\": [\"com.penlow.demo\"]"), std::string::npos);
}
