#include "CKivXzglYjxzDlg.h"

#include "InstallQueueView.h"
#include "PageText.h"

#include "device/bridge/AdbCommands.h"

#include "downloads/CKivAppDownMgr.h"
#include "platform/DebugLog.h"
#include "platform/config/AppPaths.h"
#include "ui/toolkit/CKivMsgBoxDlg.h"
#include "ui/toolkit/KivWindows.h"
#include "ui/toolkit/cKivButtonEx.h"

#include "device/bridge/ProcessRunner.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

#include <filesystem>
#include <system_error>

namespace {

constexpr cKivDownListCell::ButtonPictures kInstallPictures{164, 162, 163, 195};
constexpr cKivDownListCell::ButtonPictures kDeletePictures{161, 159, 160, 194};
const QString kDeleteQuestion = QStringLiteral("是否确定要删除该任务吗？");

CKivXzglYjxzDlg::OpenFolderFunction g_openFolder;
CKivXzglYjxzDlg::StatusObserver g_statusObserver;

/// The folder with the desktop's default handler; the user hears of it when nothing opens it.
void OpenFolderOrSay(QWidget* page, const QString& folder) {
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder))) {
        // Not modal: this runs when the file manager's answer comes, inside whatever the user
        // is doing by then.
        auto* box = new CKivMsgBoxDlg(QStringLiteral("无法打开文件夹：") + folder,
                                      ApplicationName(), false, page);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

/// The file manager's "show this file" over D-Bus, else the folder with the default handler.
/// Nothing here waits on the UI thread: the D-Bus call runs as a child whose end is handled
/// when it comes (at most 5 seconds later).
void OpenFolder(QWidget* page, const std::string& path, bool selectFile) {
    if (!selectFile) {
        OpenFolderOrSay(page, Qt8(path));
        return;
    }
    const QString folder = Qt8(path.substr(0, path.rfind('/')));
    auto* process = new QProcess(page);
    QObject::connect(process, &QProcess::finished, page,
                     [page, process, folder](int code, QProcess::ExitStatus status) {
                         process->deleteLater();
                         if (status != QProcess::NormalExit || code != 0) {
                             OpenFolderOrSay(page, folder);
                         }
                     });
    QObject::connect(process, &QProcess::errorOccurred, page,
                     [page, process, folder](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             process->deleteLater();
                             OpenFolderOrSay(page, folder);
                         }
                     });
    const QString uri = QUrl::fromLocalFile(Qt8(path)).toString();
    process->start(QStringLiteral("dbus-send"),
                   {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                    QStringLiteral("--reply-timeout=5000"),
                    QStringLiteral("--dest=org.freedesktop.FileManager1"),
                    QStringLiteral("/org/freedesktop/FileManager1"),
                    QStringLiteral("org.freedesktop.FileManager1.ShowItems"),
                    QStringLiteral("array:string:") + uri, QStringLiteral("string:")});
}

/// The package file of a finished download, its database rows and its icon when no other row
/// uses it.
void deleteDownloadedFiles(const cKivDownloadInfo& entry) {
    DownAppInfoDatabase& db = CKivAppDownMgr::Instance().database();
    std::error_code ignored;
    std::filesystem::remove(entry.path, ignored);
    const std::optional<std::string> icon =
        entry.iconPath.empty() ? std::nullopt : std::optional<std::string>(entry.iconPath);
    if (entry.ID != -1) {
        db.deleteFinished(entry.ID, entry.Url, entry.Ver, icon);
    } else {
        db.icons().cleanUp(entry.Url, entry.Ver, icon);
    }
}

struct InstallStatusLook {
    int status;
    const char* text;
    bool error;
    bool busy;
};

constexpr InstallStatusLook kInstallLooks[] = {
    {KivInstallQueue::kInstalling, "正在安装", false, true},
    {KivInstallQueue::kNoStorage, "设备内存不足，无法安装", true, true},
    {KivInstallQueue::kInstalled, "安装完成", false, true},
    {KivInstallQueue::kNoPhone, "设备未连接，无法安装", true, false},
    {KivInstallQueue::kFailed, "安装失败", true, true},
    {KivInstallQueue::kNotReady, "设备未就绪", true, true},
    {KivInstallQueue::kBadPackage, "安装包错误，无法安装", true, true},
    {KivInstallQueue::kReset, "", false, false},
};

} // namespace

