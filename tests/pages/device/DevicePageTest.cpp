// The device page in the real main window, driven by phonesim through the device monitor: the
// whole flow from welcome to connected with a live screen and back, the poller's fallback, the
// connection error, a second phone, the wizard's steps, and the two panels. Every state and
// step is saved as a screenshot.
#include "DevicePageTestSupport.h"

#include "app/shell/CKivOrviaDlg.h"
#include "device/bridge/PhoneInfo.h"
#include "device/connection/DriverJobs.h"
#include "pages/store/CKivYyyxDlg.h"
#include "pages/device/CKivSbxxDlg.h"
#include "pages/device/CKivSbxxLjxdDlg.h"
#include "pages/device/CKivSbxxSjxxDlg.h"
#include "pages/device/CKivSbxxYxtjDlg.h"
#include "pages/device/DeviceConnection.h"
#include "pages/device/DevicePageMessages.h"
#include "pages/device/ElidedLabel.h"
#include "pages/device/PhoneWorker.h"
#include "ui/toolkit/KivFonts.h"
#include "ui/toolkit/KivPayload.h"
#include "ui/toolkit/KivSkinTable.h"

#include <QCheckBox>
#include <QHelpEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBoundaryFinder>
#include <QToolTip>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

using devicetest::Click;
using devicetest::DeviceWorld;
using devicetest::ShownDevicePage;

namespace {

const char* kPhoneOne = R"({"serial": "PSIM1", "plugged": false, "usb": {"vid": "19D2",
    "pid": "1351"}, "props": {"ro.product.model": "Penlow P1", "ro.product.device": "p1",
    "ro.product.manufacturer": "Penlow", "ro.build.version.release": "13",
    "gsm.version.baseband": "MPSS.HI.4.3", "ro.bootloader": "P1-BL-0042"},
    "battery": {"value": "85"},
    "df": {"data": {"size_mb": 65536, "used_mb": 21000, "free_mb": 44536},
           "sdcard": {"size_mb": 2048, "used_mb": 1025, "free_mb": 1023}}})";
const char* kPhoneTwo = R"({"serial": "PSIM2", "plugged": false, "usb": {"vid": "12D1",
    "pid": "1038"}})";

// A worker's post, handed to the window at once: the value in its payload, as the workers post.
template <class T>
KivResult SendWorkerValue(const KivWindowHandle& to, unsigned message, KivWParam wParam, T value) {
    const std::unique_ptr<KivPayload> payload = MakeKivPayload(WorkerPost<T>{std::move(value), {}});
    return SendKivMessage(to, message, wParam, reinterpret_cast<KivLParam>(payload.get()));
}

} // namespace

class DevicePageTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        m_shown = std::make_unique<ShownDevicePage>(
            std::vector<std::string>{kPhoneOne, kPhoneTwo},
            [this](ProgramServices::Collaborators& parts) { adjustParts(parts); });
        QVERIFY(m_shown->waitUntilWatching());
        m_world = &m_shown->world();
        m_services = m_shown->services();
        m_window = m_shown->window();
        m_page = m_shown->page();
        QVERIFY(m_page->isVisible());
        // The panel's start-up: the page requested once, the download queues started once.
        QTRY_COMPARE(m_queueStarts, 1);
        QCOMPARE(m_navigated, QStringList{QString::fromStdString(
                                  m_services->devicePage().storeAddress("/mindex.php"))});
        QVERIFY(m_navigated.front().startsWith(QStringLiteral("http://127.0.0.1:")));
        QTRY_COMPARE(m_page->recommendPanel()->panelState(), int(CKivSbxxYxtjDlg::kLoading));
        m_browserStatus(BrowserStatus::LoadingFinished);
        QTRY_COMPARE(m_page->recommendPanel()->panelState(), int(CKivSbxxYxtjDlg::kPageShown));
    }
    void cleanupTestCase() { QVERIFY(m_shown->close()); }
    void cleanup() {
        // Every case leaves the phones unplugged and the page welcoming.
        for (const char* serial : {"PSIM1", "PSIM2"}) {
            m_world->sim().control(std::string("unplug ") + serial);
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kWelcome), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(m_services->phone().currentDevice(), -1, 5000);
    }

    void wholeFlowFromWelcomeToALiveScreenAndBack();
    void secondPhoneIsIgnoredWhileOneIsFollowed();
    void pollerThatSeesNoOnlinePhoneFallsBack();
    void refreshWithoutPhoneEndsInTheErrorScreen();
    void wizardStepsAndDriverFailures();
    void wizardEndsWhenThePhoneGoesAway();
    void adbSeesThePhoneDuringTheSearch();
    void infoPanelFields();
    void recommendationsPanelStatus();
    void escapeOnThePageClosesTheProgram();
    void phoneAuthorisedLateConnects();
    void followedPhoneLeavingHandsOverToTheOther();
    void phoneTextIsShownAsPlainText();
    void batteryIsReadAgainWhileConnected();
    void longAndForeignTextKeepsToItsColumn();
    void phoneWithoutSdCardSaysNone();
    void phoneGoingOfflineSaysConnectionInterrupted();

