#pragma once
// Carries sends made on worker threads to the user-interface thread, and
// runs the plug-ins' timers. Lives on the user-interface thread.

#include "bus/QVPlugin.h"

#include <QEvent>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <shared_mutex>

namespace QVPlugin {

class CHost;
class CManager;

class CMessageSyncWindow : public QObject
{
public:
    explicit CMessageSyncWindow(CManager *manager);
    ~CMessageSyncWindow() override;

    // Without out: posts a clone of in and returns 3 at once. With out:
    // waits until the user-interface thread has run the send.
    int Marshal(CHost *sender, const QUuid &id, IMessage *in, IMessage *out);

    // From now on synchronous sends return 0 at once, and those waiting are
    // completed with 0, so workers blocked on the bus can be joined.
    void BeginShutdown();
    // Frees the posted records not yet delivered and refuses new posts.
    void DropPosted();

    // For the manager's timers.
    int StartTimer(unsigned ms) { return startTimer(int(ms)); }
    void StopTimer(int qtId) { killTimer(qtId); }

    static const QEvent::Type SyncEventType;

protected:
    bool event(QEvent *e) override;
    void timerEvent(QTimerEvent *e) override;

public:
    // A synchronous send waiting for the user-interface thread.
    struct Record
    {
        CHost *sender = nullptr;
        QUuid id;
        IMessage *in = nullptr;
        IMessage *out = nullptr;
        std::mutex mutex;
        std::condition_variable done;
        bool completed = false;
        int result = 0;
    };

private:
    void Complete(Record &record, int result);

    CManager *m_manager;
    std::mutex m_lock; // guards the set, the two flags and posting
    // Synchronous records not yet run. Posted records are owned by their
    // events, so they cost no bookkeeping here.
    std::set<std::shared_ptr<Record>> m_pending;
    bool m_refuseSync = false;
    std::atomic<bool> m_shuttingDown{false}; // user-interface thread only; no post is delivered

    // Posts share it; DropPosted takes it alone, so no post slips past the drop.
    std::shared_mutex m_postLock;
    bool m_refusePosts = false;
};

} // namespace QVPlugin
