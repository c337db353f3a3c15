// The program's services object, built with the program's real parts, wired to the download
// manager: the install queue's phone check is the device connection's followed phone, and the
// store's requests ask the queue view the download manager shows its install queue in.
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

        ProgramServices::Collaborators parts = ProgramServices::RealCollaborators();
        parts.connection.settings = DeviceMonitorSettings{f.phoneSysfsRoot(), knownPhones};
        parts.connection.usbPeriod = 100ms;
        parts.connection.adbPeriod = 150ms;
        ProgramServices services(std::move(parts));
        services.phone().startMonitor();
        KivInstallQueue::SetResultPauseForTesting(std::chrono::milliseconds(3000));
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
        // No phone followed: the row says so at once, with its buttons off, and nothing is
        // installed.
        cKivDownList* shown = f.downloaded();
        QTRY_VERIFY_WITH_TIMEOUT(shown->rowCount() == 1 &&
                                     shown->cellAt(0)->statusText ==
                                         QStringLiteral("设备未连接，无法安装"),
                                 10000);
        QVERIFY(!shown->cellAt(0)->buttonUsable(0));
        f.manager()->selectTab(1);
        uitest::SaveScreenshot(f.manager(), QStringLiteral("downloads-no-phone"));
        QTRY_COMPARE_WITH_TIMEOUT(f.statuses.size(), std::size_t(2), 10000);
        QCOMPARE(f.statuses.front(), std::make_pair(std::string("com.nophone"), 3));
        QVERIFY(f.pmInstalls().empty());
        QCOMPARE(shown->rowCount(), 1);
        KivInstallQueue::SetResultPauseForTesting(std::chrono::milliseconds(100));

        // Plugged and followed: the same check now sees the phone.
        KivInstallServices install = services.installServices();
        QVERIFY(!install.phoneAttached());
        QVERIFY(f.phoneControl("plug PSIM0001"));
        QTRY_VERIFY_WITH_TIMEOUT(install.phoneAttached(), 15000);
        services.phone().stopMonitor();
    }

    void theStoreAsksTheQueueViewOfTheManagersInstallServices() {
        ProgramServices::Collaborators parts = ProgramServices::RealCollaborators();
        const InstallQueueView* asked = nullptr;
        parts.startDownload = [&asked](const ScriptRequest&, const InstallQueueView& queue) {
            asked = &queue;
            return 1;
        };
        ProgramServices services(std::move(parts));
        const StoreActions store = services.storeActions(KivWindowHandle());
        QCOMPARE(store.startDownload(ScriptRequest{}), 1);
        QVERIFY(asked != nullptr);
        QCOMPARE(asked, services.installServices().queueView.get());
    }
};

QTEST_MAIN(ProgramServicesTest)
#include "ProgramServicesTest.moc"
