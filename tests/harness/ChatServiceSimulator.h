#pragma once
// A second XMPP client that tests script: it plays the chat service (or any
// other account) against the test server. It signs in, keeps every stanza it
// receives until a test takes it with Expect, and sends what the test gives
// it. Iq requests are never answered by the library: the test answers them.
//
// Thread rule: the gloox client lives on the simulator's own thread; every
// public call may be made from the test's thread.

#include <gloox/gloox.h>
#include <gloox/tag.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace harness {

class ChatServiceSimulator
{
public:
    struct Config
    {
        QString host = QStringLiteral("127.0.0.1");
        uint16_t port = 0;
        QString jid;      // bare JID of the account
        QString password;
        QString resource = QStringLiteral("simulator");
    };
    using Match = std::function<bool(const gloox::Tag &)>;

    explicit ChatServiceSimulator(Config config);
    ~ChatServiceSimulator();
    ChatServiceSimulator(const ChatServiceSimulator &) = delete;
    ChatServiceSimulator &operator=(const ChatServiceSimulator &) = delete;

    // Signs in and waits until the session is open; false with ErrorText()
    // when it is not within the time.
    bool Start(int timeoutMs = 10000);
    void Stop();

    bool IsOnline() const { return m_online; }
    // Set when the session closed; the gloox reason.
    gloox::ConnectionError LastError() const { return m_lastError; }
    gloox::StreamError LastStreamError() const { return m_lastStreamError; }
    QString ErrorText() const;
    std::string FullJid() const;

    // Takes the first stanza received so far, or until the time is up, that
    // matches; null when none came.
    std::unique_ptr<gloox::Tag> Expect(const Match &match, int timeoutMs = 5000);
    // An iq whose first child is in the namespace.
    std::unique_ptr<gloox::Tag> ExpectIq(const std::string &xmlns, int timeoutMs = 5000);
    // Waits until the session has closed.
    bool WaitForDisconnect(int timeoutMs = 5000);

    // Queued and sent on the simulator's thread, in order; the thread looks
    // at the queue at least every 20 ms.
    void Send(const std::string &xml);
    // When the last queued stanzas were written to the connection, for
    // timing what happens after a send without the queue's wait.
    std::chrono::steady_clock::time_point LastWrittenAt() const
    {
        return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(m_writtenAt.load()));
    }
    void Send(const gloox::Tag &stanza) { Send(stanza.xml()); }
    // An iq result to the request, carrying a copy of the payload when given.
    void Reply(const gloox::Tag &request, const gloox::Tag *payload = nullptr);

private:
    class Client;
    friend class Client;

    void Run();
    void OnStanza(const gloox::Tag &tag);
    void OnStateChange(bool online, gloox::ConnectionError error, gloox::StreamError streamError);

    Config m_config;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_online{false};
    std::atomic<bool> m_ended{false};
    std::atomic<std::chrono::steady_clock::rep> m_writtenAt{0};
    std::atomic<gloox::ConnectionError> m_lastError{gloox::ConnNoError};
    std::atomic<gloox::StreamError> m_lastStreamError{gloox::StreamErrorUndefined};
    std::string m_fullJid;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<gloox::Tag>> m_received;
    std::deque<std::string> m_outgoing;
};

} // namespace harness