private:
    void plugOnline(const char* serial) {
        m_world->sim().control(std::string("state ") + serial + " device");
        m_world->sim().control(std::string("plug ") + serial);
    }
    void openWizardFromNotConnected();
    /// The recommendations panel gets a stand-in browser that records where it is sent.
    void adjustParts(ProgramServices::Collaborators& parts) {
        parts.startDownloadQueues = [this] { ++m_queueStarts; };
        parts.recommendBrowser = [this](QWidget* panel, const QRect&,
                                        RecommendStatusCallback status) {
            m_browser = new QWidget(panel);
            m_browser->setAutoFillBackground(true);
            m_browserStatus = std::move(status);
            return RecommendBrowser{m_browser, [this](const QString& url) {
                                        m_navigated << url;
                                        m_browserStatus(BrowserStatus::LoadingStarted);
                                    }};
        };
    }

    std::unique_ptr<ShownDevicePage> m_shown;
    DeviceWorld* m_world = nullptr;
    ProgramServices* m_services = nullptr;
    CKivOrviaDlg* m_window = nullptr;
    CKivSbxxDlg* m_page = nullptr;
    int m_queueStarts = 0;
    QWidget* m_browser = nullptr;
    RecommendStatusCallback m_browserStatus;
    QStringList m_navigated;
};

void DevicePageTest::wholeFlowFromWelcomeToALiveScreenAndBack() {
    QCOMPARE(m_page->currentState(), int(CKivSbxxDlg::kWelcome));
    QVERIFY(m_page->title()->text().startsWith(QStringLiteral("欢迎使用")));
    QVERIFY(m_page->button(1045)->isVisible());
    uitest::SaveScreenshot(m_window, QStringLiteral("device-1-welcome"));

    const std::string home = m_world->writeScreen(720, 1280, 0);
    QVERIFY(m_world->sim().control("set PSIM1 {\"screen\": {\"image\": \"" + home + "\"}}"));
    m_world->sim().control("state PSIM1 none"); // on USB, adb not yet listing it
    m_world->sim().control("plug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnecting), 10000);
    QCOMPARE(m_services->phone().currentDevice(), 0);
    uitest::SaveScreenshot(m_window, QStringLiteral("device-4-connecting"));

    m_world->sim().control("state PSIM1 device");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_page->shownPhonePicture().isNull(), 20000);
    QCOMPARE(m_page->shownPhonePicture().size(), QSize(205, 399));
    QCOMPARE(m_page->title()->text(), QStringLiteral("Penlow P1 Pro"));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->valueLabel(2, 1)->text(), QStringLiteral("%"), 20000);
    QCOMPARE(m_page->valueLabel(2, 0)->text(), QStringLiteral("85"));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d\\d$"))
                .match(m_page->valueLabel(0, 0)->text())
                .hasMatch());
    QCOMPARE(m_page->valueLabel(0, 1)->text(), QStringLiteral("G"));
    QCOMPARE(m_page->valueLabel(1, 0)->text(), QStringLiteral("1023"));
    QCOMPARE(m_page->valueLabel(1, 1)->text(), QStringLiteral("MB"));
    QCOMPARE(m_page->infoPanel()->field(0)->text(), QStringLiteral("Penlow P1"));
    QCOMPARE(m_page->infoPanel()->field(2)->text(), QStringLiteral("13"));
    QVERIFY(m_page->infoPanel()->isVisible());
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-connected"));

    // The phone's screen changes: the page follows within two seconds.
    const QColor before = m_page->shownPhonePicture().pixelColor(100, 120);
    const std::string evening = m_world->writeScreen(720, 1280, 1);
    QVERIFY(m_world->sim().control("set PSIM1 {\"screen\": {\"image\": \"" + evening + "\"}}"));
    QElapsedTimer changed;
    changed.start();
    QTRY_VERIFY_WITH_TIMEOUT(m_page->shownPhonePicture().pixelColor(100, 120) != before, 5000);
    QVERIFY2(changed.elapsed() < 2000, qPrintable(QString::number(changed.elapsed())));
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-connected-changed"));

    m_world->sim().control("unplug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kWelcome), 10000);
    QCOMPARE(m_page->currentState(), int(CKivSbxxDlg::kWelcome));
    QVERIFY(!m_page->infoPanel()->isVisible());
    // The stopped worker shows nothing more.
    const int shown = PhoneWorker::picturesShownForTesting();
    QTest::qWait(1500);
    QCOMPARE(PhoneWorker::picturesShownForTesting(), shown);
}

