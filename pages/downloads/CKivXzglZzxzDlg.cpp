#include "CKivXzglZzxzDlg.h"

#include "PageText.h"

#include "AppTaskEvents.h"

#include "downloads/CKivAppDownMgr.h"
#include "downloads/CKivDownObj.h"
#include "platform/config/AppPaths.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivWindows.h"
#include "ui/toolkit/cKivButtonEx.h"

#include <algorithm>

namespace {

constexpr cKivDownListCell::ButtonPictures kPausePictures{150, 157, 158, 196};
constexpr cKivDownListCell::ButtonPictures kContinuePictures{156, 152, 154, 197};
constexpr cKivDownListCell::ButtonPictures kDeletePictures{161, 159, 160, 194};

const QString kWaiting = QStringLiteral("等待开始下载");
const QString kDeleteQuestion = QStringLiteral("下载尚未完成，是否确定要删除？");

// The failure in the user's words.
QString FailureText(DownloadFailure failure) {
    switch (failure) {
    case DownloadFailure::DiskFull:
        return QStringLiteral("磁盘空间不足，无法下载");
    case DownloadFailure::NotFound:
        return QStringLiteral("文件不存在，无法下载");
    case DownloadFailure::ServerError:
        return QStringLiteral("服务器错误，无法下载");
    case DownloadFailure::FileError:
        return QStringLiteral("文件无法保存，无法下载");
    case DownloadFailure::Network:
        break;
    }
    return QStringLiteral("网络连接错误，无法下载");
}

} // namespace

const KivMessageEntry<CKivXzglZzxzDlg> CKivXzglZzxzDlg::kMessageMap[] = {
    {kMsgAddDownload, &CKivXzglZzxzDlg::onAddDownload},
    {kMsgDeleteEntry, &CKivXzglZzxzDlg::onDeletePending},
    {kMsgEntryLeft, &CKivXzglZzxzDlg::onEntryLeft},
    {kMsgShowEntryState, &CKivXzglZzxzDlg::onShowEntryState},
    {kMsgToolbarDone, &CKivXzglZzxzDlg::onToolbarDone},
};

CKivXzglZzxzDlg::CKivXzglZzxzDlg(QWidget* parent)
    : KivDownloadPage(parent, true), m_model(std::make_shared<DownloadingRows>(handle())) {
    setObjectName(QStringLiteral("CKivXzglZzxzDlg"));
}

bool CKivXzglZzxzDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                         KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

void CKivXzglZzxzDlg::onInitDialog() {
    m_self = handle();
    SetWindowHandle(KivWindowRole::DownloadingPage, m_self);
    // Continue, pause, delete: normal, hover, pressed, disabled.
    createControls({{{181, 179, 180, 201}, {178, 176, 177, 200}, {169, 167, 168, 198}}});
    connect(button(0), &QAbstractButton::clicked, this, [this] { onContinueButton(); });
    connect(button(1), &QAbstractButton::clicked, this, [this] { onPauseButton(); });
    connect(button(2), &QAbstractButton::clicked, this, [this] { onDeleteButton(); });
    restore();
    postRowCount();
    setTickButtonsEnabled(false);
    if (!startDeletionWorker()) {
        showInitFailure();
    }
}

bool CKivXzglZzxzDlg::startDeletionWorker() {
    return m_deletionWorker.running() ||
           m_deletionWorker.start([this](std::stop_token stop) { runDeletionWorker(stop); });
}

// A callback whose task was let go (a failure removes its own task) may still be finishing:
// it holds its entry and the row model, not the page, so nothing here waits for it.
CKivXzglZzxzDlg::~CKivXzglZzxzDlg() {
    m_deletionWorker.stop();
    m_toolbarWorker.stop();
    for (const auto& [serial, entry] : m_model->entries()) {
        stopTasksForClose(*entry);
    }
}

CKivXzglZzxzDlg::EntryPtr CKivXzglZzxzDlg::entryOf(const cKivDownListCell* cell) const {
    return cell ? m_model->find(cell->key) : nullptr;
}

cKivDownListCell* CKivXzglZzxzDlg::cellOf(const cKivAppInfo& entry) const {
    return rows()->find(entry.serial);
}

void CKivXzglZzxzDlg::post(const cKivAppInfo& entry, unsigned message, KivLParam lParam) const {
    m_model->post(entry, message, lParam);
}

