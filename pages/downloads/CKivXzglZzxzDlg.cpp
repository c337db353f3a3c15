#include "CKivXzglZzxzDlg.h"

#include "PageText.h"

#include "AppTaskEvents.h"

#include "downloads/CKivAppDownMgr.h"
#include "downloads/CKivDownObj.h"
#include "platform/config/AppPaths.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivWindows.h"
#include "ui/toolkit/cKivButtonEx.h"

#include <QTimer>

#include <algorithm>
#include <thread>

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

CKivXzglZzxzDlg::CKivXzglZzxzDlg(QWidget* parent) : KivDownloadPage(parent, true) {
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

CKivXzglZzxzDlg::~CKivXzglZzxzDlg() {
    m_deletionWorker.stop();
    m_toolbarWorker.stop();
    for (auto& [serial, entry] : m_entries) {
        stopTasksForClose(*entry);
    }
    // A callback that removed its own task may still be finishing.
    std::vector<EntryPtr> all = m_retired;
    for (auto& [serial, entry] : m_entries) {
        all.push_back(entry);
    }
    for (const EntryPtr& entry : all) {
        while (entry->callbacksInFlight > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

void CKivXzglZzxzDlg::retire(EntryPtr entry) {
    if (entry->callbacksInFlight > 0) {
        m_retired.push_back(std::move(entry));
        QTimer::singleShot(50, this, [this] { sweepRetired(); });
    }
}

void CKivXzglZzxzDlg::sweepRetired() {
    std::erase_if(m_retired, [](const EntryPtr& entry) { return entry->callbacksInFlight == 0; });
    if (!m_retired.empty()) {
        QTimer::singleShot(50, this, [this] { sweepRetired(); });
    }
}

CKivXzglZzxzDlg::EntryPtr CKivXzglZzxzDlg::entryOf(const cKivDownListCell* cell) const {
    if (!cell || !cell->data) {
        return nullptr;
    }
    auto it = m_entries.find(static_cast<cKivAppInfo*>(cell->data)->serial);
    return it == m_entries.end() ? nullptr : it->second;
}

void CKivXzglZzxzDlg::post(const cKivAppInfo& entry, unsigned message, KivLParam lParam) {
    PostKivMessage(m_self, message, static_cast<KivWParam>(entry.serial), lParam);
}

void CKivXzglZzxzDlg::postRowCount() {
    PostKivMessage(WindowHandle(KivWindowRole::DownloadManager), kMsgDownloadingRows,
                   static_cast<KivWParam>(list()->rowCount()));
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
        entry->status = 3;
        entry->page = this;
        const std::uint64_t size = it->saved.fileSize;
        entry->percent = size > 0 ? static_cast<std::int32_t>(it->saved.received * 100 / size) : 0;
        entry->fileSize = size;
        cKivDownListCell* cell =
            list()->AddRow(Qt8(entry->Name), Qt8(entry->Type), Qt8(entry->Ver));
        entry->row = cell;
        cell->data = entry.get();
        addRowButtons(cell, true);
        list()->SetRowProgress(kNormalStatus, cell, entry->percent, QStringLiteral("下载暂停"), -1,
                               -1);
        list()->SetRowSize(size, cell);
        m_entries.emplace(entry->serial, entry);
    }
    for (const IconDownloadedRow& icon : saved.icons) {
        for (int i = 0; i < list()->rowCount(); ++i) {
            EntryPtr entry = entryOf(list()->cellAt(i));
            if (entry &&
                QString::fromStdString(entry->Url).compare(Qt8(icon.appUrl), Qt::CaseInsensitive) ==
                    0 &&
                Qt8(entry->Ver).compare(Qt8(icon.appVer), Qt::CaseInsensitive) == 0) {
                list()->SetRowIcon(entry->row, Qt8(icon.path()));
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
            PostKivMessage(m_downloadedPage, kMsgInstallById, static_cast<KivWParam>(*id));
            return 0;
        }
    }
    // Two requests for one URL within one turn of the event loop both passed the database
    // check; the second must not start a second download into the same file.
    // A request for a paused or failed download listed here resumes it.
    for (const auto& [serial, listed] : m_entries) {
        if (QString::fromStdString(listed->Url)
                .compare(QString::fromStdString(entry->Url), Qt::CaseInsensitive) == 0) {
            if (!m_busy && listed->status != 4 && (listed->halted || !listed->task.load())) {
                ContinueEntry(listed);
            }
            return 0;
        }
    }
    if (manager.database().apps().hasUnfinished(entry->Url)) {
        return 0; // its row is on its way to the list (restore) or leaving it
    }
    entry->page = this;
    cKivDownListCell* cell = list()->AddRow(Qt8(entry->Name), Qt8(entry->Type), Qt8(entry->Ver));
    entry->row = cell;
    cell->data = entry.get();
    CKivDownObj* task = createPackageTask(*entry);
    if (!task) {
        list()->RemoveRow(cell);
        return 0;
    }
    entry->task = task;
    if (auto icon = manager.database().icons().find(entry->Url, entry->Ver)) {
        if (PathExists(*icon)) {
            list()->SetRowIcon(cell, Qt8(*icon));
        }
    } else {
        entry->iconTask = createIconTask(*entry);
    }
    entry->halted = false;
    addRowButtons(cell, false);
    m_entries.emplace(entry->serial, entry);
    startTasks(*entry);
    list()->SetRowProgress(kNormalStatus, cell, -1, kWaiting, -1, -1);
    postRowCount();
    return 0;
}

void CKivXzglZzxzDlg::addRowButtons(cKivDownListCell* cell, bool paused) {
    list()->SetRowButtonPictures(cell, 0, paused ? kContinuePictures : kPausePictures);
    list()->SetRowButtonPictures(cell, 1, kDeletePictures);
    cell->buttonCallbacks[0] = [this](cKivDownListCell* c) { onFirstRowButton(c); };
    cell->buttonCallbacks[1] = [this](cKivDownListCell* c) { onSecondRowButton(c); };
    connectRowTick(cell);
}

// ---- Messages --------------------------------------------------------------------------

KivResult CKivXzglZzxzDlg::onShowEntryState(KivWParam wParam, KivLParam lParam) {
    auto it = m_entries.find(static_cast<std::uint64_t>(wParam));
    if (it == m_entries.end()) {
        return 0; // the entry left the list meanwhile
    }
    cKivAppInfo& entry = *it->second;
    if (lParam == kShowIcon) {
        if (auto icon = CKivAppDownMgr::Instance().database().icons().find(entry.Url, entry.Ver)) {
            list()->SetRowIcon(entry.row, Qt8(*icon));
        }
        return 0;
    }
    if (lParam == kShowWaiting || lParam == kShowWaitingAtZero) {
        list()->SetRowProgress(kNormalStatus, entry.row, lParam == kShowWaiting ? -1 : 0, kWaiting,
                               -1, -1);
        list()->SetRowButtonPictures(entry.row, 0, kPausePictures);
        return 0;
    }
    showState(entry);
    return 0;
}

void CKivXzglZzxzDlg::showState(cKivAppInfo& entry) {
    cKivDownListCell* cell = entry.row;
    switch (entry.status.load()) {
    case 0:
        list()->SetRowProgress(kNormalStatus, cell, -1, QStringLiteral("正在连接"), -1, -1);
        list()->SetRowButtonPictures(cell, 0, kPausePictures);
        return;
    case 2: {
        const int percent = entry.percent;
        const auto kb = static_cast<int>(std::min<std::uint64_t>(entry.speed / 1024, INT32_MAX));
        list()->SetRowProgress(kNormalStatus, cell, percent,
                               QStringLiteral("正在下载%1%").arg(percent), kb, 0);
        showSize(entry);
        return;
    }
    case 3:
        list()->SetRowProgress(kNormalStatus, cell, -1, QStringLiteral("下载暂停"), -1, -1);
        list()->SetRowButtonPictures(cell, 0, kContinuePictures);
        return;
    case 4:
        // A download quicker than one progress report still shows how big it was.
        showSize(entry);
        list()->SetRowProgress(kNormalStatus, cell, 100, QStringLiteral("下载完成"), -1, -1);
        list()->repaint();
        return;
    case 5:
    case -1:
        // The share reached stays on the bar and the size, once known, in its column.
        list()->SetRowProgress(kErrorStatus, cell, entry.percent, FailureText(entry.failure), -1,
                               -1);
        showSize(entry);
        list()->SetRowButtonPictures(cell, 0, kContinuePictures);
        return;
    default:
        return;
    }
}

// The size column follows the file's size: a server whose file was replaced sends another.
void CKivXzglZzxzDlg::showSize(cKivAppInfo& entry) {
    if (entry.fileSize > 0 && entry.row->size != entry.fileSize) {
        list()->SetRowSize(entry.fileSize, entry.row);
    }
}

KivResult CKivXzglZzxzDlg::onEntryLeft(KivWParam wParam, KivLParam lParam) {
    auto it = m_entries.find(static_cast<std::uint64_t>(wParam));
    if (it == m_entries.end()) {
        return 0;
    }
    EntryPtr entry = it->second;
    m_entries.erase(it);
    list()->RemoveRow(entry->row);
    entry->row = nullptr;
    retire(entry);
    if (lParam == 1 && m_busy) {
        m_busy = false;
        if (list()->rowCount() == 0) {
            setTickButtonsEnabled(false);
            list()->setSelectAllChecked(false);
        } else {
            followTicks();
        }
    } else if (list()->rowCount() == 0) {
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
    EntryPtr entry;
    {
        std::lock_guard lock(m_deleteMutex);
        entry = m_singlePending;
    }
    if (!entry || !Confirm(kDeleteQuestion)) {
        return 0;
    }
    if (!startDeletionWorker()) {
        showInitFailure(); // nothing would take the entry: it stays
        return 0;
    }
    std::lock_guard lock(m_deleteMutex);
    // Completion clears the single pending entry: a download that finished while the
    // question was open is kept.
    if (m_singlePending != entry || entry->status == 4) {
        return 0;
    }
    m_singlePending.reset();
    if (entry->row) {
        setTickButtonsEnabled(false);
        list()->SetRowButtonEnabled(entry->row, 0, false);
        list()->SetRowButtonEnabled(entry->row, 1, false);
    }
    m_pendingDelete.push_back(entry);
    m_deleteQueued.notify_one();
    return 0;
}

// ---- Buttons ---------------------------------------------------------------------------

void CKivXzglZzxzDlg::onFirstRowButton(cKivDownListCell* cell) {
    EntryPtr entry = entryOf(cell);
    if (!entry || m_busy || entry->status == 4) {
        return;
    }
    setTickButtonsEnabled(false);
    list()->SetRowButtonEnabled(cell, 1, false);
    if (entry->halted || !entry->task.load()) {
        ContinueEntry(entry);
    } else {
        PauseEntry(entry);
    }
    followTicks();
    list()->SetRowButtonEnabled(cell, 1, true);
}

void CKivXzglZzxzDlg::onSecondRowButton(cKivDownListCell* cell) {
    EntryPtr entry = entryOf(cell);
    if (!entry || m_busy || entry->status == 4) {
        return;
    }
    {
        std::lock_guard lock(m_deleteMutex);
        m_singlePending = entry;
    }
    PostKivMessage(m_self, kMsgDeleteEntry);
}

std::vector<CKivXzglZzxzDlg::EntryPtr> CKivXzglZzxzDlg::tickedEntries() const {
    std::vector<EntryPtr> ticked;
    for (int i = 0; i < list()->rowCount(); ++i) {
        cKivDownListCell* cell = list()->cellAt(i);
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
        if (entry->status != 4) {
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
        if (entry->task.load() && !entry->halted && entry->status != 4) {
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
    std::lock_guard lock(m_deleteMutex);
    m_pendingDelete = std::move(ticked);
    if (!m_pendingDelete.empty()) {
        setTickButtonsEnabled(false);
        m_busy = true;
        m_deleteQueued.notify_one();
    }
}
