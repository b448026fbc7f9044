#pragma once
// A worker thread that runs posted jobs in order and, between them, calls
// the owner's poll function, which must return once the wake-up descriptor
// becomes readable. Every post makes it readable, so a job never waits for
// a poll to time out.

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CNetworkThread
{
public:
    using Job = std::function<void()>;
    // Called with the descriptor to watch; returns when it is readable or
    // after a short time.
    using Poll = std::function<void(int wakeFd)>;

    CNetworkThread();
    ~CNetworkThread();
    CNetworkThread(const CNetworkThread &) = delete;
    CNetworkThread &operator=(const CNetworkThread &) = delete;

    void Start(Poll poll);
    // Runs the jobs posted so far, then last, on the thread, and joins it.
    void Stop(Job last);
    // Any thread; jobs posted after Stop are dropped.
    void Post(Job job);

    bool IsRunning() const { return m_thread.joinable(); }
    bool IsCurrent() const { return std::this_thread::get_id() == m_thread.get_id(); }
    int WakeFd() const { return m_wakeFd; }

private:
    void Run(const Poll &poll);
    void Wake();

    int m_wakeFd;
    std::thread m_thread;
    std::mutex m_lock;
    std::vector<Job> m_jobs;
    Job m_last;
    bool m_stopping = false;
};
