// CKivXzglZzxzDlg: the downloading page of the download manager. Its row model
// (DownloadingRows) holds the unfinished app downloads (cKivAppInfo, one per row), shared
// with their tasks; the page turns store requests into package and icon tasks,
// follows the tasks' events, hands finished packages to the downloaded page, restores
// unfinished downloads after a restart, and continues, pauses and deletes them for the user.
//
// Threads: the task callbacks run on the tasks' polling threads, the deletion worker and the
// toolbar worker on their own; none of them touches a widget: every visible change is posted
// to the page, naming the entry by its serial. The page stops its workers and the tasks its
// entries hold before it goes; a callback still finishing holds its entry and the row model,
// never the page, so the page does not wait for it.
#pragma once

#include "DownloadingRows.h"
#include "KivDownloadPage.h"
#include "cKivAppInfo.h"

#include "platform/Worker.h"

#include <chrono>
#include <memory>
#include <stop_token>
#include <vector>

class CKivDownObj;
struct TaskEventData;
enum class TaskEvent : int;

class CKivXzglZzxzDlg : public KivDownloadPage {
    Q_OBJECT
public:
    /// lParam of kMsgShowEntryState besides the entry's own state.
    static constexpr KivLParam kShowWaiting = 99;       ///< "等待开始下载", progress kept
    static constexpr KivLParam kShowWaitingAtZero = 98; ///< the same, progress back to 0
    static constexpr KivLParam kShowIcon = 100;         ///< the entry's icon has arrived

    using EntryPtr = DownloadingRows::EntryPtr;

    explicit CKivXzglZzxzDlg(QWidget* parent = nullptr);
    ~CKivXzglZzxzDlg() override;

    /// Where finished packages go (WM_USER+501, WM_USER+506).
    void SetDownloadedPage(const KivWindowHandle& page) { m_model->setDownloadedPage(page); }

    /// The entry of a row, or null.
    EntryPtr entryOf(const cKivDownListCell* cell) const;
    /// The row of an entry, or null when it has none (any more).
    cKivDownListCell* cellOf(const cKivAppInfo& entry) const;
    bool busy() const { return m_busy; }

    /// Continue and pause one entry (the row buttons, the toolbar worker). Any thread but a
    /// task's own; the row learns the result through a posted message.
    void ContinueEntry(const EntryPtr& entry);
    void PauseEntry(const EntryPtr& entry);

    /// The pause after "下载完成" before the package moves on (one second; tests shorten it).
    static void SetCompletionPauseForTesting(std::chrono::milliseconds pause);

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    bool pageBusy() const override { return m_busy; }
    void onRowButton(cKivDownListCell* cell, int button) override;

private:
    KivResult onAddDownload(KivWParam wParam, KivLParam lParam);
    KivResult onDeletePending(KivWParam wParam, KivLParam lParam);
    KivResult onEntryLeft(KivWParam wParam, KivLParam lParam);
    KivResult onShowEntryState(KivWParam wParam, KivLParam lParam);
    KivResult onToolbarDone(KivWParam wParam, KivLParam lParam);

    void restore();
    void addRowButtons(cKivDownListCell* cell, bool paused);
    /// A new row for the entry, listed in the model; the entry's tasks come after.
    cKivDownListCell* addRow(const EntryPtr& entry);
    void onFirstRowButton(cKivDownListCell* cell);
    void onSecondRowButton(cKivDownListCell* cell);
    void onContinueButton();
    void onPauseButton();
    void onDeleteButton();
    void startToolbarWorker(std::vector<EntryPtr> entries, bool continuing);
    std::vector<EntryPtr> tickedEntries() const;
    /// The worker that carries out deletions, started when the page opens; tried again
    /// when a deletion is asked for without it. False when there is still none.
    bool startDeletionWorker();
    void showSize(cKivAppInfo& entry);
    void showState(cKivAppInfo& entry);
    void postRowCount();
    void post(const cKivAppInfo& entry, unsigned message, KivLParam lParam = 0) const;

    // Tasks (any thread but the task's own).
    // The tasks hold the entry for as long as they may call back.
    CKivDownObj* createPackageTask(const EntryPtr& entry);
    CKivDownObj* createIconTask(const EntryPtr& entry);
    void startTasks(cKivAppInfo& entry);
    void stopTasksForClose(cKivAppInfo& entry);

    void runDeletionWorker(std::stop_token stop);
    void deleteEntry(const EntryPtr& entry);

    // The row model, shared with the task callbacks (through their entries' weak link) and
    // the workers; its own members say which thread touches what.
    const std::shared_ptr<DownloadingRows> m_model;
    KivWindowHandle m_self;
    bool m_busy = false; // UI thread

    platform::Worker m_deletionWorker;
    platform::Worker m_toolbarWorker; // one toolbar action at a time

    static const KivMessageEntry<CKivXzglZzxzDlg> kMessageMap[];
};
