#pragma once
// Records what a CXmppConnection reports: its events on the test's thread,
// the stanzas of the open session from the network thread.

#include "plugins/xmpp/XmppConnection.h"
#include "tests/TestUtil.h"

#include <gloox/tag.h>

#include <mutex>
#include <string>
#include <vector>

class ConnectionProbe : public CXmppConnection::IListener, public CXmppConnection::ISessionHandler
{
public:
    void OnConnectionEvent(const CXmppConnection::Event &event) override { events.push_back(event); }

    bool OnStanza(XmppPump &, const gloox::Tag &stanza) override
    {
        std::lock_guard lock(m_lock);
        m_stanzas.push_back(stanza.xml());
        return true;
    }

    std::vector<std::string> Stanzas()
    {
        std::lock_guard lock(m_lock);
        return m_stanzas;
    }

    std::vector<int> States() const
    {
        std::vector<int> out;
        for (const auto &e : events)
            out.push_back(e.state);
        return out;
    }

    int Count(int state) const
    {
        int n = 0;
        for (const auto &e : events)
            n += e.state == state;
        return n;
    }

    bool WaitFor(int state, int count = 1, int timeoutMs = 10000)
    {
        return waitUntil([&] { return Count(state) >= count; }, timeoutMs);
    }

    // The last closed event; the test has waited for one.
    CXmppConnection::Event LastClosed() const
    {
        for (auto it = events.rbegin(); it != events.rend(); ++it) {
            if (it->state == XmppPump::StateClosed)
                return *it;
        }
        return {};
    }

    std::vector<CXmppConnection::Event> events;

private:
    std::mutex m_lock;
    std::vector<std::string> m_stanzas;
};
