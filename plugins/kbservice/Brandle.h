#pragma once
// CBrandle: the client side of the knowledge-base web service on the bus.
// Writes are answered at once through the service; article reads and
// searches are queued for a worker thread, which also reloads the status and
// category lists on every wake and every two minutes, and sends its answers
// through the bus. A read of one article that fails is answered with
// MSG_KB_ARTICLE_NOT_READ, so that the editor forgets what it asked for.
//
// Threading: OnMessage, OnSettingChanged, OnLoad and OnUnload run on the
// user-interface thread; the worker only runs the client and sends through
// the host. A write's call runs on a thread of its own while the
// user-interface thread waits for it in the program's wait (see RunWrite). The queue lock and the client's locks are never held together.

#include "plugins/kbservice/KBClient.h"
#include "plugins/xmpp/PluginBase.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CBrandle;

// One queued read; run once by the worker, then destroyed.
class IKBServiceTask
{
public:
    virtual ~IKBServiceTask() = default;
    virtual void Execute(CBrandle *service) = 0;
};

class CBrandle : public QVPlugin::CPluginBase
{
public:
    static constexpr int kMode = 14000;
    static constexpr std::chrono::milliseconds kRefreshInterval{120000};

    CBrandle();
    ~CBrandle() override;

    const QUuid *GetId() const override;
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    bool OnLoad() override;
    void OnUnload() override;
    void OnSettingChanged(const QString &key, const QVariant &value) override;

    // For tests: a shorter refresh period; before OnLoad.
    void SetRefreshInterval(std::chrono::milliseconds refresh);
    CKBClient &Client() { return m_client; }

    // The operations the tasks run; each sends its answer on success.
    void QueryArticle(const std::string &id);
    void Find(const QVPlugin::KBSearchParams &params);

private:
    bool HasAccount() const;
    int HandleRequest(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out);
    // Runs a write's call and returns its result, the calls in the order
    // the writes came; see Brandle.cpp for what runs meanwhile.
    int RunWrite(const std::function<int()> &write);
    void PushTask(std::unique_ptr<IKBServiceTask> task);
    std::unique_ptr<IKBServiceTask> PopTask();
    void Wake();
    bool Stopping();
    void WorkerMain();
    void Refresh();

    // Mirrors of the settings for the request gate; the client keeps its
    // own copies for the calls.
    mutable std::mutex m_settingsLock;
    std::string m_accountId;
    std::string m_serviceUrl;

    CKBClient m_client;
    std::chrono::milliseconds m_refreshInterval = kRefreshInterval;

    // Turns of the writes' calls, in the order the writes came.
    std::mutex m_writeLock;
    std::condition_variable m_writeTurn;
    uint64_t m_nextWrite = 0;
    uint64_t m_writeServed = 0;

    std::thread m_worker;
    std::mutex m_queueLock; // guards m_tasks, m_wake and m_stop
    std::condition_variable m_wakeEvent;
    std::deque<std::unique_ptr<IKBServiceTask>> m_tasks;
    bool m_wake = false;
    bool m_stop = false;
};
