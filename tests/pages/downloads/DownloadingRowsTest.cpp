// The download pages' row models and what they are shared with: a task callback that has let
// its task go keeps its entry after the row was deleted and after the page closed, and the page
// does not wait for it; completion and deletion claim an entry one at a time; the store sees the
// downloaded page's install queue through the view it was given, and nothing of a closed page.
#include "DownloadPagesFixture.h"

#include "downloads/CKivAppDownMgr.h"
#include "pages/downloads/AppTaskEvents.h"
#include "pages/downloads/CKivXzglYjxzDlg.h"
#include "pages/downloads/CKivXzglZzxzDlg.h"
#include "pages/downloads/DownloadingRows.h"
#include "pages/downloads/StartAppDownload.h"
#include "pages/downloads/cKivDownloadInfo.h"
#include "platform/StopScope.h"
#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/cKivButtonEx.h"
#include "ui/toolkit/cKivDownList.h"

#include <QtTest>

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

using namespace pagetest;
using testsupport::Md5Hex;
using testsupport::PatternBytes;

namespace {

constexpr int kWaitMs = 30000;

/// Holds package callbacks where they have let their ended task go, until opened. Open it
/// (or let it go) before the download manager closes: the queues wait for their callbacks.
class TaskLeftGate {
public:
    TaskLeftGate() {
        AppTaskEvents::SetTaskLeftGateForTesting([state = m_state] {
            std::unique_lock lock(state->mutex);
            state->entered = true;
            state->changed.wait(lock, [&] { return state->open; });
            state->passed = true;
        });
    }
    ~TaskLeftGate() {
        open();
        AppTaskEvents::SetTaskLeftGateForTesting(nullptr);
    }
    TaskLeftGate(const TaskLeftGate&) = delete;
    TaskLeftGate& operator=(const TaskLeftGate&) = delete;

    bool entered() const { return read(&State::entered); }
    bool passed() const { return read(&State::passed); }
    void open() {
        std::lock_guard lock(m_state->mutex);
        m_state->open = true;
        m_state->changed.notify_all();
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool entered = false;
        bool open = false;
        bool passed = false;
    };

    bool read(bool State::*flag) const {
        std::lock_guard lock(m_state->mutex);
        return (*m_state).*flag;
    }

    std::shared_ptr<State> m_state = std::make_shared<State>();
};

/// A store request for `url` through the fixture's queue view.
int Request(PagesFixture& f, const std::string& url, const std::string& name) {
    return StartAppDownload("", url.c_str(), name.c_str(), "游戏", "1.0", "com.penlow.demo",
                            nullptr, *f.installQueue);
}

/// A package file and its finished row, posted to the downloaded page as completion does.
void AddFinished(PagesFixture& f, const std::string& package) {
    std::filesystem::create_directories(f.apkFolder());
    const std::string bytes = PatternBytes(4096, 9);
    auto entry = std::make_unique<cKivDownloadInfo>();
    entry->Url = "http://example.invalid/" + package;
    entry->Name = package;
    entry->PackageName = package;
    entry->path = f.apkFolder() + "/" + package + ".apk";
    entry->ValidType = "MD5";
    entry->ValidValue = Md5Hex(bytes);
    entry->fileSize = bytes.size();
    testsupport::WriteFile(entry->path, bytes);
    PostKivMessageWith(f.manager()->downloadedPage()->handle(), kMsgAddFinished, 0,
                       std::move(entry));
}

} // namespace