void DevicePageTest::secondPhoneIsIgnoredWhileOneIsFollowed() {
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    plugOnline("PSIM2");
    QTest::qWait(800);
    QCOMPARE(m_services->phone().currentDevice(), 0);
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kConnected));
    m_world->sim().control("unplug PSIM2"); // the other phone leaves: nothing changes
    QTest::qWait(500);
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kConnected));
}

void DevicePageTest::pollerThatSeesNoOnlinePhoneFallsBack() {
    m_world->sim().control("state PSIM1 unauthorized");
    m_world->sim().control("plug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnecting), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected), 15000);
    QCOMPARE(m_page->currentState(), int(CKivSbxxDlg::kNotConnected));
    QVERIFY(m_page->button(1016)->isVisible());
    uitest::SaveScreenshot(m_window, QStringLiteral("device-2-not-connected"));
}

void DevicePageTest::refreshWithoutPhoneEndsInTheErrorScreen() {
    Click(m_page->button(1045));
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kConnecting));
    QCOMPARE(m_page->currentState(), int(CKivSbxxDlg::kWelcome)); // drawn, not entered
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kError), 15000);
    uitest::SaveScreenshot(m_window, QStringLiteral("device-5-error"));
    Click(m_page->button(1059));
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kWelcome));
}

void DevicePageTest::openWizardFromNotConnected() {
    m_world->sim().control("state PSIM1 unauthorized");
    m_world->sim().control("plug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected), 20000);
    Click(m_page->button(1016));
    QVERIFY(m_page->wizardMode());
    QVERIFY(m_page->wizard()->isVisible());
    QCOMPARE(m_page->wizard()->step(), 1);
}

void DevicePageTest::wizardStepsAndDriverFailures() {
    CKivSbxxLjxdDlg::resetDriverFailuresForTesting();
    openWizardFromNotConnected();
    CKivSbxxLjxdDlg* wizard = m_page->wizard();
    QVERIFY(!wizard->checkBox()->isChecked());
    QVERIFY(!wizard->button(1018)->isEnabled());
    QCOMPARE(wizard->guide(), 1);
    QVERIFY(!wizard->button(1046)->isEnabled());
    Click(wizard->button(1047));
    QCOMPARE(wizard->guide(), 2);
    QVERIFY(wizard->button(1046)->isEnabled());
    QVERIFY(!wizard->button(1047)->isEnabled());
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-1-usb-debugging"));
    wizard->checkBox()->click();
    QVERIFY(wizard->button(1018)->isEnabled());
    wizard->checkBox()->click();
    QVERIFY(!wizard->button(1018)->isEnabled());
    wizard->checkBox()->click();

    // The search misses twice (the phone stays unauthorised): on to the driver, whose lookup
    // fails (no web service): the failure picture and "重试".
    Click(wizard->button(1018));
    QCOMPARE(wizard->step(), 2);
    QVERIFY(wizard->animationRunning());
    QTest::qWait(300); // let the animation show a frame
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-2-search"));
    QTRY_COMPARE_WITH_TIMEOUT(wizard->step(), 3, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(wizard->button(1030)->isVisible(), 20000);
    QVERIFY(wizard->label(1050)->isVisible());
    QCOMPARE(CKivSbxxLjxdDlg::driverFailuresForTesting(), 1);
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-3-driver-failed"));

    // Back out and in again: the count stays; the guide and the box start afresh.
    SendKivMessage(wizard->handle(), kMsgWizardAbort);
    QVERIFY(!m_page->wizardMode());
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected));
    Click(m_page->button(1016));
    QCOMPARE(wizard->step(), 1);
    QCOMPARE(wizard->guide(), 1);
    QVERIFY(!wizard->checkBox()->isChecked());
    SendKivMessage(wizard->handle(), kMsgWizardDriver);
    QCOMPARE(wizard->step(), 3);
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-3-driver"));
    QTRY_COMPARE_WITH_TIMEOUT(wizard->step(), 5, 20000); // the second failure gives up
    QCOMPARE(CKivSbxxLjxdDlg::driverFailuresForTesting(), 0);
    QTRY_VERIFY(m_world->machineLog() == std::vector<std::string>{"4 19D21351"});
    QVERIFY(wizard->button(1031)->isVisible());
    QVERIFY(wizard->button(1025)->isVisible());
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-5-failed"));

    // A driver that installs: step 4, and "完成连接" records the success.
    SendKivMessage(wizard->handle(), kMsgWizardDriver);
    m_services->driverJobs().cancel(); // the reports below stand in for a job that finds its driver
    const auto report = [wizard](DriverJobCode code, int percent) {
        SendWorkerValue(wizard->handle(), kMsgWizardProgress, static_cast<KivWParam>(code),
                        DriverProgress{code, percent, ""});
    };
    report(DriverJobCode::LookingUp, 0);
    QCOMPARE(wizard->label(1052)->text(), QStringLiteral("正在查找驱动,请稍等..."));
    report(DriverJobCode::Downloading, 42);
    QCOMPARE(wizard->label(1051)->text(), QStringLiteral("42%"));
    QCOMPARE(wizard->label(1052)->text(), QStringLiteral("正在下载驱动,请稍等..."));
    QVERIFY(wizard->label(1051)->isVisible());
    QTest::qWait(300); // let the animation show a frame
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-3-driver-progress"));
    report(DriverJobCode::Installing, 100);
    QCOMPARE(wizard->label(1051)->text(), QStringLiteral("100%"));
    QCOMPARE(wizard->label(1052)->text(), QStringLiteral("正在安装驱动,请稍等..."));
    SendWorkerValue(wizard->handle(), kMsgWizardProgress,
                    static_cast<KivWParam>(DriverJobCode::Installed),
                    DriverProgress{DriverJobCode::Installed, 0, ""});
    QCOMPARE(wizard->step(), 4);
    uitest::SaveScreenshot(m_window, QStringLiteral("wizard-4-connected"));
    Click(wizard->button(1024));
    QVERIFY(!m_page->wizardMode());
    QVERIFY(!wizard->isVisible());
    QCOMPARE(m_world->machineLog(), (std::vector<std::string>{"4 19D21351", "3 19D21351"}));
}

