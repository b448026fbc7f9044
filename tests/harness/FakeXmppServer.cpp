#include "tests/harness/FakeXmppServer.h"

#include <gnutls/gnutls.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace harness {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// The id attribute of the last iq in the text.
std::string LastIqId(const std::string &text)
{
    const size_t iq = text.rfind("<iq");
    if (iq == std::string::npos)
        return {};
    const size_t end = text.find('>', iq);
    size_t at = text.find(" id=", iq);
    if (at == std::string::npos || (end != std::string::npos && at > end))
        return {};
    at += 4;
    const char quote = text[at];
    const size_t close = text.find(quote, at + 1);
    return close == std::string::npos ? std::string() : text.substr(at + 1, close - at - 1);
}

} // namespace

// One accepted connection, plain or TLS, with every wait bounded and
// interrupted by Stop.
class FakeXmppServer::Connection
{
public:
    enum class ReadResult { Data, Eof, Timeout, Stopped, Error };

    Connection(int fd, int stopFd) : m_fd(fd), m_stopFd(stopFd) {}
    ~Connection()
    {
        if (m_tls)
            gnutls_deinit(m_tls);
        if (m_credentials)
            gnutls_certificate_free_credentials(m_credentials);
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Waits for the socket; false when stopped or timed out.
    bool Wait(short events, Clock::time_point deadline, bool *stopped)
    {
        pollfd fds[2] = {{m_fd, events, 0}, {m_stopFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, MsLeft(deadline));
        if (n > 0 && (fds[1].revents & POLLIN)) {
            *stopped = true;
            return false;
        }
        return n > 0;
    }

    ReadResult Read(std::string &out, Clock::time_point deadline)
    {
        char buf[16384];
        for (;;) {
            if (!m_tls || gnutls_record_check_pending(m_tls) == 0) {
                bool stopped = false;
                if (!Wait(POLLIN, deadline, &stopped))
                    return stopped ? ReadResult::Stopped : ReadResult::Timeout;
            }
            ssize_t n;
            if (m_tls) {
                n = gnutls_record_recv(m_tls, buf, sizeof buf);
                if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED)
                    continue;
            } else {
                n = ::recv(m_fd, buf, sizeof buf, 0);
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    continue;
            }
            if (n == 0)
                return ReadResult::Eof;
            if (n < 0)
                return ReadResult::Error;
            out.append(buf, size_t(n));
            return ReadResult::Data;
        }
    }

    bool Write(const std::string &data, Clock::time_point deadline)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            ssize_t n;
            if (m_tls) {
                n = gnutls_record_send(m_tls, data.data() + sent, data.size() - sent);
                if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED)
                    n = 0;
                else if (n < 0)
                    return false;
            } else {
                n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    n = 0;
                else if (n < 0)
                    return false;
            }
            sent += size_t(n);
            if (n == 0) {
                bool stopped = false;
                if (!Wait(POLLOUT, deadline, &stopped))
                    return false;
            }
        }
        return true;
    }

    bool StartTls(const CertPair &certificate, const std::string &priority, Clock::time_point deadline)
    {
        if (gnutls_certificate_allocate_credentials(&m_credentials) < 0
            || gnutls_certificate_set_x509_key_file(m_credentials, certificate.cert.toLocal8Bit().constData(),
                                                    certificate.key.toLocal8Bit().constData(), GNUTLS_X509_FMT_PEM) < 0
            || gnutls_init(&m_tls, GNUTLS_SERVER | GNUTLS_NONBLOCK | GNUTLS_NO_SIGNAL) < 0)
            return false;
        if (priority.empty())
            gnutls_set_default_priority(m_tls);
        else if (gnutls_priority_set_direct(m_tls, priority.c_str(), nullptr) < 0)
            return false;
        gnutls_credentials_set(m_tls, GNUTLS_CRD_CERTIFICATE, m_credentials);
        gnutls_certificate_server_set_request(m_tls, GNUTLS_CERT_IGNORE);
        gnutls_transport_set_int(m_tls, m_fd);
        for (;;) {
            const int r = gnutls_handshake(m_tls);
            if (r == GNUTLS_E_SUCCESS)
                return true;
            if (gnutls_error_is_fatal(r))
                return false;
            bool stopped = false;
            if (!Wait(gnutls_record_get_direction(m_tls) ? POLLOUT : POLLIN, deadline, &stopped))
                return false;
        }
    }

    void Close()
    {
        if (m_tls)
            gnutls_bye(m_tls, GNUTLS_SHUT_WR);
        ::shutdown(m_fd, SHUT_WR);
    }

    void Drop()
    {
        linger reset{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
        ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
    int m_stopFd;
    gnutls_session_t m_tls = nullptr;
    gnutls_certificate_credentials_t m_credentials = nullptr;
};

FakeXmppServer::FakeXmppServer() = default;

FakeXmppServer::~FakeXmppServer()
{
    Stop();
}

FakeXmppServer &FakeXmppServer::Expect(std::string text)
{
    m_script.push_back({Step::Expect, std::move(text), {}});
    return *this;
}

FakeXmppServer &FakeXmppServer::Send(std::string text)
{
    m_script.push_back({Step::Send, std::move(text), {}});
    return *this;
}

FakeXmppServer &FakeXmppServer::StartTls(CertPair certificate, std::string priority)
{
    m_script.push_back({Step::StartTls, std::move(priority), std::move(certificate)});
    return *this;
}

FakeXmppServer &FakeXmppServer::Close()
{
    m_script.push_back({Step::Close, {}, {}});
    return *this;
}

FakeXmppServer &FakeXmppServer::Stall()
{
    m_script.push_back({Step::Stall, {}, {}});
    return *this;
}

FakeXmppServer &FakeXmppServer::Drop()
{
    m_script.push_back({Step::Drop, {}, {}});
    return *this;
}

FakeXmppServer &FakeXmppServer::LoginScript()
{
    return Expect("<stream:stream")
        .Send(Header() + FeaturesStartTls())
        .Expect("<starttls")
        .Send(Proceed())
        .StartTls(TestPki::Shared().localhost)
        .Expect("<stream:stream")
        .Send(Header() + FeaturesMechanisms({"PLAIN"}))
        .Expect("</auth>")
        .Send("<success xmlns='urn:ietf:params:xml:ns:xmpp-sasl'/>")
        .Expect("<stream:stream")
        .Send(Header() + FeaturesBind())
        .Expect("</iq>")
        .Send("<iq type='result' id='%ID%'><bind xmlns='urn:ietf:params:xml:ns:xmpp-bind'>"
              "<jid>agent@localhost/Ostrel</jid></bind></iq>");
}

std::string FakeXmppServer::Header(const std::string &versionAttribute)
{
    return "<?xml version='1.0'?><stream:stream xmlns='jabber:client' "
           "xmlns:stream='http://etherx.jabber.org/streams' from='localhost' id='fake'"
           + versionAttribute + ">";
}

std::string FakeXmppServer::FeaturesStartTls()
{
    return "<stream:features><starttls xmlns='urn:ietf:params:xml:ns:xmpp-tls'><required/></starttls>"
           "</stream:features>";
}

std::string FakeXmppServer::FeaturesMechanisms(const std::vector<std::string> &mechanisms)
{
    std::string out = "<stream:features><mechanisms xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>";
    for (const std::string &m : mechanisms)
        out += "<mechanism>" + m + "</mechanism>";
    return out + "</mechanisms></stream:features>";
}

std::string FakeXmppServer::FeaturesBind()
{
    return "<stream:features><bind xmlns='urn:ietf:params:xml:ns:xmpp-bind'/></stream:features>";
}

std::string FakeXmppServer::Proceed()
{
    return "<proceed xmlns='urn:ietf:params:xml:ns:xmpp-tls'/>";
}

QString FakeXmppServer::Address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

bool FakeXmppServer::Start()
{
    Stop();
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_listenFd < 0 || m_stopFd < 0)
        return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(m_listenFd, 8) != 0
        || ::getsockname(m_listenFd, reinterpret_cast<sockaddr *>(&a), &len) != 0)
        return false;
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void FakeXmppServer::Stop()
{
    if (m_thread.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_stopFd >= 0)
        ::close(m_stopFd);
    m_listenFd = m_stopFd = -1;
}