const KivMessageEntry<CKivXzglYjxzDlg> CKivXzglYjxzDlg::kMessageMap[] = {
    {kMsgAddFinished, &CKivXzglYjxzDlg::onAddFinished},
    {kMsgDeleteEntry, &CKivXzglYjxzDlg::onDeleteEntry},
    {kMsgInstallById, &CKivXzglYjxzDlg::onInstallById},
    {kMsgInstallProgress, &CKivXzglYjxzDlg::onInstallProgress},
    {kMsgStopAdb, &CKivXzglYjxzDlg::onStopAdb},
    {kMsgPackageOpened, &CKivXzglYjxzDlg::onPackageOpened},
};

CKivXzglYjxzDlg::CKivXzglYjxzDlg(KivInstallServices installServices, QWidget* parent)
    : KivDownloadPage(parent, false), m_installServices(std::move(installServices)) {
    setObjectName(QStringLiteral("CKivXzglYjxzDlg"));
}

void CKivXzglYjxzDlg::SetOpenFolderFunctionForTesting(OpenFolderFunction open) {
    g_openFolder = std::move(open);
}

void CKivXzglYjxzDlg::SetStatusObserverForTesting(StatusObserver observer) {
    g_statusObserver = std::move(observer);
}

bool CKivXzglYjxzDlg::dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                                         KivResult& result) {
    return DispatchKivMessage(*this, kMessageMap, message, wParam, lParam, result);
}

void CKivXzglYjxzDlg::onInitDialog() {
    SetWindowHandle(KivWindowRole::DownloadedPage, handle());
    // One-click install, delete, open folder: normal, hover, pressed, disabled.
    createControls({{{172, 170, 171, 199}, {169, 167, 168, 198}, {175, 173, 174, 0}}});
    connect(button(0), &QAbstractButton::clicked, this, [this] { onOneClickInstall(); });
    connect(button(1), &QAbstractButton::clicked, this, [this] { onDeleteButton(); });
    connect(button(2), &QAbstractButton::clicked, this, [this] { onOpenFolder(); });
    std::string journal;
    (void)BuildAppPath("installing.journal", "data", true, journal);
    m_queue = std::make_unique<KivInstallQueue>(handle(), journal, m_installServices);
    // A package a killed install left under its temporary name gets its own name back first:
    // restoring drops the rows whose file is missing.
    m_queue->recoverParkedPackage();
    restore();
    postRowCount();
    setTickButtonsEnabled(false);
    m_reader = std::make_unique<OpenedPackageReader>(handle());
    if (!m_queue->start() || !m_reader->start()) {
        showInitFailure();
    }
    m_installServices.queueView->m_queue = m_queue.get();
}

CKivXzglYjxzDlg::~CKivXzglYjxzDlg() {
    platform::DebugOutput("CKivXzglYjxzDlg::OnDestroy()----1----");
    if (m_installServices.queueView->m_queue == m_queue.get()) {
        m_installServices.queueView->m_queue = nullptr;
    }
    m_reader.reset();
    m_queue.reset(); // waits for the install under way
    platform::DebugOutput("CKivXzglYjxzDlg::OnDestroy()----2----");
}

cKivDownloadInfo* CKivXzglYjxzDlg::entryOf(const cKivDownListCell* cell) const {
    if (!cell) {
        return nullptr;
    }
    auto it = m_entries.find(cell->key);
    return it == m_entries.end() ? nullptr : it->second.get();
}

cKivDownloadInfo* CKivXzglYjxzDlg::currentEntry() const {
    auto it = m_entries.find(m_current);
    return it == m_entries.end() ? nullptr : it->second.get();
}

bool CKivXzglYjxzDlg::queueEmpty() {
    return !m_queue || m_queue->empty();
}

void CKivXzglYjxzDlg::postRowCount() {
    PostKivMessage(WindowHandle(KivWindowRole::DownloadManager), kMsgDownloadedRows,
                   static_cast<KivWParam>(rows()->rowCount()));
}