void DevicePageTest::wizardEndsWhenThePhoneGoesAway() {
    openWizardFromNotConnected();
    m_world->sim().control("unplug PSIM1");
    QTRY_VERIFY_WITH_TIMEOUT(!m_page->wizardMode(), 10000);
    QVERIFY(!m_page->wizard()->isVisible());
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kWelcome));
}

void DevicePageTest::adbSeesThePhoneDuringTheSearch() {
    openWizardFromNotConnected();
    CKivSbxxLjxdDlg* wizard = m_page->wizard();
    wizard->checkBox()->click();
    m_world->sim().control("state PSIM1 device");
    Click(wizard->button(1018));
    QTRY_VERIFY_WITH_TIMEOUT(!m_page->wizardMode(), 15000);
    QCOMPARE(wizard->step(), 2); // never reached the driver
    QVERIFY(!wizard->isVisible());
    // The search found the followed phone online: the page shows it connected, not the state
    // it had before the wizard.
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 5000);
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-after-wizard-search"));
}

void DevicePageTest::infoPanelFields() {
    CKivSbxxSjxxDlg* panel = m_page->infoPanel();
    PhoneInfo info{"Model X", "Maker", "14", "BB-1", "BL-2", "TRUE"};
    SendWorkerValue(panel->handle(), kMsgPhoneInfo, 1, info);
    QCOMPARE(panel->field(0)->text(), QStringLiteral("Model X"));
    QCOMPARE(panel->field(4)->text(), QStringLiteral("BL-2"));
    QCOMPARE(panel->field(5)->text(), QStringLiteral("否")); // only exactly "true" is yes
    info.root = "true";
    SendWorkerValue(panel->handle(), kMsgPhoneInfo, 1, info);
    QCOMPARE(panel->field(5)->text(), QStringLiteral("是"));
    // Facts that could not be read say so, whatever text they carry; the root too.
    info.setRead(PhoneFact::Release, false);
    info.setRead(PhoneFact::Root, false);
    SendWorkerValue(panel->handle(), kMsgPhoneInfo, 1, info);
    QCOMPARE(panel->field(2)->text(), QStringLiteral("未知"));
    QCOMPARE(panel->field(5)->text(), QStringLiteral("未知"));
    QCOMPARE(panel->field(0)->text(), QStringLiteral("Model X"));
    // A post of a worker stopped before it arrived changes nothing.
    std::stop_source stopped;
    stopped.request_stop();
    PhoneInfo lateInfo = info;
    lateInfo.model = "Late";
    const std::unique_ptr<KivPayload> late =
        MakeKivPayload(WorkerPost<PhoneInfo>{lateInfo, stopped.get_token()});
    SendKivMessage(panel->handle(), kMsgPhoneInfo, 1, reinterpret_cast<KivLParam>(late.get()));
    QCOMPARE(panel->field(0)->text(), QStringLiteral("Model X"));
    SendKivMessage(panel->handle(), kMsgPhoneInfo, 0, 0);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(panel->field(i)->text(), QStringLiteral("******"));
    }
}

