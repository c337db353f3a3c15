// The connection wizard on the real device page against phonesim behind a real adb server and
// the development web and file servers: the phone connecting during a step ends it, every step
// has a way out that stops its work, a failed driver step says why, and a link that no browser
// opens is shown for copying. Each new state is saved as a screenshot.
#include "DevicePageTestSupport.h"

#include "app/shell/CKivOrviaDlg.h"
#include "device/connection/DriverJobs.h"
#include "downloads/CKivDownObj.h"
#include "pages/device/CKivSbxxDlg.h"
#include "pages/device/CKivSbxxLjxdDlg.h"
#include "pages/device/CKivSbxxSjxxDlg.h"
#include "pages/device/ElidedLabel.h"
#include "pages/device/DeviceConnection.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivMessages.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivSkinTable.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <memory>

using devicetest::Click;
using devicetest::DeviceWorld;
using devicetest::ShownDevicePage;

namespace {

const char* kPhone = R"({"serial": "PSIM1", "plugged": false, "usb": {"vid": "19D2",
    "pid": "1351"}, "props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1"}})";

} // namespace

class WizardTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_shown = std::make_unique<ShownDevicePage>(std::vector<std::string>{kPhone},
                                                    devicetest::WithoutDownloadQueues);
        QVERIFY(m_shown->waitUntilWatching());
        m_world = &m_shown->world();
        m_page = m_shown->page();
        m_wizard = m_page->wizard();
    }
    void cleanupTestCase() {
        CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(0));
        QVERIFY(m_shown->close());
    }
    void init() { CKivSbxxLjxdDlg::resetDriverFailuresForTesting(); }
    void cleanup() {
        CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(0));
        m_world->sim().control("unplug PSIM1");
        QTRY_VERIFY_WITH_TIMEOUT(!m_page->wizardMode(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kWelcome), 15000);
    }

    void phoneConnectingOnTheFirstStepEndsTheWizard();
    void everyStepHasAWayOutThatStopsItsWork();
    void wrongChecksumSaysTheFileFailedItsCheck();
    void missingFileSaysTheServerHasNoDriver();
    void unreachableServerSaysSo();
    void linkThatNoBrowserOpensIsShownForCopying();

private:
    void openWizard() {
        m_world->sim().control("state PSIM1 unauthorized");
        m_world->sim().control("plug PSIM1");
        QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected), 20000);
        Click(m_page->button(1016));
        QVERIFY(m_page->wizardMode());
        QCOMPARE(m_wizard->step(), 1);
    }
    /// Opens the wizard and runs its driver step against the package `url` with `md5`.
    void runDriverStep(const std::string& url, const std::string& md5) {
        // A transfer that stalls or never connects fails within moments, not a minute.
        CKivDownObj::SetPollPeriodForTesting(std::chrono::milliseconds(50));
        m_world->publishDriver(url, md5);
        openWizard();
        SendKivMessage(m_wizard->handle(), kMsgWizardDriver);
        QCOMPARE(m_wizard->step(), 3);
    }
    QString reason() const { return m_wizard->label(1053)->text(); }

    std::unique_ptr<ShownDevicePage> m_shown;
    DeviceWorld* m_world = nullptr;
    CKivSbxxDlg* m_page = nullptr;
    CKivSbxxLjxdDlg* m_wizard = nullptr;
};

// The user allows USB debugging while the wizard's first step explains how: the phone
// connects, the wizard ends by itself and the page shows the connected phone.
void WizardTest::phoneConnectingOnTheFirstStepEndsTheWizard() {
    openWizard();
    m_world->sim().control("state PSIM1 device");
    QTRY_VERIFY_WITH_TIMEOUT(!m_page->wizardMode(), 15000);
    QVERIFY(!m_wizard->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    QCOMPARE(m_page->statusLabel()->text(), QStringLiteral("已连接设备"));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->infoPanel()->field(0)->text(), QStringLiteral("Penlow P1"),
                              20000);
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-ended-phone-connected"));
}

