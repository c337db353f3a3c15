#include "OpenedPackageReader.h"

#include "platform/DebugLog.h"
#include "ui/toolkit/KivMessages.h"
#include "ui/toolkit/KivMessaging.h"

OpenedPackageReader::OpenedPackageReader(KivWindowHandle page) : m_page(std::move(page)) {}

OpenedPackageReader::~OpenedPackageReader() {
    m_thread.stop();
}

bool OpenedPackageReader::start() {
    return m_thread.start([this](std::stop_token stop) { run(stop); });
}

void OpenedPackageReader::add(const std::vector<std::string>& paths) {
    {
        std::lock_guard lock(m_mutex);
        for (const std::string& path : paths) {
            if (m_paths.size() >= kMaxWaiting) {
                platform::DebugOutput("OpenedPackageReader: too many files, dropped " + path);
                continue;
            }
            m_paths.push_back(path);
        }
    }
    m_added.notify_one();
}

void OpenedPackageReader::run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        std::string path;
        {
            std::unique_lock lock(m_mutex);
            if (!platform::WaitForWork(m_added, lock, stop, [this] { return !m_paths.empty(); })) {
                return;
            }
            path = std::move(m_paths.front());
            m_paths.pop_front();
        }
        OpenedPackage opened{path, apk::ReadApkFile(path)};
        if (!opened.read.manifest) {
            platform::DebugOutput("OpenedPackageReader: " + path + ": " + opened.read.detail);
        }
        PostKivMessageWith(m_page, kMsgPackageOpened, 0, std::move(opened));
    }
}