void DevicePageTest::recommendationsPanelStatus() {
    CKivSbxxYxtjDlg* panel = m_page->recommendPanel();
    QVERIFY(panel->isVisible());
    QCOMPARE(panel->panelState(), int(CKivSbxxYxtjDlg::kPageShown));
    SendKivMessage(panel->handle(), kMsgRecommendStatus, 1);
    QCOMPARE(panel->panelState(), int(CKivSbxxYxtjDlg::kLoading));
    QVERIFY(!m_browser->isVisible());
    QTest::qWait(300); // let the animation show a frame
    uitest::SaveScreenshot(m_window, QStringLiteral("device-1-recommend-loading"));
    SendKivMessage(panel->handle(), kMsgRecommendStatus, 4); // not a load status: nothing
    QCOMPARE(panel->panelState(), int(CKivSbxxYxtjDlg::kLoading));
    SendKivMessage(panel->handle(), kMsgRecommendStatus, 3);
    QCOMPARE(panel->panelState(), int(CKivSbxxYxtjDlg::kFailed));
    uitest::SaveScreenshot(m_window, QStringLiteral("device-1-recommend-failed"));
    QVERIFY(!m_browser->isVisible());
    // A click on the failure picture loads the recommendations again.
    const int loads = m_navigated.size();
    QTest::mouseClick(panel, Qt::LeftButton, {}, QPoint(135, 80));
    QCOMPARE(m_navigated.size(), loads + 1);
    QCOMPARE(m_navigated.back(), m_navigated.front());
    SendKivMessage(panel->handle(), kMsgRecommendStatus, 2);
    QCOMPARE(panel->panelState(), int(CKivSbxxYxtjDlg::kPageShown));
    QVERIFY(m_browser->isVisible());
    QCOMPARE(m_browser->geometry(), QRect(1, 31, 533, 349));
    // "更多" opens the list page in the store tab.
    Click(panel->moreButton());
    QTRY_VERIFY(m_window->storePage()->isVisible());
    QVERIFY(!m_page->isVisible());
    m_window->selectTab(0);
    QVERIFY(m_page->isVisible());
}

void DevicePageTest::escapeOnThePageClosesTheProgram() {
    QVERIFY(m_window->isVisible());
    QTest::keyClick(m_page, Qt::Key_Escape);
    QTRY_VERIFY(!m_window->isVisible());
}

