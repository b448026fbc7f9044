#include "plugins/xmpp/NetworkThread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

CNetworkThread::CNetworkThread() : m_wakeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CNetworkThread::~CNetworkThread()
{
    Stop({});
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void CNetworkThread::Start(Poll poll)
{
    if (m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_lock);
        m_stopping = false;
    }
    m_thread = std::thread([this, poll = std::move(poll)] { Run(poll); });
}

void CNetworkThread::Stop(Job last)
{
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        m_last = std::move(last);
    }
    Wake();
    m_thread.join();
    std::lock_guard lock(m_lock);
    m_jobs.clear();
    m_last = {};
}

void CNetworkThread::Post(Job job)
{
    {
        std::lock_guard lock(m_lock);
        if (m_stopping || !m_thread.joinable())
            return;
        m_jobs.push_back(std::move(job));
    }
    Wake();
}

void CNetworkThread::Wake()
{
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void CNetworkThread::Run(const Poll &poll)
{
    for (;;) {
        uint64_t count;
        [[maybe_unused]] const ssize_t n = ::read(m_wakeFd, &count, sizeof count);
        std::vector<Job> jobs;
        bool stopping;
        Job last;
        {
            std::lock_guard lock(m_lock);
            jobs.swap(m_jobs);
            stopping = m_stopping;
            if (stopping)
                last = m_last;
        }
        for (Job &job : jobs)
            job();
        if (stopping) {
            if (last)
                last();
            return;
        }
        poll(m_wakeFd);
    }
}