void CKivXzglZzxzDlg::postRowCount() {
    PostKivMessage(WindowHandle(KivWindowRole::DownloadManager), kMsgDownloadingRows,
                   static_cast<KivWParam>(rows()->rowCount()));
}

// ---- Restore and new downloads ------------------------------------------------------------

void CKivXzglZzxzDlg::restore() {
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (!manager.databaseOpen()) {
        return;
    }
    list()->setUpdatesEnabled(false);
    const UnfinishedApps saved = manager.database().restoreUnfinished();
    // Rows go in at the top, so the table's last row is added first to keep its order.
    for (auto it = saved.apps.rbegin(); it != saved.apps.rend(); ++it) {
        auto entry = std::make_shared<cKivAppInfo>();
        entry->Url = it->app.url;
        entry->Name = it->app.name;
        entry->Type = it->app.type;
        entry->Ver = it->app.ver;
        entry->ValidType = it->app.validType;
        entry->ValidValue = it->app.validValue;
        entry->PackageName = it->app.packageName;
        entry->halted = true;
        entry->status = RowStatus::Paused;
        const std::uint64_t size = it->saved.fileSize;
        entry->percent = size > 0 ? static_cast<std::int32_t>(it->saved.received * 100 / size) : 0;
        entry->fileSize = size;
        cKivDownListCell* cell = addRow(entry);
        addRowButtons(cell, true);
        rows()->SetRowProgress(kNormalStatus, cell, entry->percent, QStringLiteral("下载暂停"), -1,
                               -1);
        rows()->SetRowSize(size, cell);
    }
    for (const IconDownloadedRow& icon : saved.icons) {
        for (int i = 0; i < rows()->rowCount(); ++i) {
            cKivDownListCell* cell = rows()->cellAt(i);
            EntryPtr entry = entryOf(cell);
            if (entry &&
                QString::fromStdString(entry->Url).compare(Qt8(icon.appUrl), Qt::CaseInsensitive) ==
                    0 &&
                Qt8(entry->Ver).compare(Qt8(icon.appVer), Qt::CaseInsensitive) == 0) {
                rows()->SetRowIcon(cell, Qt8(icon.path()));
                break;
            }
        }
    }
    list()->setUpdatesEnabled(true);
}

KivResult CKivXzglZzxzDlg::onAddDownload(KivWParam, KivLParam lParam) {
    auto* payload = KivPayloadValue<std::unique_ptr<cKivAppInfo>>(lParam);
    if (!payload || !*payload) {
        return 0;
    }
    EntryPtr entry(std::move(*payload));
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (!manager.databaseOpen()) {
        return 0;
    }
    if (auto id = manager.database().apps().findFinished(entry->Url, manager.apkFolder() + "/")) {
        // Downloaded already: installed again, unless its package was removed from the disk;
        // then it is downloaded again and its new row replaces the old one.
        const std::optional<std::string> path = manager.database().apps().finishedPath(*id);
        if (path && PathExists(*path)) {
            PostKivMessage(m_model->downloadedPage(), kMsgInstallById, static_cast<KivWParam>(*id));
            return 0;
        }
    }
    // Two requests for one URL within one turn of the event loop both passed the database
    // check; the second must not start a second download into the same file.
    // A request for a paused or failed download listed here resumes it.
    if (EntryPtr listed = m_model->findUrl(entry->Url)) {
        if (!m_busy && listed->status != RowStatus::Completed &&
            (listed->halted || !listed->task.load())) {
            ContinueEntry(listed);
        }
        return 0;
    }
    if (manager.database().apps().hasUnfinished(entry->Url)) {
        return 0; // its row is on its way to the list (restore) or leaving it
    }
    cKivDownListCell* cell = addRow(entry);
    CKivDownObj* task = createPackageTask(entry);
    if (!task) {
        (void)m_model->take(entry->serial);
        rows()->RemoveRow(cell);
        return 0;
    }
    entry->task = task;
    if (auto icon = manager.database().icons().find(entry->Url, entry->Ver)) {
        if (PathExists(*icon)) {
            rows()->SetRowIcon(cell, Qt8(*icon));
        }
    } else {
        entry->iconTask = createIconTask(entry);
    }
    entry->halted = false;
    addRowButtons(cell, false);
    startTasks(*entry);
    rows()->SetRowProgress(kNormalStatus, cell, -1, kWaiting, -1, -1);
    postRowCount();
    return 0;
}