// Plugged while unauthorised, the page gives up; once the user allows debugging and adb lists
// the phone as "device", the page connects without a re-plug.
void DevicePageTest::phoneAuthorisedLateConnects() {
    m_world->sim().control("state PSIM1 unauthorized");
    m_world->sim().control("plug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kNotConnected), 20000);
    m_world->sim().control("state PSIM1 device");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(m_page->infoPanel()->field(0)->text(), QStringLiteral("Penlow P1"),
                              20000);
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-authorised-late"));
}

// The followed phone leaves while another stays: the page follows the other one; when that
// one leaves too, the page welcomes again.
void DevicePageTest::followedPhoneLeavingHandsOverToTheOther() {
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    plugOnline("PSIM2");
    QTest::qWait(600);
    QCOMPARE(m_services->phone().currentDevice(), 0);
    m_world->sim().control("unplug PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_services->phone().currentDevice(), 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 15000);
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-other-phone-followed"));
    m_world->sim().control("unplug PSIM2");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kWelcome), 10000);
    QCOMPARE(m_services->phone().currentDevice(), -1);
}

// A phone's words are shown as they are: markup in a getprop value is text, never a picture
// loaded from this computer.
void DevicePageTest::phoneTextIsShownAsPlainText() {
    const QString model = QStringLiteral("<img src=\"/etc/hostname\">");
    QVERIFY(m_world->sim().control(
        "set PSIM1 {\"props\": {\"ro.product.model\": \"<img src=\\\"/etc/hostname\\\">\", "
        "\"ro.product.manufacturer\": \"<b>x</b>\", \"ro.build.version.release\": "
        "\"<h1>13</h1>\"}}"));
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_page->infoPanel()->field(0)->text(), model, 20000);
    QCOMPARE(m_page->infoPanel()->field(1)->text(), QStringLiteral("<b>x</b>"));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->title()->text(), QStringLiteral("<b>x</b> ") + model, 20000);
    for (QWidget* root :
         std::initializer_list<QWidget*>{m_page, m_page->wizard(), m_page->infoPanel()}) {
        for (QLabel* label : root->findChildren<QLabel*>()) {
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
        }
    }
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-markup-as-text"));
    QVERIFY(m_world->sim().control(
        "set PSIM1 {\"props\": {\"ro.product.model\": \"Penlow P1\", "
        "\"ro.product.manufacturer\": \"Penlow\", \"ro.build.version.release\": \"13\"}}"));
}

// The battery row follows the phone while it stays connected.
void DevicePageTest::batteryIsReadAgainWhileConnected() {
    PhoneWorker::setBatteryPeriodForTesting(std::chrono::milliseconds(1500));
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->valueLabel(2, 0)->text(), QStringLiteral("85"), 20000);
    QVERIFY(m_world->sim().control("set PSIM1 {\"battery\": {\"value\": \"12\"}}"));
    QTRY_COMPARE_WITH_TIMEOUT(m_page->valueLabel(2, 0)->text(), QStringLiteral("12"), 10000);
    PhoneWorker::setBatteryPeriodForTesting(std::chrono::milliseconds(0));
    QVERIFY(m_world->sim().control("set PSIM1 {\"battery\": {\"value\": \"85\"}}"));
}

namespace {

// Sets getprop values of PSIM1 (JSON built here, so any text goes through unharmed).
bool SetProps(DeviceWorld& world, const QJsonObject& props) {
    const QByteArray json =
        QJsonDocument(QJsonObject{{QStringLiteral("props"), props}}).toJson(QJsonDocument::Compact);
    return world.sim().control("set PSIM1 " + json.toStdString()).has_value();
}

// The columns of a label's rendering that carry ink (darker than the background).
std::pair<int, int> InkColumns(QWidget* label) {
    const QImage image = label->grab().toImage();
    int first = image.width();
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(x, y)) < 160) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
        }
    }
    return {first, last};
}

} // namespace

