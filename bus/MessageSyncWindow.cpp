#include "bus/MessageSyncWindow.h"

#include "bus/BusLog.h"
#include "bus/Manager.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

namespace QVPlugin {

const QEvent::Type CMessageSyncWindow::SyncEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

namespace {
class SyncEvent : public QEvent
{
public:
    SyncEvent() : QEvent(CMessageSyncWindow::SyncEventType) {}
    // A posted send.
    CHost *sender = nullptr;
    QUuid id;
    std::unique_ptr<IMessage> clone;
    // A synchronous send; null for a posted one.
    std::shared_ptr<CMessageSyncWindow::Record> record;
};
} // namespace

CMessageSyncWindow::CMessageSyncWindow(CManager *manager) : m_manager(manager) {}

CMessageSyncWindow::~CMessageSyncWindow()
{
    BeginShutdown();
    DropPosted();
}

int CMessageSyncWindow::Marshal(CHost *sender, const QUuid &id, IMessage *in, IMessage *out)
{
    auto *event = new SyncEvent;
    if (!out) {
        event->sender = sender;
        event->id = id;
        if (in)
            event->clone.reset(in->Clone());
        std::shared_lock lock(m_postLock);
        if (m_refusePosts) {
            delete event;
            return 0;
        }
        QCoreApplication::postEvent(this, event);
        return RESULT_POSTED;
    }

    auto record = std::make_shared<Record>();
    record->sender = sender;
    record->id = id;
    record->in = in;
    record->out = out;
    event->record = record;
    {
        std::lock_guard lock(m_lock);
        if (m_refuseSync) {
            delete event;
            return 0;
        }
        m_pending.insert(record);
        QCoreApplication::postEvent(this, event);
    }
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

void CMessageSyncWindow::BeginShutdown()
{
    std::set<std::shared_ptr<Record>> waiting;
    {
        std::lock_guard lock(m_lock);
        m_refuseSync = true;
        m_shuttingDown = true;
        waiting.swap(m_pending);
    }
    for (auto &r : waiting)
        Complete(*r, 0);
}

void CMessageSyncWindow::DropPosted()
{
    {
        std::unique_lock lock(m_postLock);
        m_refusePosts = true;
    }
    // Deleting the events frees the clones now, while the libraries that
    // made them are still loaded.
    QCoreApplication::removePostedEvents(this, SyncEventType);
}

bool CMessageSyncWindow::event(QEvent *e)
{
    if (e->type() != SyncEventType)
        return QObject::event(e);
    auto *sync = static_cast<SyncEvent *>(e);
    if (!sync->record) {
        // Once shut-down began, posts reach no plug-in, even when an
        // Uninitialize pumps events.
        if (!m_shuttingDown.load(std::memory_order_relaxed))
            m_manager->DispatchFromUiThread(sync->sender, sync->id, sync->clone.get(), nullptr);
        return true;
    }
    Record &record = *sync->record;
    {
        std::lock_guard lock(m_lock);
        // Not in the set: completed at shut-down; nothing to run.
        if (m_pending.erase(sync->record) == 0)
            return true;
    }
    Complete(record, m_manager->DispatchFromUiThread(record.sender, record.id, record.in, record.out));
    return true;
}

void CMessageSyncWindow::timerEvent(QTimerEvent *e)
{
    m_manager->OnQtTimer(e->timerId());
}

} // namespace QVPlugin
