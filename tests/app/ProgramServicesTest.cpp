// The program's services object, built with the program's real parts, wired to the download
// manager: the install queue's phone check is the device connection's followed phone.
#include "DownloadPagesFixture.h"

#include "app/ProgramServices.h"
#include "device/bridge/AdbCommands.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "ui/toolkit/KivMessages.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/cKivDownList.h"
#include "ui/toolkit/cKivDownListCell.h"

#include <QtTest>

#include <filesystem>

using namespace std::chrono_literals;
using pagetest::PagesFixture;

class ProgramServicesTest : public QObject {
    Q_OBJECT
private slots:
    void theInstallQueueSeesNoPhoneUntilOneIsFollowed() {
        PagesFixture f;
        f.startPhone();
        QVERIFY(f.phoneControl("unplug PSIM0001"));
        // The monitor's first start ends adb processes by name: no process has this one.
        SetAdbProcessNameForTesting("penlow-test-no-such-adb");
        const char* built = std::getenv("PENLOW_PROGRAM_DIR");
        const std::string knownPhones = f.programFolder() + "/data/arginfo.dat";
        std::filesystem::create_directories(f.programFolder() + "/data");
        std::filesystem::copy_file(std::string(built ? built : ".") + "/data/arginfo.dat",
                                   knownPhones, std::filesystem::copy_options::skip_existing);

        ProgramServices::Parts parts = ProgramServices::RealParts();
        parts.connection.settings = DeviceMonitorSettings{f.phoneSysfsRoot(), knownPhones};
        parts.connection.usbPeriod = 100ms;
        parts.connection.adbPeriod = 150ms;
        ProgramServices services(std::move(parts));
        services.phone().startMonitor();
        f.openManager(services.installServices());

        auto entry = std::make_unique<cKivDownloadInfo>();
        std::filesystem::create_directories(f.apkFolder());
        entry->Url = "http://example.invalid/com.nophone";
        entry->Name = "nophone";
        entry->PackageName = "com.nophone";
        entry->path = f.apkFolder() + "/nophone.apk";
        testsupport::WriteFile(entry->path, "package bytes");
        entry->fileSize = 13;
        entry->ValidType = "MD5";
        entry->ValidValue = testsupport::Md5Hex("package bytes");
        PostKivMessageWith(f.manager()->downloadedPage()->handle(), kMsgAddFinished, 0,
                           std::move(entry));
        // No phone followed: the row says so at once, and nothing is installed.
        QTRY_COMPARE_WITH_TIMEOUT(f.statuses.size(), std::size_t(2), 10000);
        QCOMPARE(f.statuses.front(), std::make_pair(std::string("com.nophone"), 3));
        QVERIFY(f.pmInstalls().empty());
        cKivDownList* list = f.downloaded();
        QTRY_COMPARE(list->rowCount(), 1);

        // Plugged and followed: the same check now sees the phone.
        KivInstallServices install = services.installServices();
        QVERIFY(!install.phoneAttached());
        QVERIFY(f.phoneControl("plug PSIM0001"));
        QTRY_VERIFY_WITH_TIMEOUT(install.phoneAttached(), 15000);
        services.phone().stopMonitor();
    }
};

QTEST_MAIN(ProgramServicesTest)
#include "ProgramServicesTest.moc"