cKivDownListCell* CKivXzglZzxzDlg::addRow(const EntryPtr& entry) {
    entry->rows = m_model;
    m_model->add(entry);
    return rows()->AddRow(entry->serial, Qt8(entry->Name), Qt8(entry->Type), Qt8(entry->Ver));
}

void CKivXzglZzxzDlg::addRowButtons(cKivDownListCell* cell, bool paused) {
    rows()->SetRowButtonPictures(cell, 0, paused ? kContinuePictures : kPausePictures);
    rows()->SetRowButtonPictures(cell, 1, kDeletePictures);
}

void CKivXzglZzxzDlg::onRowButton(cKivDownListCell* cell, int button) {
    button == 0 ? onFirstRowButton(cell) : onSecondRowButton(cell);
}

// ---- Messages --------------------------------------------------------------------------

KivResult CKivXzglZzxzDlg::onShowEntryState(KivWParam wParam, KivLParam lParam) {
    const EntryPtr listed = m_model->find(static_cast<std::uint64_t>(wParam));
    cKivDownListCell* cell = listed ? cellOf(*listed) : nullptr;
    if (!cell) {
        return 0; // the entry left the list meanwhile
    }
    cKivAppInfo& entry = *listed;
    if (lParam == kShowIcon) {
        if (auto icon = CKivAppDownMgr::Instance().database().icons().find(entry.Url, entry.Ver)) {
            rows()->SetRowIcon(cell, Qt8(*icon));
        }
        return 0;
    }
    if (lParam == kShowWaiting || lParam == kShowWaitingAtZero) {
        rows()->SetRowProgress(kNormalStatus, cell, lParam == kShowWaiting ? -1 : 0, kWaiting, -1,
                               -1);
        rows()->SetRowButtonPictures(cell, 0, kPausePictures);
        return 0;
    }
    showState(entry);
    return 0;
}

void CKivXzglZzxzDlg::showState(cKivAppInfo& entry) {
    cKivDownListCell* cell = cellOf(entry);
    switch (entry.status.load()) {
    case RowStatus::Connecting:
        rows()->SetRowProgress(kNormalStatus, cell, -1, QStringLiteral("正在连接"), -1, -1);
        rows()->SetRowButtonPictures(cell, 0, kPausePictures);
        return;
    case RowStatus::Downloading: {
        const int percent = entry.percent;
        const auto kb = static_cast<int>(std::min<std::uint64_t>(entry.speed / 1024, INT32_MAX));
        rows()->SetRowProgress(kNormalStatus, cell, percent,
                               QStringLiteral("正在下载%1%").arg(percent), kb, 0);
        showSize(entry);
        return;
    }
    case RowStatus::Paused:
        rows()->SetRowProgress(kNormalStatus, cell, -1, QStringLiteral("下载暂停"), -1, -1);
        rows()->SetRowButtonPictures(cell, 0, kContinuePictures);
        return;
    case RowStatus::Completed:
        // A download quicker than one progress report still shows how big it was.
        showSize(entry);
        rows()->SetRowProgress(kNormalStatus, cell, 100, QStringLiteral("下载完成"), -1, -1);
        list()->repaint();
        return;
    case RowStatus::Failed:
        // The share reached stays on the bar and the size, once known, in its column.
        rows()->SetRowProgress(kErrorStatus, cell, entry.percent, FailureText(entry.failure), -1,
                               -1);
        showSize(entry);
        rows()->SetRowButtonPictures(cell, 0, kContinuePictures);
        return;
    case RowStatus::Waiting:
        return; // shown by the waiting messages
    }
}

// The size column follows the file's size: a server whose file was replaced sends another.
void CKivXzglZzxzDlg::showSize(cKivAppInfo& entry) {
    cKivDownListCell* cell = cellOf(entry);
    if (cell && entry.fileSize > 0 && cell->size != entry.fileSize) {
        rows()->SetRowSize(entry.fileSize, cell);
    }
}

KivResult CKivXzglZzxzDlg::onEntryLeft(KivWParam wParam, KivLParam lParam) {
    // A callback still running for the entry holds it; the model lets it go.
    const EntryPtr entry = m_model->take(static_cast<std::uint64_t>(wParam));
    if (!entry) {
        return 0;
    }
    rows()->RemoveRow(cellOf(*entry));
    if (lParam == 1 && m_busy) {
        m_busy = false;
        if (rows()->rowCount() == 0) {
            setTickButtonsEnabled(false);
            list()->setSelectAllChecked(false);
        } else {
            followTicks();
        }
    } else if (rows()->rowCount() == 0) {
        list()->setSelectAllChecked(false);
        setTickButtonsEnabled(false);
    } else {
        followTicks();
    }
    postRowCount();
    return 0;
}

