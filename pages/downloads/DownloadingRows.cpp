#include "DownloadingRows.h"

#include <QString>

#include <algorithm>

void DownloadingRows::add(EntryPtr entry) {
    const std::uint64_t serial = entry->serial;
    m_entries.emplace(serial, std::move(entry));
}

DownloadingRows::EntryPtr DownloadingRows::find(std::uint64_t serial) const {
    auto it = m_entries.find(serial);
    return it == m_entries.end() ? nullptr : it->second;
}

DownloadingRows::EntryPtr DownloadingRows::findUrl(const std::string& url) const {
    const QString wanted = QString::fromStdString(url);
    for (const auto& [serial, listed] : m_entries) {
        if (QString::fromStdString(listed->Url).compare(wanted, Qt::CaseInsensitive) == 0) {
            return listed;
        }
    }
    return nullptr;
}

DownloadingRows::EntryPtr DownloadingRows::take(std::uint64_t serial) {
    auto it = m_entries.find(serial);
    if (it == m_entries.end()) {
        return nullptr;
    }
    EntryPtr entry = std::move(it->second);
    m_entries.erase(it);
    return entry;
}

void DownloadingRows::post(const cKivAppInfo& entry, unsigned message, KivLParam lParam) const {
    PostKivMessage(m_page, message, static_cast<KivWParam>(entry.serial), lParam);
}

void DownloadingRows::setDownloadedPage(const KivWindowHandle& page) {
    std::lock_guard lock(m_handleMutex);
    m_downloadedPage = page;
}

KivWindowHandle DownloadingRows::downloadedPage() const {
    std::lock_guard lock(m_handleMutex);
    return m_downloadedPage;
}

bool DownloadingRows::claimForCompletion(cKivAppInfo& entry) {
    std::lock_guard lock(m_deletions.mutex);
    if (entry.deleting) {
        return false;
    }
    entry.completing = true;
    std::erase_if(m_deletions.pending, [&](const EntryPtr& e) { return e.get() == &entry; });
    if (m_deletions.single.get() == &entry) {
        m_deletions.single.reset();
    }
    return true;
}
