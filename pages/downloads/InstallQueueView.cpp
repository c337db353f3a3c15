#include "InstallQueueView.h"

#include "KivInstallQueue.h"

bool InstallQueueView::containsUrl(const std::string& url) const {
    return m_queue && m_queue->containsUrl(url);
}
