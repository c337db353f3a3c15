// CKivXzglDlg: the download manager, the third page of the main window (tab "下载管理"). Two
// tab buttons on top switch between the downloading page and the downloaded page below them;
// the tabs show the row counts, and the main window's badge follows the downloading count.
#pragma once

#include "KivInstallQueue.h"

#include "ui/toolkit/KivDialog.h"

#include <QString>

class CKivXzglYjxzDlg;
class CKivXzglZzxzDlg;
class QPushButton;

class CKivXzglDlg : public KivDialog {
    Q_OBJECT
public:
    static constexpr int kTabWidth = 129;
    static constexpr int kTabHeight = 43;
    static constexpr int kPageTop = 42;

    /// `installServices` go to the downloaded page's install queue.
    CKivXzglDlg(KivInstallServices installServices, QWidget* parent);
    /// Closes both pages (their tasks and threads end), then the app download manager.
    ~CKivXzglDlg() override;

    CKivXzglZzxzDlg* downloadingPage() const { return m_downloading; }
    CKivXzglYjxzDlg* downloadedPage() const { return m_downloaded; }
    QPushButton* tab(int index) const { return index == 0 ? m_tabDownloading : m_tabDownloaded; }
    /// Shows the downloading page (0) or the downloaded page (1).
    void selectTab(int index);

    /// The captions of the two tabs for a row count.
    static QString DownloadingCaption(long long rows);
    static QString DownloadedCaption(long long rows);

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    KivResult onPageInit(KivWParam wParam, KivLParam lParam);
    KivResult onDownloadingRows(KivWParam wParam, KivLParam lParam);
    KivResult onDownloadedRows(KivWParam wParam, KivLParam lParam);
    KivResult onPhoneGone(KivWParam wParam, KivLParam lParam);
    void layoutPages();

    QPushButton* m_tabDownloading = nullptr;
    QPushButton* m_tabDownloaded = nullptr;
    CKivXzglZzxzDlg* m_downloading = nullptr;
    CKivXzglYjxzDlg* m_downloaded = nullptr;
    KivInstallServices m_installServices;

    static const KivMessageEntry<CKivXzglDlg> kMessageMap[];
};
