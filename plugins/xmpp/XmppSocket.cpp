#include "plugins/xmpp/XmppSocket.h"

#include "plugins/xmpp/XmppLog.h"
#include "shared/NetConnect.h"

#include <gloox/connectiondatahandler.h>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

// How long recv() sleeps between looks at a name lookup in progress.
constexpr int kLookupPollMs = 20;
// At most this much is read in one recv(), so queued work gets its turn.
constexpr size_t kMaxReadPerCall = 1024 * 1024;

int ToMs(int timeoutUs)
{
    return timeoutUs < 0 ? -1 : (timeoutUs + 999) / 1000;
}

} // namespace

XmppSocket::XmppSocket(gloox::ConnectionDataHandler *handler, const std::string &host, int port, int wakeFd,
                       int deadPeerMs)
    : gloox::ConnectionBase(handler), m_wakeFd(wakeFd), m_deadPeerMs(deadPeerMs)
{
    m_server = host;
    m_port = port;
}

XmppSocket::~XmppSocket()
{
    disconnect();
}

gloox::ConnectionBase *XmppSocket::newInstance() const
{
    return new XmppSocket(m_handler, m_server, m_port, m_wakeFd, m_deadPeerMs);
}

gloox::ConnectionError XmppSocket::connect()
{
    if (m_phase != Phase::Idle)
        return gloox::ConnNoError;
    m_state = gloox::StateConnecting;
    m_connect = std::make_unique<CNetConnect>(m_server, m_port, AI_ADDRCONFIG);
    if (m_connect->Current() == CNetConnect::State::LookupFailed) {
        m_connect.reset();
        m_state = gloox::StateDisconnected;
        return gloox::ConnDnsError;
    }
    m_phase = Phase::Resolving;
    return gloox::ConnNoError;
}

void XmppSocket::StepConnect()
{
    switch (m_connect->Step()) {
    case CNetConnect::State::Resolving:
        return;
    case CNetConnect::State::Connecting:
        m_phase = Phase::Connecting;
        m_fd = m_connect->Socket();
        return;
    case CNetConnect::State::Connected:
        m_fd = m_connect->TakeSocket();
        m_connect.reset();
        m_phase = Phase::Connected;
        m_state = gloox::StateConnected;
        WatchPeer();
        if (m_handler)
            m_handler->handleConnect(this);
        return;
    case CNetConnect::State::LookupFailed:
        qCWarning(lcXmpp) << "cannot resolve" << QString::fromStdString(m_server)
                          << QString::fromStdString(m_connect->ErrorText());
        Fail(gloox::ConnDnsError, 0);
        return;
    case CNetConnect::State::ConnectFailed: {
        const int error = m_connect->Error();
        qCWarning(lcXmpp) << "cannot connect to" << QString::fromStdString(m_server) << m_port
                          << QString::fromStdString(m_connect->ErrorText());
        Fail(gloox::ConnConnectionRefused, error);
        return;
    }
    }
}

gloox::ConnectionError XmppSocket::recv(int timeout)
{
    if (m_state == gloox::StateDisconnected)
        return gloox::ConnNotConnected;
    if (m_pendingFailure != gloox::ConnNoError) {
        Fail(m_pendingFailure, m_lastError);
        return gloox::ConnIoError;
    }

    if (m_phase == Phase::Resolving) {
        StepConnect();
        if (m_phase == Phase::Resolving) {
            const int ms = timeout < 0 ? kLookupPollMs : std::min(kLookupPollMs, ToMs(timeout));
            pollfd wake{m_wakeFd, POLLIN, 0};
            ::poll(&wake, 1, ms);
            return gloox::ConnNoError;
        }
        if (m_state == gloox::StateDisconnected)
            return gloox::ConnNotConnected;
    }

    short events = POLLIN;
    if (m_phase == Phase::Connecting || m_outputSent < m_output.size())
        events |= POLLOUT;
    pollfd fds[2] = {{m_fd, events, 0}, {m_wakeFd, POLLIN, 0}};
    const int n = ::poll(fds, m_wakeFd >= 0 ? 2 : 1, ToMs(timeout));
    if (n <= 0)
        return gloox::ConnNoError;

    const short revents = fds[0].revents;
    if (m_phase == Phase::Connecting) {
        if (revents & (POLLOUT | POLLERR | POLLHUP))
            StepConnect(); // connected, the next address, or the failure
        if (m_phase == Phase::Connecting)
            m_fd = m_connect->Socket();
        return m_state == gloox::StateDisconnected ? gloox::ConnNotConnected : gloox::ConnNoError;
    }
    if ((revents & POLLOUT) && !Flush()) {
        Fail(gloox::ConnIoError, m_lastError);
        return gloox::ConnIoError;
    }
    if (revents & (POLLIN | POLLERR | POLLHUP))
        ReadAvailable();
    return m_state == gloox::StateDisconnected ? gloox::ConnIoError : gloox::ConnNoError;
}