void CKivXzglYjxzDlg::restore() {
    CKivAppDownMgr& manager = CKivAppDownMgr::Instance();
    if (!manager.databaseOpen()) {
        return;
    }
    list()->setUpdatesEnabled(false);
    const FinishedApps finished = manager.database().restoreFinished();
    for (const AppDownloadedRow& row : finished.apps) {
        auto entry = std::make_unique<cKivDownloadInfo>();
        entry->ID = row.id;
        entry->Url = row.app.url;
        entry->Name = row.app.name;
        entry->Type = row.app.type;
        entry->Ver = row.app.ver;
        entry->PackageName = row.app.packageName;
        entry->ValidType = row.app.validType;
        entry->ValidValue = row.app.validValue;
        entry->path = row.path();
        entry->fileSize = row.fileSize;
        for (const IconDownloadedRow& icon : finished.icons) {
            if (icon.appUrl == row.app.url && icon.appVer == row.app.ver) {
                entry->iconPath = icon.path();
            }
        }
        addEntry(std::move(entry));
    }
    list()->setUpdatesEnabled(true);
}

cKivDownListCell* CKivXzglYjxzDlg::addEntry(std::unique_ptr<cKivDownloadInfo> entry) {
    const QString icon =
        !entry->iconPath.empty() && PathExists(entry->iconPath) ? Qt8(entry->iconPath) : QString();
    cKivDownListCell* cell =
        rows()->AddRow(entry->serial, Qt8(entry->Name), Qt8(entry->Type), Qt8(entry->Ver), icon);
    entry->row = cell;
    rows()->SetRowSize(entry->fileSize, cell);
    rows()->SetRowButtonPictures(cell, 0, kInstallPictures);
    rows()->SetRowButtonPictures(cell, 1, kDeletePictures);
    m_entries.emplace(entry->serial, std::move(entry));
    return cell;
}

// An app downloaded again after its package was removed from the disk: the old row, whose
// package is gone (or is the new one, under the same name), gives way to the new row.
void CKivXzglYjxzDlg::dropRowsWithoutPackage(const std::string& url, const std::string& path) {
    const QString wanted = Qt8(url);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        cKivDownloadInfo& old = *it->second;
        const bool packageGone = old.path == path || !PathExists(old.path);
        if (Qt8(old.Url).compare(wanted, Qt::CaseInsensitive) != 0 || !packageGone) {
            ++it;
            continue;
        }
        m_queue->remove(old.serial);
        if (old.ID != -1) {
            CKivAppDownMgr::Instance().database().apps().forgetFinished(old.ID);
        }
        if (m_current == old.serial) {
            m_current = 0;
        }
        rows()->RemoveRow(old.row);
        it = m_entries.erase(it);
    }
}

void CKivXzglYjxzDlg::queueInstall(const cKivDownloadInfo& entry) {
    m_queue->append({entry.serial, entry.Url, entry.path, entry.ValidValue, entry.PackageName,
                     entry.openedFile});
}

// ---- Messages --------------------------------------------------------------------------

KivResult CKivXzglYjxzDlg::onAddFinished(KivWParam, KivLParam lParam) {
    auto* payload = KivPayloadValue<std::unique_ptr<cKivDownloadInfo>>(lParam);
    if (!payload || !*payload) {
        return 0;
    }
    addAndInstall(std::move(*payload));
    return 0;
}

// A finished download, or a package the user opened, is installed at once.
void CKivXzglYjxzDlg::addAndInstall(std::unique_ptr<cKivDownloadInfo> entry) {
    cKivDownloadInfo* added = entry.get();
    dropRowsWithoutPackage(added->Url, added->path);
    cKivDownListCell* cell = addEntry(std::move(entry));
    postRowCount();
    queueInstall(*added);
    setTickButtonsEnabled(false);
    rows()->SetRowButtonEnabled(cell, 0, false);
    rows()->SetRowButtonEnabled(cell, 1, false);
}

KivResult CKivXzglYjxzDlg::onInstallById(KivWParam wParam, KivLParam) {
    const auto id = static_cast<std::int64_t>(wParam);
    if (id == -1 || m_installAllBusy) {
        return 0;
    }
    for (auto& [serial, entry] : m_entries) {
        if (entry->ID == id) {
            setTickButtonsEnabled(false);
            rows()->SetRowButtonEnabled(entry->row, 0, false);
            rows()->SetRowButtonEnabled(entry->row, 1, false);
            queueInstall(*entry);
            return 0;
        }
    }
    return 0;
}