// A long model, emoji and right-to-left values: each value keeps to its column, shortened at
// a character boundary with "…", whole in its tooltip; right-to-left text starts at the left.
void DevicePageTest::longAndForeignTextKeepsToItsColumn() {
    const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    const QString model = QStringLiteral("Galaxy Ultra Long Model Name 2024 Edition ") +
                          family.repeated(8) + QStringLiteral("e\u0301").repeated(30);
    const QString hebrew = QString::fromUtf8("\u05D2\u05E8\u05E1\u05D4");
    QVERIFY(SetProps(*m_world, {{"ro.product.model", model},
                                {"ro.product.manufacturer", QStringLiteral("Maker ") + family},
                                {"gsm.version.baseband", hebrew}}));
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    CKivSbxxSjxxDlg* panel = m_page->infoPanel();
    QTRY_COMPARE_WITH_TIMEOUT(panel->field(0)->text(), model, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(m_page->title()->text().endsWith(model), 20000);

    // The model ends before the line between the columns, where 基带版本 begins.
    ElidedLabel* modelField = panel->field(0);
    QVERIFY(modelField->geometry().right() < 236);
    QVERIFY(modelField->elided());
    for (ElidedLabel* label : {modelField, m_page->title()}) {
        const QString shown = label->shownText();
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
        const QString start = shown.chopped(1);
        QVERIFY(label->text().startsWith(start));
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, label->text());
        graphemes.setPosition(start.size());
        QVERIFY2(graphemes.isAtBoundary(), qPrintable(shown)); // never inside a cluster
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(label, &help);
        QCOMPARE(QToolTip::text(), label->text());
        QToolTip::hideText();
    }
    // A short value is drawn whole and has no tooltip.
    QVERIFY(!panel->field(2)->elided());

    // Right-to-left text starts at the column's left edge, far from ROOT权限 below-right.
    QCOMPARE(panel->field(3)->text(), hebrew);
    const auto [first, last] = InkColumns(panel->field(3));
    QVERIFY2(first <= 4 && last < panel->field(3)->width() / 2,
             qPrintable(QStringLiteral("%1..%2").arg(first).arg(last)));
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-long-and-foreign-text"));
    QVERIFY(SetProps(*m_world, {{"ro.product.model", QStringLiteral("Penlow P1")},
                                {"ro.product.manufacturer", QStringLiteral("Penlow")},
                                {"gsm.version.baseband", QStringLiteral("MPSS.HI.4.3")}}));
}

// A phone without an SD card says so instead of a card with no room.
void DevicePageTest::phoneWithoutSdCardSaysNone() {
    QVERIFY(m_world->sim().control(R"(set PSIM1 {"df": {"sdcard": null}})"));
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->valueLabel(1, 0)->text(), QStringLiteral("无"), 20000);
    QCOMPARE(m_page->valueLabel(1, 1)->text(), QString());
    QCOMPARE(m_page->valueLabel(0, 1)->text(), QStringLiteral("G")); // the data row as before
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-no-sd-card"));
    QVERIFY(m_world->sim().control(
        R"(set PSIM1 {"df": {"sdcard": {"size_mb": 2048, "used_mb": 1025, "free_mb": 1023}}})"));
}

// A shown phone that goes offline is not called connected: the status says the connection
// broke, the worker keeps asking, and the phone coming back is shown connected again.
void DevicePageTest::phoneGoingOfflineSaysConnectionInterrupted() {
    const int before = PhoneWorker::picturesShownForTesting();
    plugOnline("PSIM1");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->drawnState(), int(CKivSbxxDlg::kConnected), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() > before, 20000);
    QCOMPARE(m_page->statusLabel()->text(), QStringLiteral("已连接设备"));
    m_world->sim().control("state PSIM1 offline");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->statusLabel()->text(), QStringLiteral("连接中断"), 10000);
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kConnected));
    QVERIFY(!m_page->statusLabel()->isHidden());
    uitest::SaveScreenshot(m_window, QStringLiteral("device-3-connection-interrupted"));
    const int shown = PhoneWorker::picturesShownForTesting();
    m_world->sim().control("state PSIM1 device");
    QTRY_COMPARE_WITH_TIMEOUT(m_page->statusLabel()->text(), QStringLiteral("已连接设备"), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(PhoneWorker::picturesShownForTesting() > shown, 5000);
    QCOMPARE(m_page->drawnState(), int(CKivSbxxDlg::kConnected));
}

QTEST_MAIN(DevicePageTest)
#include "DevicePageTest.moc"
