// The connected screen's facts and picture over several passes of the phone worker, in the
// real main window against phonesim behind a real adb server: a fact the phone was too slow to
// give shows "未知" and is read on a later pass; a fact empty by nature stays blank and is not
// asked again; the live picture costs no getprop and one web-service question per connection.
#include "DevicePageTestSupport.h"

#include "app/shell/CKivOrviaDlg.h"
#include "pages/device/CKivSbxxDlg.h"
#include "pages/device/CKivSbxxSjxxDlg.h"
#include "pages/device/DeviceConnection.h"
#include "pages/device/ElidedLabel.h"
#include "pages/device/PhoneWorker.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivSkinTable.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

using devicetest::DeviceWorld;
using devicetest::ShownDevicePage;

namespace {

const char* kPhone = R"({"serial": "PSIM1", "plugged": false, "usb": {"vid": "19D2",
    "pid": "1351"}, "props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1",
    "ro.product.manufacturer": "Penlow", "ro.build.version.release": "13",
    "gsm.version.baseband": "MPSS.HI.4.3", "ro.bootloader": "P1-BL-0042"},
    "battery": {"value": "85"}})";

const QString kUnknown = QStringLiteral("未知");

} // namespace

class PhoneFactsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_shown = std::make_unique<ShownDevicePage>(std::vector<std::string>{kPhone},
                                                    devicetest::WithoutDownloadQueues);
        QVERIFY(m_shown->waitUntilWatching());
        m_world = &m_shown->world();
        m_page = m_shown->page();
    }
    void cleanupTestCase() { QVERIFY(m_shown->close()); }
    void cleanup() {
        m_world->sim().control("unplug PSIM1");
        QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kWelcome), 15000);
        m_world->sim().control(R"(set PSIM1 {"delays": {"getprop": 0}, "getprop_text": null})");
    }

    void slowGetpropShowsUnknownThenTheValue();
    void radioLessPhoneShowsABlankBasebandAndIsNotAskedAgain();
    void livePictureAsksGetpropAndTheWebServiceOncePerConnection();

private:
    void plugOnline() {
        m_world->sim().control("state PSIM1 device");
        m_world->sim().control("plug PSIM1");
        QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    }
    QString field(int index) const { return m_page->infoPanel()->field(index)->text(); }
    /// The count of pictures shown once the page has shown `count` more of the phone.
    static int picturesAfter(int count) { return PhoneWorker::picturesShownForTesting() + count; }

    std::unique_ptr<ShownDevicePage> m_shown;
    DeviceWorld* m_world = nullptr;
    CKivSbxxDlg* m_page = nullptr;
};

// getprop answers after 7 s, past the 5 s limit: the facts say "未知" (not blank). Once the
// phone answers in time, a later pass of the worker reads them.
void PhoneFactsTest::slowGetpropShowsUnknownThenTheValue() {
    QVERIFY(m_world->sim().control(R"(set PSIM1 {"delays": {"getprop": 7}})"));
    plugOnline();
    QTRY_COMPARE_WITH_TIMEOUT(field(0), kUnknown, 30000);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(field(i), kUnknown);
    }
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("device-3-facts-unknown"));
    QVERIFY(m_world->sim().control(R"(set PSIM1 {"delays": {"getprop": 0}})"));
    QTRY_COMPARE_WITH_TIMEOUT(field(0), QStringLiteral("Penlow P1"), 40000);
    QCOMPARE(field(1), QStringLiteral("Penlow"));
    QCOMPARE(field(2), QStringLiteral("13"));
    QCOMPARE(field(3), QStringLiteral("MPSS.HI.4.3"));
    QCOMPARE(field(4), QStringLiteral("P1-BL-0042"));
    QTRY_VERIFY_WITH_TIMEOUT(field(5) != kUnknown, 20000);
    QCOMPARE(field(5), QStringLiteral("是"));
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("device-3-facts-read-later"));
}

// A tablet without a radio lists no baseband: the field is blank, not "未知", and the worker
// does not ask the phone again for it.
void PhoneFactsTest::radioLessPhoneShowsABlankBasebandAndIsNotAskedAgain() {
    QVERIFY(m_world->sim().control(
        R"(set PSIM1 {"getprop_text": "[ro.product.model]: [Tab T1]\n[ro.product.device]: )"
        R"([t1]\n[ro.product.manufacturer]: [Penlow]\n[ro.build.version.release]: [13]\n)"
        R"([ro.bootloader]: [T1]\n", "props": {"ro.product.model": "Tab T1", )"
        R"("ro.product.device": "t1"}})"));
    plugOnline();
    QTRY_COMPARE_WITH_TIMEOUT(field(0), QStringLiteral("Tab T1"), 20000);
    QCOMPARE(field(3), QString());
    QCOMPARE(field(4), QStringLiteral("T1"));
    int shown = picturesAfter(2);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() >= shown, 30000);
    const int listings = m_world->phoneCommands("PSIM1", "su -c getprop");
    shown = picturesAfter(3);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() >= shown, 30000);
    QCOMPARE(m_world->phoneCommands("PSIM1", "su -c getprop"), listings);
    QCOMPARE(field(3), QString());
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("device-3-no-baseband"));
    QVERIFY(m_world->sim().control(
        R"(set PSIM1 {"props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1"}})"));
}

// A model that neither the model records nor the web service know, shown every second: after
// the first passes, further pictures run no getprop at all and the web service is asked once
// per connection; connecting again asks it once more.
void PhoneFactsTest::livePictureAsksGetpropAndTheWebServiceOncePerConnection() {
    QVERIFY(m_world->sim().control(
        R"(set PSIM1 {"props": {"ro.product.model": "Nowhere X", "ro.product.device": "nw"}})"));
    const int asked = m_world->webRequests("GetMachineInfo");
    plugOnline();
    QTRY_COMPARE_WITH_TIMEOUT(m_page->title()->text(), QStringLiteral("Penlow Nowhere X"), 20000);
    // The second picture comes after the connection's one-off reads (caches, store client).
    int shown = picturesAfter(2);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() >= shown, 30000);
    const int getprops = m_world->phoneCommands("PSIM1", "getprop");
    shown = picturesAfter(5);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() >= shown, 30000);
    QCOMPARE(m_world->phoneCommands("PSIM1", "getprop"), getprops);
    QCOMPARE(m_world->webRequests("GetMachineInfo"), asked + 1);

    m_world->sim().control("unplug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kWelcome), 15000);
    plugOnline();
    shown = picturesAfter(2);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() >= shown, 30000);
    QCOMPARE(m_world->webRequests("GetMachineInfo"), asked + 2);
    QVERIFY(m_world->sim().control(
        R"(set PSIM1 {"props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1"}})"));
}

QTEST_MAIN(PhoneFactsTest)
#include "PhoneFactsTest.moc"
