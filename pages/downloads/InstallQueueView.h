// InstallQueueView: the downloaded page's install queue as the store's download requests see
// it: whether a URL waits in it. The program makes one and hands it to the download manager,
// whose downloaded page shows its queue through it while the queue exists, and to the store's
// requests (StartAppDownload). UI thread.
#pragma once

#include <string>

class CKivXzglYjxzDlg;
class KivInstallQueue;

class InstallQueueView {
public:
    InstallQueueView() = default;
    InstallQueueView(const InstallQueueView&) = delete;
    InstallQueueView& operator=(const InstallQueueView&) = delete;

    /// Whether the install queue holds `url` (letter case ignored); false without a queue.
    bool containsUrl(const std::string& url) const;

private:
    friend class CKivXzglYjxzDlg; // shows its queue here for the queue's life
    KivInstallQueue* m_queue = nullptr;
};
