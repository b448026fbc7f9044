#pragma once
// The TCP connection under the XMPP stream, in gloox's connection interface.
// Name lookup and connect never block: both progress inside recv(), which
// also returns as soon as the network thread's wake-up descriptor becomes
// readable, so queued work and shut-down are never kept waiting. Output that
// the socket does not take at once waits in a buffer for the next writable
// event.
// A connection that never came up is reported as ConnConnectionRefused (or
// ConnDnsError); one that was up and went away as ConnIoError, and so is one
// whose peer stopped acknowledging for deadPeerMs (the system's TCP
// keep-alive and user time-out, so nothing else goes on the wire).
// Network thread only.

#include <gloox/connectionbase.h>

#include <memory>
#include <string>
#include <vector>

class CNetConnect;

class XmppSocket : public gloox::ConnectionBase
{
public:
    XmppSocket(gloox::ConnectionDataHandler *handler, const std::string &host, int port, int wakeFd,
               int deadPeerMs = 60000);
    ~XmppSocket() override;
    XmppSocket(const XmppSocket &) = delete;
    XmppSocket &operator=(const XmppSocket &) = delete;

    gloox::ConnectionError connect() override;
    // timeout in microseconds, as everywhere in gloox; -1 waits for an event.
    gloox::ConnectionError recv(int timeout = -1) override;
    bool send(const std::string &data) override;
    gloox::ConnectionError receive() override;
    void disconnect() override;
    void cleanup() override;
    void getStatistics(long int &totalIn, long int &totalOut) override;
    gloox::ConnectionBase *newInstance() const override;

    int Descriptor() const { return m_fd; }

private:
    enum class Phase { Idle, Resolving, Connecting, Connected };

    // Moves the look-up and connect on; reports the end of either.
    void StepConnect();
    void ReadAvailable();
    bool Flush();
    void CloseSocket();
    void WatchPeer();
    // Closes and tells gloox, which ends the session with this reason.
    void Fail(gloox::ConnectionError reason, int error);

    int m_wakeFd;
    int m_deadPeerMs;
    int m_fd = -1;
    Phase m_phase = Phase::Idle;
    std::unique_ptr<CNetConnect> m_connect; // until connected
    std::string m_output;
    size_t m_outputSent = 0;
    gloox::ConnectionError m_pendingFailure = gloox::ConnNoError;
    int m_lastError = 0;
    long int m_totalIn = 0;
    long int m_totalOut = 0;
};