void XmppSocket::WatchPeer()
{
    // The whitespace keep-alive alone never fails while the connection
    // stays up. Written data left unacknowledged for deadPeerMs ends the
    // connection (TCP_USER_TIMEOUT), and so do unanswered probes of an idle
    // one: half the time idle, then three probes.
    if (m_deadPeerMs <= 0)
        return;
    const int on = 1;
    const unsigned userTimeout = unsigned(m_deadPeerMs);
    const int idle = std::max(1, m_deadPeerMs / 2000);
    const int interval = std::max(1, m_deadPeerMs / 6000);
    const int probes = 3;
    if (::setsockopt(m_fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) != 0
        || ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle) != 0
        || ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval) != 0
        || ::setsockopt(m_fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes) != 0
        || ::setsockopt(m_fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &userTimeout, sizeof userTimeout) != 0)
        qCWarning(lcXmpp) << "cannot watch the connection for a dead server:" << strerror(errno);
}

void XmppSocket::ReadAvailable()
{
    char buf[65536];
    size_t taken = 0;
    while (m_phase == Phase::Connected && taken < kMaxReadPerCall) {
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n > 0) {
            taken += size_t(n);
            m_totalIn += n;
            // gloox may end the session from inside; the loop then stops.
            if (m_handler)
                m_handler->handleReceivedData(this, std::string(buf, size_t(n)));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        if (n == 0)
            qCInfo(lcXmpp) << "the server closed the connection";
        else
            qCWarning(lcXmpp) << "connection lost:" << strerror(errno);
        Fail(gloox::ConnIoError, n == 0 ? 0 : errno);
        return;
    }
}

bool XmppSocket::send(const std::string &data)
{
    if (m_phase != Phase::Connected)
        return false;
    m_output += data;
    if (!Flush()) {
        // Reported from recv(): gloox may be in the middle of a send of its own.
        m_pendingFailure = gloox::ConnIoError;
        return false;
    }
    return true;
}

bool XmppSocket::Flush()
{
    while (m_outputSent < m_output.size()) {
        const ssize_t n = ::send(m_fd, m_output.data() + m_outputSent, m_output.size() - m_outputSent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                break; // the rest waits for the next writable event
            m_lastError = errno;
            return false;
        }
        m_outputSent += size_t(n);
        m_totalOut += n;
    }
    if (m_outputSent == m_output.size()) {
        m_output.clear();
        m_outputSent = 0;
    }
    return true;
}

gloox::ConnectionError XmppSocket::receive()
{
    gloox::ConnectionError e = gloox::ConnNoError;
    while (e == gloox::ConnNoError)
        e = recv(-1);
    return e;
}

void XmppSocket::CloseSocket()
{
    // While connecting, the socket is the connect's.
    if (m_fd >= 0 && !m_connect)
        ::close(m_fd);
    m_fd = -1;
}

void XmppSocket::disconnect()
{
    CloseSocket();
    m_connect.reset();
    m_phase = Phase::Idle;
    m_state = gloox::StateDisconnected;
}

void XmppSocket::cleanup()
{
    m_output.clear();
    m_outputSent = 0;
    m_pendingFailure = gloox::ConnNoError;
}

void XmppSocket::Fail(gloox::ConnectionError reason, int error)
{
    m_lastError = error;
    disconnect();
    cleanup();
    if (m_handler)
        m_handler->handleDisconnect(this, reason);
}

void XmppSocket::getStatistics(long int &totalIn, long int &totalOut)
{
    totalIn = m_totalIn;
    totalOut = m_totalOut;
}