KivResult CKivXzglZzxzDlg::onToolbarDone(KivWParam, KivLParam) {
    m_busy = false;
    setTickButtonsEnabled(true);
    return 0;
}

KivResult CKivXzglZzxzDlg::onDeletePending(KivWParam, KivLParam) {
    DownloadingRows::Deletions& deletions = m_model->deletions();
    EntryPtr entry;
    {
        std::lock_guard lock(deletions.mutex);
        entry = deletions.single;
    }
    if (!entry || !Confirm(kDeleteQuestion)) {
        return 0;
    }
    if (!startDeletionWorker()) {
        showInitFailure(); // nothing would take the entry: it stays
        return 0;
    }
    std::lock_guard lock(deletions.mutex);
    // Completion clears the single pending entry: a download that finished while the
    // question was open is kept.
    if (deletions.single != entry || entry->status == RowStatus::Completed) {
        return 0;
    }
    deletions.single.reset();
    if (cKivDownListCell* cell = cellOf(*entry)) {
        setTickButtonsEnabled(false);
        rows()->SetRowButtonEnabled(cell, 0, false);
        rows()->SetRowButtonEnabled(cell, 1, false);
    }
    deletions.pending.push_back(entry);
    deletions.queued.notify_one();
    return 0;
}

// ---- Buttons ---------------------------------------------------------------------------

void CKivXzglZzxzDlg::onFirstRowButton(cKivDownListCell* cell) {
    EntryPtr entry = entryOf(cell);
    if (!entry || m_busy || entry->status == RowStatus::Completed) {
        return;
    }
    setTickButtonsEnabled(false);
    rows()->SetRowButtonEnabled(cell, 1, false);
    if (entry->halted || !entry->task.load()) {
        ContinueEntry(entry);
    } else {
        PauseEntry(entry);
    }
    followTicks();
    rows()->SetRowButtonEnabled(cell, 1, true);
}

void CKivXzglZzxzDlg::onSecondRowButton(cKivDownListCell* cell) {
    EntryPtr entry = entryOf(cell);
    if (!entry || m_busy || entry->status == RowStatus::Completed) {
        return;
    }
    {
        std::lock_guard lock(m_model->deletions().mutex);
        m_model->deletions().single = entry;
    }
    PostKivMessage(m_self, kMsgDeleteEntry);
}

std::vector<CKivXzglZzxzDlg::EntryPtr> CKivXzglZzxzDlg::tickedEntries() const {
    std::vector<EntryPtr> ticked;
    for (int i = 0; i < rows()->rowCount(); ++i) {
        cKivDownListCell* cell = rows()->cellAt(i);
        if (cell->checked) {
            if (EntryPtr entry = entryOf(cell)) {
                ticked.push_back(std::move(entry));
            }
        }
    }
    return ticked;
}

void CKivXzglZzxzDlg::onContinueButton() {
    std::vector<EntryPtr> entries;
    for (EntryPtr& entry : tickedEntries()) {
        if (entry->status != RowStatus::Completed) {
            entries.push_back(std::move(entry));
        }
    }
    if (!entries.empty()) {
        startToolbarWorker(std::move(entries), true);
    }
}

void CKivXzglZzxzDlg::onPauseButton() {
    std::vector<EntryPtr> entries;
    for (EntryPtr& entry : tickedEntries()) {
        if (entry->task.load() && !entry->halted && entry->status != RowStatus::Completed) {
            entries.push_back(std::move(entry));
        }
    }
    if (!entries.empty()) {
        startToolbarWorker(std::move(entries), false);
    }
}

void CKivXzglZzxzDlg::onDeleteButton() {
    std::vector<EntryPtr> ticked = tickedEntries();
    if (ticked.empty() || !Confirm(kDeleteQuestion)) {
        return;
    }
    if (!startDeletionWorker()) {
        showInitFailure();
        return;
    }
    DownloadingRows::Deletions& deletions = m_model->deletions();
    std::lock_guard lock(deletions.mutex);
    deletions.pending = std::move(ticked);
    if (!deletions.pending.empty()) {
        setTickButtonsEnabled(false);
        m_busy = true;
        deletions.queued.notify_one();
    }
}