KivResult CKivXzglYjxzDlg::onInstallProgress(KivWParam wParam, KivLParam lParam) {
    const int status = static_cast<int>(lParam);
    auto it = m_entries.find(static_cast<std::uint64_t>(wParam));
    if (it != m_entries.end()) {
        showInstallStatus(*it->second, status);
        if (g_statusObserver) {
            g_statusObserver(it->second->PackageName, status);
        }
    }
    if (status != KivInstallQueue::kReset) {
        return 0;
    }
    // The end of an install, also of a row deleted meanwhile: the buttons come back.
    if (m_installAllBusy) {
        if (m_queue->empty()) {
            m_installAllBusy = false;
            setTickButtonsEnabled(true);
        }
    } else {
        followTicks();
    }
    return 0;
}

void CKivXzglYjxzDlg::showInstallStatus(cKivDownloadInfo& entry, int status) {
    for (const InstallStatusLook& look : kInstallLooks) {
        if (look.status != status) {
            continue;
        }
        rows()->SetRowInstallState(look.error ? kErrorStatus : kNormalStatus, look.busy, entry.row,
                                   QString::fromUtf8(look.text));
        if (status == KivInstallQueue::kNoPhone || status == KivInstallQueue::kReset) {
            const bool enabled = status == KivInstallQueue::kReset;
            rows()->SetRowButtonEnabled(entry.row, 0, enabled);
            rows()->SetRowButtonEnabled(entry.row, 1, enabled);
        }
        return;
    }
}

KivResult CKivXzglYjxzDlg::onStopAdb(KivWParam, KivLParam) {
    // The phone went away: an install blocked in adb ends with its error. Only the program's
    // own install is cut; adb processes of others are left alone.
    if (m_queue) {
        m_queue->cancelInstall();
    }
    return 0;
}

KivResult CKivXzglYjxzDlg::onDeleteEntry(KivWParam wParam, KivLParam lParam) {
    auto it = m_entries.find(static_cast<std::uint64_t>(wParam));
    if (it != m_entries.end()) {
        std::unique_ptr<cKivDownloadInfo> entry = std::move(it->second);
        m_entries.erase(it);
        m_queue->remove(entry->serial);
        // A package the user opened stays theirs: only the row goes.
        if (!entry->openedFile) {
            deleteDownloadedFiles(*entry);
        }
        if (m_current == entry->serial) {
            m_current = 0;
        }
        rows()->RemoveRow(entry->row);
    }
    if (lParam == 2) {
        setTickButtonsEnabled(true);
        m_installAllBusy = false;
        list()->setUpdatesEnabled(true);
    }
    if (rows()->rowCount() == 0) {
        setTickButtonsEnabled(false);
        list()->setSelectAllChecked(false);
    } else if (lParam == 1 || lParam == 2) {
        setTickButtonsEnabled(rows()->anyChecked());
    }
    postRowCount();
    return 0;
}

// ---- Package files the user opened ----------------------------------------------------

void CKivXzglYjxzDlg::openPackages(const std::vector<std::string>& paths) {
    if (m_reader) {
        m_reader->add(paths);
    }
}

QString CKivXzglYjxzDlg::OpenFailureText(apk::ApkReadError error, const std::string& path) {
    const char* reason = "无法安装：文件不是有效的安卓安装包";
    if (error == apk::ApkReadError::Missing) {
        reason = "无法安装：找不到文件";
    } else if (error == apk::ApkReadError::Unreadable) {
        reason = "无法安装：无法读取文件";
    }
    const std::string name = std::filesystem::path(path).filename().string();
    return QString::fromUtf8(reason) + QLatin1Char('\n') + Qt8(name.empty() ? path : name);
}

