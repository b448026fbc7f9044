#include "plugins/kbservice/Brandle.h"

#include "bus/KBPayloads.h"
#include "bus/MessageIds.h"
#include "plugins/kbservice/KBServiceLog.h"
#include "shared/UiWait.h"

#include <QGuiApplication>
#include <QThread>

#include <optional>

using namespace QVPlugin;

namespace {

// The library's string table; neither text is shown anywhere.
QString BrandleString(unsigned id)
{
    switch (id) {
    case 15000:
        return QStringLiteral("XMPP PLugin");
    case 15001:
        return QStringLiteral("XMPP Protocol Communication Plugin");
    default:
        return QString();
    }
}

class CQueryArticleTask : public IKBServiceTask
{
public:
    explicit CQueryArticleTask(std::string id) : m_id(std::move(id)) {}
    void Execute(CBrandle *service) override { service->QueryArticle(m_id); }

private:
    std::string m_id;
};

class CKBServiceTaskSearch : public IKBServiceTask
{
public:
    explicit CKBServiceTaskSearch(const KBSearchParams &params) : m_params(params) {}
    void Execute(CBrandle *service) override { service->Find(m_params); }

private:
    KBSearchParams m_params;
};

int WriteResult(int result)
{
    return result == RESULT_DONE ? RESULT_DONE : -1;
}

} // namespace

CBrandle::CBrandle() : CPluginBase(15000, &BrandleString)
{
    m_modes.push_back(kMode);
}

CBrandle::~CBrandle()
{
    // The host unloads before it releases; a worker still running here would
    // outlive the object.
    OnUnload();
}

const QUuid *CBrandle::GetId() const
{
    return &PLUGIN_GUID_KB_SERVICE;
}

void CBrandle::SetRefreshInterval(std::chrono::milliseconds refresh)
{
    m_refreshInterval = refresh;
}

bool CBrandle::OnLoad()
{
    if (!m_worker.joinable()) {
        try {
            m_worker = std::thread(&CBrandle::WorkerMain, this);
        } catch (const std::system_error &e) {
            // Writes still work without the worker.
            qCWarning(lcKBService) << "knowledge-base worker not started:" << e.what();
        }
    }
    return true;
}

void CBrandle::OnUnload()
{
    if (m_worker.joinable()) {
        {
            std::lock_guard lock(m_queueLock);
            m_stop = true;
            m_wake = true;
        }
        m_wakeEvent.notify_one();
        // A call in progress, even one still connecting, ends at once: its
        // answer would reach nobody, and the worker must not outlive the
        // library's code.
        m_client.Abort();
        m_worker.join();
    }
    std::lock_guard lock(m_queueLock);
    m_tasks.clear();
    CPluginBase::OnUnload();
}

void CBrandle::OnSettingChanged(const QString &key, const QVariant &value)
{
    const std::string text = value.toString().toStdString();
    if (key == QLatin1String("agent.account.id")) {
        m_client.SetAccountId(text);
        std::lock_guard lock(m_settingsLock);
        m_accountId = text;
    } else if (key == QLatin1String("agent.account.key")) {
        m_client.SetAccountKey(text);
    } else if (key == QLatin1String("kb.webservice.url")) {
        m_client.SetServiceUrl(text);
        std::lock_guard lock(m_settingsLock);
        m_serviceUrl = text;
    }
}

bool CBrandle::HasAccount() const
{
    std::lock_guard lock(m_settingsLock);
    return !m_accountId.empty() && !m_serviceUrl.empty();
}

int CBrandle::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    const int base = CPluginBase::OnMessage(id, in, out);
    if (base != RESULT_NOT_HANDLED)
        return base;
    if (!HasAccount())
        return RESULT_NOT_HANDLED;
    return HandleRequest(id, in, out);
}

int CBrandle::HandleRequest(const QUuid &id, IMessage *in, IMessage *out)
{
    if (id == MSG_KB_REFRESH) {
        Wake();
        return RESULT_DONE;
    }
    if (id == MSG_KB_ADD_CATEGORY || id == MSG_KB_UPDATE_CATEGORY) {
        auto *msg = KBPayloadAs<KBCategoryMessage>(in);
        if (!msg)
            return -1;
        const bool add = id == MSG_KB_ADD_CATEGORY;
        return WriteResult(RunWrite([&] {
            return add ? m_client.AddCategory(msg->value) : m_client.EditCategory(msg->value);
        }));
    }
    if (id == MSG_KB_DELETE_CATEGORY) {
        auto *msg = KBPayloadAs<QVMessage<int>>(in);
        if (!msg)
            return -1;
        return WriteResult(RunWrite([&] { return m_client.DeleteEntity("CATEGORY", std::to_string(msg->value)); }));
    }
    if (id == MSG_KB_ADD_STATUS) {
        auto *msg = KBPayloadAs<KBStatusMessage>(in);
        return msg ? WriteResult(RunWrite([&] { return m_client.AddStatus(msg->value); })) : -1;
    }
    if (id == MSG_KB_UPDATE_STATUS) {
        auto *msg = KBPayloadAs<KBStatusChangeMessage>(in);
        return msg ? WriteResult(RunWrite([&] { return m_client.EditStatus(msg->value); })) : -1;
    }
    if (id == MSG_KB_DELETE_STATUS) {
        auto *msg = KBPayloadAs<QVMessage<std::string>>(in);
        return msg ? WriteResult(RunWrite([&] { return m_client.DeleteEntity("STATUS", msg->value); })) : -1;
    }
    if (id == MSG_KB_GET_ARTICLE) {
        auto *msg = KBPayloadAs<QVMessage<std::string>>(in);
        if (!msg)
            return -1;
        PushTask(std::make_unique<CQueryArticleTask>(msg->value));
        return RESULT_DONE;
    }
    if (id == MSG_KB_ADD_ARTICLE) {
        auto *msg = KBPayloadAs<KBArticleMessage>(in);
        auto *newId = KBPayloadAs<QVMessage<std::string>>(out);
        // Without a place for the new id the caller could not use the result.
        if (!msg || !newId)
            return -1;
        return WriteResult(RunWrite([&] { return m_client.AddArticle(msg->value, newId->value); }));
    }
    if (id == MSG_KB_UPDATE_ARTICLE) {
        auto *msg = KBPayloadAs<KBArticleMessage>(in);
        return msg ? WriteResult(RunWrite([&] { return m_client.UpdateArticle(msg->value); })) : -1;
    }
    if (id == MSG_KB_DELETE_ARTICLE) {
        auto *msg = KBPayloadAs<QVMessage<std::string>>(in);
        return msg ? WriteResult(RunWrite([&] { return m_client.DeleteEntity("ARTICLE", msg->value); })) : -1;
    }
    if (id == MSG_KB_FIND) {
        auto *msg = KBPayloadAs<KBSearchMessage>(in);
        if (!msg)
            return -1;
        PushTask(std::make_unique<CKBServiceTaskSearch>(msg->value));
        return RESULT_DONE;
    }
    return RESULT_NOT_HANDLED;
}