void FakeXmppServer::Run()
{
    for (;;) {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents & POLLIN)
            return;
        if (fds[0].revents & POLLIN) {
            const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd >= 0)
                Serve(fd);
            {
                std::lock_guard lock(m_lock);
                ++m_ended;
            }
            m_changed.notify_all();
        }
    }
}

void FakeXmppServer::Serve(int fd)
{
    Connection c(fd, m_stopFd);
    std::string pending;
    std::string lastIqId;
    for (const Step &step : m_script) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(kStepTimeoutMs);
        switch (step.kind) {
        case Step::Expect: {
            size_t at;
            while ((at = pending.find(step.text)) == std::string::npos) {
                std::string chunk;
                const auto r = c.Read(chunk, deadline);
                if (r != Connection::ReadResult::Data) {
                    if (r != Connection::ReadResult::Stopped)
                        Fail("expected \"" + step.text + "\", got \"" + pending + "\"");
                    return;
                }
                Record(chunk);
                pending += chunk;
            }
            const size_t end = at + step.text.size();
            if (const std::string id = LastIqId(pending.substr(0, end)); !id.empty())
                lastIqId = id;
            pending.erase(0, end);
            break;
        }
        case Step::Send: {
            std::string text = step.text;
            for (size_t at; (at = text.find("%ID%")) != std::string::npos;)
                text.replace(at, 4, lastIqId);
            if (!c.Write(text, deadline))
                return;
            break;
        }
        case Step::StartTls:
            if (!c.StartTls(step.certificate, step.text, deadline)) {
                m_tlsFailed = true;
                return;
            }
            break;
        case Step::Close:
            c.Close();
            break;
        case Step::Drop:
            c.Drop();
            return;
        case Step::Stall: {
            pollfd stop{m_stopFd, POLLIN, 0};
            while (::poll(&stop, 1, -1) < 0 && errno == EINTR) {
            }
            return;
        }
        }
    }
    // Read what else comes until the client closes (or the server stops).
    for (;;) {
        std::string chunk;
        if (c.Read(chunk, Clock::now() + std::chrono::hours(1)) != Connection::ReadResult::Data)
            return;
        Record(chunk);
    }
}

void FakeXmppServer::Record(const std::string &data)
{
    std::lock_guard lock(m_lock);
    m_received += data;
}

void FakeXmppServer::Fail(const std::string &what)
{
    std::lock_guard lock(m_lock);
    if (m_scriptError.empty())
        m_scriptError = what;
}

std::string FakeXmppServer::Received() const
{
    std::lock_guard lock(m_lock);
    return m_received;
}

std::string FakeXmppServer::ScriptError() const
{
    std::lock_guard lock(m_lock);
    return m_scriptError;
}

bool FakeXmppServer::WaitForConnectionsEnded(int count, int timeoutMs)
{
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_ended >= count; });
}

} // namespace harness
