// CKivOrviaDlg: the main window. 980 x 620, skinned from picture 0001, three tabs on the left
// and the three pages on the right (device page, store page, download manager), one shown
// at a time; the connection icon, the download badge and four caption buttons (close,
// minimise, menu, feedback). It receives the messages kMsgConnectionIcon, kMsgOpenStoreUrl,
// kMsgShowAbout and kMsgDownloadBadge.
#pragma once

#include "pages/downloads/KivInstallQueue.h"
#include "ui/toolkit/KivDialog.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

class CKivSbxxDlg;
class DevicePageServices;
class CKivXzglDlg;
class CKivYyyxDlg;
class KivImage;
struct KivButtonSkin;
struct KivFrameSkin;
class QLabel;
class QPushButton;

class CKivOrviaDlg : public KivDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 980;
    static constexpr int kHeight = 620;
    static constexpr int kTabWidth = 169;
    static constexpr int kTabHeight = 63;
    enum Tab { kTabDevice = 0, kTabStore = 1, kTabDownloads = 2 };

    /// The pages get their collaborators here: the device page its services (they outlive the
    /// window), the download manager the install queue's.
    CKivOrviaDlg(const DevicePageServices& devicePage, KivInstallServices install,
                 QWidget* parent = nullptr);
    ~CKivOrviaDlg() override;

    /// Shows one page and marks its tab as selected (the disabled button).
    void selectTab(int tab);
    int selectedTab() const { return m_selected; }

    QPushButton* tabButton(int tab) const { return m_tabs[static_cast<std::size_t>(tab)]; }
    QLabel* connectionIcon() const { return m_connectionIcon; }
    CKivSbxxDlg* devicePage() const { return m_devicePage; }
    CKivYyyxDlg* storePage() const { return m_storePage; }
    CKivXzglDlg* downloadManager() const { return m_downloadManager; }

    /// Package files to install (command line, a later start, a drop): the downloaded tab of
    /// the download manager comes up with the window in front, and its page takes the files.
    void openPackages(const std::vector<std::string>& files);

signals:
    /// The first paint of the window has been drawn (start-up timing).
    void firstPainted();

protected:
    void onInitDialog() override;
    bool dispatchKivMessage(unsigned message, KivWParam wParam, KivLParam lParam,
                            KivResult& result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    const KivFrameSkin& attachFrame();
    void createTabs();
    void createPages();

    KivResult onConnectionIcon(KivWParam wParam, KivLParam lParam);
    KivResult onOpenStoreUrl(KivWParam wParam, KivLParam lParam);
    /// Shows the store tab and loads `url` in it.
    void openStoreAt(const std::string& url);
    KivResult onShowAbout(KivWParam wParam, KivLParam lParam);
    KivResult onDownloadBadge(KivWParam wParam, KivLParam lParam);

    std::array<QPushButton*, 3> m_tabs{};
    QLabel* m_connectionIcon = nullptr;
    CKivSbxxDlg* m_devicePage;
    CKivYyyxDlg* m_storePage;
    CKivXzglDlg* m_downloadManager;
    int m_selected = -1;
    bool m_painted = false;

    static const KivMessageEntry<CKivOrviaDlg> kMessageMap[];
};
