#include "bus/MessageSyncWindow.h"

#include "bus/BusLog.h"
#include "bus/Manager.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

namespace QVPlugin {

const QEvent::Type CMessageSyncWindow::SyncEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

CMessageSyncWindow::CMessageSyncWindow(CManager *manager) : m_manager(manager) {}

CMessageSyncWindow::~CMessageSyncWindow()
{
    BeginShutdown();
    DropPosted();
}

int CMessageSyncWindow::Marshal(CHost *sender, const QUuid &id, IMessage *in, IMessage *out)
{
    Item item;
    item.sender = sender;
    item.id = id;
    if (out) {
        item.record = std::make_shared<Record>();
        item.record->sender = sender;
        item.record->id = id;
        item.record->in = in;
        item.record->out = out;
    } else if (in) {
        item.clone.reset(in->Clone());
    }
    const std::shared_ptr<Record> record = item.record;
    {
        std::lock_guard lock(m_lock);
        if (record ? m_refuseSync : m_refusePosts)
            return 0; // the clone goes with the item
        m_queue.push_back(std::move(item));
        // Under the lock: DropPosted cannot slip between the check and the post.
        if (!m_wakePending) {
            m_wakePending = true;
            QCoreApplication::postEvent(this, new QEvent(SyncEventType));
        }
    }
    if (!record)
        return RESULT_POSTED;
    std::unique_lock wait(record->mutex);
    record->done.wait(wait, [&] { return record->completed; });
    return record->result;
}

void CMessageSyncWindow::Complete(Record &record, int result)
{
    {
        std::lock_guard lock(record.mutex);
        record.completed = true;
        record.result = result;
    }
    record.done.notify_all();
}

void CMessageSyncWindow::CompleteRecords(Queue &queue, CMessageSyncWindow *window)
{
    for (auto it = queue.begin(); it != queue.end();) {
        if (it->record) {
            window->Complete(*it->record, 0);
            it = queue.erase(it);
        } else {
            ++it;
        }
    }
}

void CMessageSyncWindow::BeginShutdown()
{
    m_shuttingDown = true;
    {
        std::lock_guard lock(m_lock);
        m_refuseSync = true;
        CompleteRecords(m_queue, this);
    }
    CompleteRecords(m_batch, this);
}

void CMessageSyncWindow::DropPosted()
{
    Queue dropped;
    {
        std::lock_guard lock(m_lock);
        m_refusePosts = true;
        dropped.swap(m_queue);
    }
    dropped.clear();
    // Freed now, while the libraries that made the clones are still loaded.
    m_batch.clear();
    QCoreApplication::removePostedEvents(this, SyncEventType);
}

void CMessageSyncWindow::Drain()
{
    {
        // Sends queued from now on wake the thread again, so an event loop
        // that a handler runs goes on delivering.
        std::lock_guard lock(m_lock);
        m_wakePending = false;
    }
    bool rearmed = false;
    for (;;) {
        if (m_batch.empty()) {
            std::lock_guard lock(m_lock);
            if (m_queue.empty())
                return;
            m_batch.swap(m_queue);
        }
        Item item = std::move(m_batch.front());
        m_batch.pop_front();
        // The rest of the batch must be reachable from an event loop that
        // this send's handler may run.
        if (!rearmed && !m_batch.empty()) {
            rearmed = true;
            std::lock_guard lock(m_lock);
            if (!m_wakePending) {
                m_wakePending = true;
                QCoreApplication::postEvent(this, new QEvent(SyncEventType));
            }
        }
        if (item.record) {
            Complete(*item.record, m_manager->DispatchFromUiThread(item.record->sender, item.record->id,
                                                                   item.record->in, item.record->out));
        } else if (!m_shuttingDown) {
            // Once shut-down began, posts reach no plug-in, even when an
            // Uninitialize pumps events.
            m_manager->DispatchFromUiThread(item.sender, item.id, item.clone.get(), nullptr);
        }
    }
}

bool CMessageSyncWindow::event(QEvent *e)
{
    if (e->type() != SyncEventType)
        return QObject::event(e);
    Drain();
    return true;
}

void CMessageSyncWindow::timerEvent(QTimerEvent *e)
{
    m_manager->OnQtTimer(e->timerId());
}

} // namespace QVPlugin