// Writes run "at once" for their caller: the user-interface thread waits for
// the answer inside OnMessage. The call itself runs on a thread of its own
// while the waiting thread runs the program's wait (CUiWait): the windows
// paint and every event but the user's input runs, boxes and dialogs
// opened meanwhile included; the input is held and reaches its target
// before the result is returned. Turns keep the calls in the order of the
// writes, also when a handler run meanwhile writes in its turn. Without a
// GUI application on this thread (tests, tools) the call runs right here.
int CBrandle::RunWrite(const std::function<int()> &write)
{
    uint64_t turn;
    {
        std::lock_guard lock(m_writeLock);
        turn = m_nextWrite++;
    }
    int result = RESULT_REFUSED;
    std::optional<CUiWait> wait; // made before the call's thread starts
    const auto call = [&] {
        {
            std::unique_lock lock(m_writeLock);
            m_writeTurn.wait(lock, [&] { return m_writeServed == turn; });
        }
        result = write();
        {
            std::lock_guard lock(m_writeLock);
            ++m_writeServed;
        }
        m_writeTurn.notify_all();
        if (wait)
            wait->Finish();
    };
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    std::thread thread;
    if (app && QThread::currentThread() == app->thread()) {
        wait.emplace();
        try {
            thread = std::thread(call);
        } catch (const std::system_error &e) {
            qCWarning(lcKBService) << "knowledge-base write runs without its thread:" << e.what();
        }
    }
    if (!thread.joinable()) {
        wait.reset();
        call();
        return result;
    }
    // Returns when the call has ended, or early when the program quits;
    // then the call's own deadline bounds the join.
    wait->Run(std::chrono::milliseconds(-1), true);
    thread.join();
    return result;
}

void CBrandle::QueryArticle(const std::string &id)
{
    if (auto article = m_client.GetArticle(id))
        SendValue(MSG_KB_ARTICLE, *article);
    else
        SendValue(MSG_KB_ARTICLE_NOT_READ, id);
}

void CBrandle::Find(const KBSearchParams &params)
{
    if (auto results = m_client.FindArticles(params))
        SendValue(MSG_KB_SEARCH_RESULTS, *results);
}

void CBrandle::Refresh()
{
    if (!HasAccount())
        return;
    if (auto statuses = m_client.GetStatusList())
        SendValue(MSG_KB_STATUSES, *statuses);
    if (Stopping())
        return;
    if (auto categories = m_client.GetCategories())
        SendValue(MSG_KB_CATEGORIES, *categories);
}

void CBrandle::PushTask(std::unique_ptr<IKBServiceTask> task)
{
    {
        std::lock_guard lock(m_queueLock);
        m_tasks.push_back(std::move(task));
        m_wake = true;
    }
    m_wakeEvent.notify_one();
}

std::unique_ptr<IKBServiceTask> CBrandle::PopTask()
{
    std::lock_guard lock(m_queueLock);
    if (m_tasks.empty())
        return nullptr;
    auto task = std::move(m_tasks.front());
    m_tasks.pop_front();
    return task;
}

void CBrandle::Wake()
{
    {
        std::lock_guard lock(m_queueLock);
        m_wake = true;
    }
    m_wakeEvent.notify_one();
}

bool CBrandle::Stopping()
{
    std::lock_guard lock(m_queueLock);
    return m_stop;
}

void CBrandle::WorkerMain()
{
    using Clock = std::chrono::steady_clock;
    auto lastRefresh = Clock::now() - m_refreshInterval;
    for (;;) {
        {
            std::unique_lock lock(m_queueLock);
            const auto due = lastRefresh + m_refreshInterval;
            if (Clock::now() < due)
                m_wakeEvent.wait_until(lock, due, [this] { return m_wake; });
            m_wake = false;
            if (m_stop)
                break;
        }
        Refresh();
        lastRefresh = Clock::now();
        if (Stopping())
            break;
        while (auto task = PopTask()) {
            task->Execute(this);
            task.reset();
            if (Stopping())
                break;
        }
        if (Stopping())
            break;
    }
}
