// DownloadingRows: the downloading page's row model. It owns the unfinished app downloads
// (cKivAppInfo) by shared ownership, which their tasks share: a task holds its entry for as
// long as it may call back, and a call under way holds it until it returns, so an entry that
// left the page stays valid for every callback still running. The entries reach the model
// through a weak link: a callback that outlives the page finds the model while it holds it.
//
// Threads: the entry map is the UI thread's; the page's handles and the deletion hand-off are
// read by the task callbacks and the page's workers (see the members).
#pragma once

#include "cKivAppInfo.h"

#include "ui/toolkit/KivMessaging.h"
#include "ui/toolkit/KivWindowHandle.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class DownloadingRows {
public:
    using EntryPtr = std::shared_ptr<cKivAppInfo>;

    /// `page`: where the entries' changes are posted.
    explicit DownloadingRows(KivWindowHandle page) : m_page(std::move(page)) {}
    DownloadingRows(const DownloadingRows&) = delete;
    DownloadingRows& operator=(const DownloadingRows&) = delete;

    // UI thread.
    void add(EntryPtr entry);
    EntryPtr find(std::uint64_t serial) const;
    /// The listed entry of `url` (letter case ignored), or null.
    EntryPtr findUrl(const std::string& url) const;
    /// Takes the entry out of the model; null when it is not listed.
    EntryPtr take(std::uint64_t serial);
    const std::map<std::uint64_t, EntryPtr>& entries() const { return m_entries; }

    // Any thread.
    /// Posts `message` about `entry` to the page, naming it by its serial.
    void post(const cKivAppInfo& entry, unsigned message, KivLParam lParam = 0) const;
    void setDownloadedPage(const KivWindowHandle& page);
    KivWindowHandle downloadedPage() const;

    /// The entries the user asked to delete, handed to the page's deletion worker. Completion
    /// takes an entry back out when it finishes first.
    struct Deletions {
        std::mutex mutex;                   // guards the two members below; UI, worker, tasks
        std::condition_variable_any queued; // the deletion worker waits on it
        std::vector<EntryPtr> pending;
        EntryPtr single; ///< the row whose delete button awaits the user's answer
    };
    Deletions& deletions() { return m_deletions; }
    /// Completion claims the entry: false when a delete took it already. Any thread.
    bool claimForCompletion(cKivAppInfo& entry);

private:
    const KivWindowHandle m_page;
    mutable std::mutex m_handleMutex; // guards m_downloadedPage; UI thread and task callbacks
    KivWindowHandle m_downloadedPage;
    std::map<std::uint64_t, EntryPtr> m_entries; // UI thread; the rows' entries by serial
    Deletions m_deletions;
};