// "返回" is on the guide, the search and the driver step; it stops the step's work (the
// search's thread, the driver job) and the page shows its own state again.
void WizardTest::everyStepHasAWayOutThatStopsItsWork() {
    openWizard();
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-1-way-out"));
    Click(m_wizard->button(1025));
    QVERIFY(!m_page->wizardMode());
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected));

    Click(m_page->button(1016));
    m_wizard->checkBox()->click();
    Click(m_wizard->button(1018));
    QCOMPARE(m_wizard->step(), 2);
    QVERIFY(m_wizard->animationRunning());
    QTest::qWait(300); // let the animation show a frame
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-2-way-out"));
    Click(m_wizard->button(1025));
    QVERIFY(!m_page->wizardMode());
    QVERIFY(!m_wizard->animationRunning());
    QVERIFY(!m_shown->services()->phone().wizardRetry().running());

    // The package's server stops after its first byte: the job stays in its download (for 20
    // polls of a second) when the way out is taken.
    m_world->serveFile("stalls.zip", std::string(4096, 'x'));
    m_world->publishDriver(m_world->fileAddress("stalls.zip", "?stall=1"), std::string(32, '0'));
    Click(m_page->button(1016));
    SendKivMessage(m_wizard->handle(), kMsgWizardDriver);
    QCOMPARE(m_wizard->step(), 3);
    QVERIFY(m_shown->services()->driverJobs().currentForTesting() != nullptr);
    QTest::qWait(300);
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-3-way-out"));
    Click(m_wizard->button(1025));
    QVERIFY(!m_page->wizardMode());
    QVERIFY(m_shown->services()->driverJobs().currentForTesting() == nullptr);
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected));
}

// The package arrives but its MD5 is not the one the web service named.
void WizardTest::wrongChecksumSaysTheFileFailedItsCheck() {
    m_world->serveFile("checksum.zip", "not the package the service named");
    runDriverStep(m_world->fileAddress("checksum.zip"), std::string(32, '0'));
    QTRY_COMPARE_WITH_TIMEOUT(m_wizard->step(), 5, 30000);
    QTRY_COMPARE(reason(), QStringLiteral("驱动文件校验失败：下载的文件已损坏"));
    QVERIFY(m_wizard->label(1053)->isVisible());
    QCOMPARE(m_wizard->label(1053)->textFormat(), Qt::PlainText);
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-5-checksum-failed"));
}

// The server answers 404 for the package: the driver step says the server has no driver file.
void WizardTest::missingFileSaysTheServerHasNoDriver() {
    runDriverStep(m_world->fileAddress("missing.zip"), std::string(32, '0'));
    QTRY_VERIFY_WITH_TIMEOUT(m_wizard->button(1030)->isVisible(), 30000);
    QCOMPARE(reason(), QStringLiteral("驱动下载失败：服务器上没有找到驱动文件"));
    QVERIFY(m_wizard->label(1053)->isVisible());
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-3-driver-not-on-server"));
}

// Nothing listens where the package is: the driver step says the server cannot be reached.
void WizardTest::unreachableServerSaysSo() {
    runDriverStep("http://127.0.0.1:9/unreachable.zip", std::string(32, '0'));
    QTRY_VERIFY_WITH_TIMEOUT(m_wizard->button(1030)->isVisible(), 60000);
    QCOMPARE(reason(), QStringLiteral("驱动下载失败：无法连接驱动服务器，请检查网络"));
    uitest::SaveScreenshot(m_shown->window(), QStringLiteral("wizard-3-driver-server-unreachable"));
}

// The offscreen platform has no browser: "查看更多机型设置方法" says so and shows the address,
// whole and selectable, under the wizard.
void WizardTest::linkThatNoBrowserOpensIsShownForCopying() {
    openWizard();
    Click(m_wizard->button(1042));
    CKivMsgBoxDlg* notice = nullptr;
    QTRY_VERIFY((notice = m_wizard->findChild<CKivMsgBoxDlg*>(QStringLiteral("noBrowserNotice"))));
    QTRY_VERIFY(notice->isVisible());
    const auto* address = notice->findChild<QLineEdit*>(QStringLiteral("address"));
    QVERIFY(address);
    const QString link = QString::fromUtf8(devicetest::kUsbDebuggingLink);
    QCOMPARE(address->text(), link.mid(link.indexOf(QLatin1Char('=')) + 1));
    QVERIFY(address->isReadOnly());
    QCOMPARE(notice->messageLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(m_wizard->step(), 1); // the wizard goes on underneath
    uitest::SaveScreenshot(notice, QStringLiteral("wizard-1-link-without-browser"));
    Click(notice->okButton());
    QTRY_VERIFY(!m_wizard->findChild<CKivMsgBoxDlg*>(QStringLiteral("noBrowserNotice")));
}

QTEST_MAIN(WizardTest)
#include "WizardTest.moc"