KivResult CKivXzglYjxzDlg::onPackageOpened(KivWParam, KivLParam lParam) {
    const auto* opened = KivPayloadValue<OpenedPackage>(lParam);
    if (!opened) {
        return 0;
    }
    if (!opened->read.manifest) {
        sayCannotOpen(*opened);
        return 0;
    }
    const apk::ApkManifest& manifest = *opened->read.manifest;
    auto entry = std::make_unique<cKivDownloadInfo>();
    entry->Url = QUrl::fromLocalFile(Qt8(opened->path)).toString().toStdString();
    entry->Name = manifest.displayName();
    entry->Type = "本地安装包";
    entry->Ver = manifest.versionText();
    entry->PackageName = manifest.packageName;
    entry->path = opened->path;
    entry->fileSize = opened->read.fileSize;
    entry->openedFile = true;
    addAndInstall(std::move(entry));
    return 0;
}

// Not modal: files keep coming (a drop of several, a second start) while the box is up.
void CKivXzglYjxzDlg::sayCannotOpen(const OpenedPackage& opened) {
    auto* box = new CKivMsgBoxDlg(OpenFailureText(opened.read.error, opened.path),
                                  ApplicationName(), false, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// ---- Buttons and clicks ----------------------------------------------------------------

void CKivXzglYjxzDlg::onRowClicked(int row) {
    if (cKivDownloadInfo* entry = entryOf(rows()->cellAt(row))) {
        m_current = entry->serial;
    }
}

void CKivXzglYjxzDlg::onRowTicked(cKivDownListCell* cell) {
    if (cell->checked && !currentEntry()) {
        if (cKivDownloadInfo* entry = entryOf(cell)) {
            m_current = entry->serial;
        }
    }
}

void CKivXzglYjxzDlg::onRowButton(cKivDownListCell* cell, int button) {
    button == 0 ? installRow(cell) : deleteRow(cell);
}

void CKivXzglYjxzDlg::onOneClickInstall() {
    for (int i = 0; i < rows()->rowCount(); ++i) {
        cKivDownListCell* cell = rows()->cellAt(i);
        cKivDownloadInfo* entry = entryOf(cell);
        if (cell->checked && entry) {
            queueInstall(*entry);
        }
    }
    if (rows()->rowCount() > 0) {
        m_installAllBusy = true;
        setTickButtonsEnabled(false);
    }
}

void CKivXzglYjxzDlg::installRow(cKivDownListCell* cell) {
    cKivDownloadInfo* entry = entryOf(cell);
    if (!entry || m_installAllBusy) {
        return;
    }
    setTickButtonsEnabled(false);
    rows()->SetRowButtonEnabled(cell, 0, false);
    rows()->SetRowButtonEnabled(cell, 1, false);
    queueInstall(*entry);
}

void CKivXzglYjxzDlg::deleteRow(cKivDownListCell* cell) {
    cKivDownloadInfo* entry = entryOf(cell);
    if (!entry || m_installAllBusy || !Confirm(kDeleteQuestion)) {
        return;
    }
    setTickButtonsEnabled(false);
    rows()->SetRowButtonEnabled(cell, 0, false);
    rows()->SetRowButtonEnabled(cell, 1, false);
    PostKivMessage(handle(), kMsgDeleteEntry, static_cast<KivWParam>(entry->serial), 1);
}

void CKivXzglYjxzDlg::onDeleteButton() {
    std::vector<std::uint64_t> ticked;
    for (int i = 0; i < rows()->rowCount(); ++i) {
        cKivDownListCell* cell = rows()->cellAt(i);
        if (cell->checked) {
            if (cKivDownloadInfo* entry = entryOf(cell)) {
                ticked.push_back(entry->serial);
            }
        }
    }
    if (ticked.empty() || !Confirm(kDeleteQuestion)) {
        return;
    }
    for (std::uint64_t serial : ticked) {
        m_queue->remove(serial);
    }
    setTickButtonsEnabled(false);
    m_installAllBusy = true;
    list()->setUpdatesEnabled(false);
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        PostKivMessage(handle(), kMsgDeleteEntry, static_cast<KivWParam>(ticked[i]),
                       i + 1 == ticked.size() ? 2 : 0);
    }
}

void CKivXzglYjxzDlg::onOpenFolder() {
    const OpenFolderFunction open =
        g_openFolder ? g_openFolder : [this](const std::string& path, bool selectFile) {
            OpenFolder(this, path, selectFile);
        };
    cKivDownloadInfo* entry = currentEntry();
    if (entry && PathExists(entry->path)) {
        open(entry->path, true);
        return;
    }
    open(CKivAppDownMgr::Instance().apkFolder(), false);
}
