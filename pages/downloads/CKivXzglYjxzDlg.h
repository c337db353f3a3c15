// CKivXzglYjxzDlg: the downloaded page of the download manager. It owns the finished packages
// (cKivDownloadInfo, one per row) and the install queue that installs each new one on the
// phone; the user can install again, one row or all ticked rows, delete packages with their
// files and icons, and open the package folder.
#pragma once

#include "KivDownloadPage.h"
#include "KivInstallQueue.h"
#include "OpenedPackageReader.h"
#include "cKivDownloadInfo.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CKivXzglYjxzDlg : public KivDownloadPage {
    Q_OBJECT
public:
    CKivXzglYjxzDlg(KivInstallServices installServices, QWidget* parent);
    ~CKivXzglYjxzDlg() override;

    /// The entry of a row, or null.
    cKivDownloadInfo* entryOf(const cKivDownListCell* cell) const;
    cKivDownloadInfo* currentEntry() const;
    bool installAllBusy() const { return m_installAllBusy; }
    bool queueEmpty();
    /// Package files the user opened: each is read on the reader's thread, then gets a row
    /// (named from its manifest) and is installed like a finished download; a file that is no
    /// package gets a message box and no row. UI thread.
    void openPackages(const std::vector<std::string>& paths);
    /// The text of the message box for a file that cannot be installed.
    static QString OpenFailureText(apk::ApkReadError error, const std::string& path);

    /// Opens a folder, or shows a file in its folder; tests record instead.
    using OpenFolderFunction = std::function<void(const std::string& path, bool selectFile)>;
    static void SetOpenFolderFunctionForTesting(OpenFolderFunction open);
    /// Sees every install status the page shows: (package name, status). UI thread.
    using StatusObserver = std::function<void(const std::string& packageName, int status)>;
    static void SetStatusObserverForTesting(StatusObserver observer);

    void onOneClickInstall();
    void onDeleteButton();
    void onOpenFolder();

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    bool pageBusy() const override { return m_installAllBusy; }
    int tickButtonCount() const override { return 2; }
    void onRowClicked(int row) override;
    void onRowTicked(cKivDownListCell* cell) override;
    void onRowButton(cKivDownListCell* cell, int button) override;

private:
    KivResult onAddFinished(KivWParam wParam, KivLParam lParam);
    KivResult onDeleteEntry(KivWParam wParam, KivLParam lParam);
    KivResult onInstallById(KivWParam wParam, KivLParam lParam);
    KivResult onInstallProgress(KivWParam wParam, KivLParam lParam);
    KivResult onStopAdb(KivWParam wParam, KivLParam lParam);
    KivResult onPackageOpened(KivWParam wParam, KivLParam lParam);

    void restore();
    cKivDownListCell* addEntry(std::unique_ptr<cKivDownloadInfo> entry);
    void addAndInstall(std::unique_ptr<cKivDownloadInfo> entry);
    void sayCannotOpen(const OpenedPackage& opened);
    void dropRowsWithoutPackage(const std::string& url, const std::string& path);
    void queueInstall(const cKivDownloadInfo& entry);
    void installRow(cKivDownListCell* cell);
    void deleteRow(cKivDownListCell* cell);
    void showInstallStatus(cKivDownloadInfo& entry, int status);
    void postRowCount();

    std::map<std::uint64_t, std::unique_ptr<cKivDownloadInfo>> m_entries; // UI thread
    KivInstallServices m_installServices; // handed to the install queue at start-up
    std::unique_ptr<KivInstallQueue> m_queue;
    std::unique_ptr<OpenedPackageReader> m_reader;
    bool m_installAllBusy = false;
    std::uint64_t m_current = 0; ///< serial of the current entry, 0 when none

    static const KivMessageEntry<CKivXzglYjxzDlg> kMessageMap[];
};