class DownloadingRowsTest : public QObject {
    Q_OBJECT

private slots:
    // The user deletes the row of a failed download while the failure's callback, which let
    // its task go already, is still to show it: the entry stays until that callback ends.
    void aRowDeletedWhileItsCallbackRunsKeepsItsEntryForIt() {
        PagesFixture f;
        f.phoneAttached = false;
        f.openManager();
        TaskLeftGate gate;
        QCOMPARE(Request(f, f.serve("gone.apk", "x", "?status=404"), "Gone"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(gate.entered(), kWaitMs);
        cKivDownList* list = f.downloading();
        QCOMPARE(list->rowCount(), 1);
        const std::weak_ptr<cKivAppInfo> entry =
            f.manager()->downloadingPage()->entryOf(list->cellAt(0));
        QVERIFY(!entry.expired());

        list->rows().SetRowChecked(list->cellAt(0), true);
        cKivButtonEx* remove = f.manager()->downloadingPage()->button(2);
        remove->setEnabled(true);
        remove->click();
        QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 0, kWaitMs);
        QVERIFY(!gate.passed());
        QVERIFY(!entry.expired()); // the callback's task handed it over for the call

        gate.open();
        QTRY_VERIFY_WITH_TIMEOUT(entry.expired(), kWaitMs); // freed when the call returned
        QCOMPARE(list->rowCount(), 0);
    }

    // Closing the downloading page while a callback of a task let go is held: the page goes at
    // once (were it waiting for the callback, this test would never get past the reset), and
    // the callback finishes afterwards on its entry and the row model.
    void closingThePageDoesNotWaitForACallbackOfATaskLetGo() {
        PagesFixture f;
        CKivAppDownMgr::Open().OpenDatabase();
        auto page = std::make_unique<CKivXzglZzxzDlg>(nullptr);
        page->initialise();
        CKivAppDownMgr::Instance().InitQueues();
        TaskLeftGate gate;
        QCOMPARE(Request(f, f.serve("gone.apk", "x", "?status=404"), "Gone"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(gate.entered(), kWaitMs);
        QCOMPARE(page->list()->rowCount(), 1);
        const std::weak_ptr<cKivAppInfo> entry = page->entryOf(page->list()->cellAt(0));

        page.reset();
        QVERIFY(!gate.passed());
        QVERIFY(!entry.expired());

        gate.open();
        QTRY_VERIFY_WITH_TIMEOUT(entry.expired(), kWaitMs);
        CKivAppDownMgr::Destroy();
    }

    // Completion and the user's delete race for an entry: whichever comes first has it.
    void completionAndDeletionClaimAnEntryOnce() {
        DownloadingRows rows{KivWindowHandle()};
        auto pending = std::make_shared<cKivAppInfo>();
        auto single = std::make_shared<cKivAppInfo>();
        auto other = std::make_shared<cKivAppInfo>();
        rows.deletions().pending = {pending, other};
        rows.deletions().single = single;

        QVERIFY(rows.claimForCompletion(*pending));
        QVERIFY(pending->completing);
        QCOMPARE(rows.deletions().pending.size(), std::size_t(1)); // the delete lets it go
        QCOMPARE(rows.deletions().pending[0], other);
        QVERIFY(rows.claimForCompletion(*single));
        QVERIFY(!rows.deletions().single); // the question no longer names it

        other->deleting = true; // the deletion worker took it first
        QVERIFY(!rows.claimForCompletion(*other));
        QVERIFY(!other->completing);
        QCOMPARE(rows.deletions().pending.size(), std::size_t(1));
    }

    // The store asks the view it was given whether a URL waits for its install: 2 while it
    // waits; once the page closed, the view knows no queue (and reads nothing of the old one).
    void theStoreSeesTheInstallQueueThroughItsViewWhileThePageLives() {
        PagesFixture f;
        struct Install {
            std::mutex mutex;
            std::condition_variable_any changed;
            bool running = false;
        };
        auto install = std::make_shared<Install>();
        f.openManager(KivInstallServices(
            [] { return true; }, [] { return std::string("PSIM0001"); },
            [install](const std::string&, const std::string&, const std::string&) {
                std::unique_lock lock(install->mutex);
                install->running = true;
                // Held until the queue stops, when the manager closes.
                install->changed.wait(lock, platform::CurrentStopToken(), [] { return false; });
                return InstallResult{};
            },
            [](const std::string&, const std::string&, int, bool, const std::string&) {},
            f.installQueue));
        AddFinished(f, "com.first");
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                std::lock_guard lock(install->mutex);
                return install->running;
            }(),
            kWaitMs);
        AddFinished(f, "com.second");
        QTRY_COMPARE(f.downloaded()->rowCount(), 2);
        const std::string waiting = "http://example.invalid/com.second";
        QVERIFY(f.installQueue->containsUrl(waiting));
        QVERIFY(!f.installQueue->containsUrl("http://example.invalid/com.first")); // installing
        QCOMPARE(Request(f, waiting, "Second"), 2);
        QCOMPARE(f.downloading()->rowCount(), 0);

        f.closeManager();
        QVERIFY(!f.installQueue->containsUrl(waiting));
    }
};

QTEST_MAIN(DownloadingRowsTest)
#include "DownloadingRowsTest.moc"
