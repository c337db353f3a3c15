// The app download manager's shared parts: the package queue, the icon queue, the
// DownAppInfo.db connection and the two folders packages and icons are saved to. One per
// process, created on first use; the download pages and the start-download entry reach it.
#pragma once

#include "CKivDownQueue.h"
#include "DownAppInfoDatabase.h"

#include <memory>
#include <mutex>
#include <string>

class CKivAppDownMgr {
public:
    /// Packages and icons transfer at most this many at a time each.
    static constexpr int kQueueLimit = 2;

    /// Opens the manager when none is open: the download manager window, the queues'
    /// start-up, tools. Thread-safe.
    static CKivAppDownMgr& Open();
    /// The open manager: the download pages and their workers, between Open() and Destroy().
    /// It opens none of its own; used without one it opens one and says so in the debug log,
    /// as that is a fault of the caller.
    static CKivAppDownMgr& Instance();
    /// The open manager, or nullptr once Destroy() has begun: the download tasks' callbacks,
    /// which may still run while the manager is being destroyed.
    static CKivAppDownMgr* Find();
    /// Destroys the manager (the download manager page closes): the queues stop their
    /// tasks, then the connection is closed. Only Open() makes a new one.
    static void Destroy();
    /// Whether a manager exists now.
    static bool Exists();

    CKivDownQueue& appQueue() { return m_appQueue; }
    CKivDownQueue& iconQueue() { return m_iconQueue; }
    /// The DownAppInfo.db tables; usable only while databaseOpen().
    DownAppInfoDatabase& database() { return m_db; }
    bool databaseOpen() const { return m_db.isOpen(); }

    /// Creates the apk and picture folders, then opens data/DownAppInfo.db with its tables.
    /// False when the file cannot be opened (the pages then show empty lists).
    bool OpenDatabase();
    /// Initialises both queues without database; their limits become 2 only when both did.
    bool InitQueues();

    /// Documents/rezizudazurud/download/apk and .../picture, without a trailing '/'.
    const std::string& apkFolder() const { return m_apkFolder; }
    const std::string& pictureFolder() const { return m_pictureFolder; }

    ~CKivAppDownMgr();

private:
    CKivAppDownMgr();

    // Destroyed in reverse: the app queue first (its tasks' callbacks use the icon queue and
    // the database), then the icon queue (its callbacks use the database), then the database.
    // A task callback still finishing when the manager goes (one whose task was let go) ends
    // during its queue's destruction, while everything it uses is still there.
    DownAppInfoDatabase m_db;
    std::string m_apkFolder;
    std::string m_pictureFolder;
    CKivDownQueue m_iconQueue;
    CKivDownQueue m_appQueue;
};

/// Run on the device page's queue initialisation: the driver queue is initialised with
/// DownData.db, then the app and icon queues without database; their limits are set to 2 when
/// both succeeded. True when all three did.
bool InitAppDownloadQueues();
