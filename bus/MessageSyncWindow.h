#pragma once
// Carries sends made on worker threads to the user-interface thread, and
// runs the plug-ins' timers. Lives on the user-interface thread.
//
// Posted and synchronous sends share one queue, so they run in the order
// they were made. The user-interface thread is woken once per batch, not
// once per send: a wake event is posted only when none is pending, and its
// handler runs every send queued by then (and those queued meanwhile).

#include "bus/QVPlugin.h"

#include <QEvent>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace QVPlugin {

class CHost;
class CManager;

class CMessageSyncWindow : public QObject
{
public:
    explicit CMessageSyncWindow(CManager *manager);
    ~CMessageSyncWindow() override;

    // Without out: queues a clone of in and returns 3 at once. With out:
    // waits until the user-interface thread has run the send.
    int Marshal(CHost *sender, const QUuid &id, IMessage *in, IMessage *out);

    // From now on synchronous sends return 0 at once, those waiting are
    // completed with 0 (so workers blocked on the bus can be joined), and
    // queued posts reach no plug-in.
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
    // A queued send: posted (a clone, no record) or synchronous (a record).
    struct Item
    {
        CHost *sender = nullptr;
        QUuid id;
        std::unique_ptr<IMessage> clone;
        std::shared_ptr<Record> record;
    };
    using Queue = std::deque<Item>;

    void Complete(Record &record, int result);
    // Runs the queued sends; a nested event loop inside one of them goes on
    // with the rest.
    void Drain();
    static void CompleteRecords(Queue &queue, CMessageSyncWindow *window);

    CManager *m_manager;
    std::mutex m_lock; // guards the queue, the flags and the posting of wake events
    Queue m_queue;
    bool m_wakePending = false;
    bool m_refuseSync = false;
    bool m_refusePosts = false;
    Queue m_batch; // taken from the queue; user-interface thread only
    std::atomic<bool> m_shuttingDown{false};
};

} // namespace QVPlugin
