#include "shared/NetConnect.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

struct CNetConnect::Lookup
{
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};

    ~Lookup()
    {
        if (request.ar_result)
            ::freeaddrinfo(request.ar_result);
    }
};

namespace {

std::mutex g_leftLock;

} // namespace

// Look-ups that could not be cancelled, until the resolver is done with
// them; never destroyed, as a look-up may still be left at exit.
static std::vector<void *> &LeftLookups()
{
    static auto *left = new std::vector<void *>;
    return *left;
}

void CNetConnect::FreeFinishedLookups()
{
    std::lock_guard lock(g_leftLock);
    auto &left = LeftLookups();
    left.erase(std::remove_if(left.begin(), left.end(),
                              [](void *item) {
                                  auto *lookup = static_cast<Lookup *>(item);
                                  if (::gai_error(&lookup->request) == EAI_INPROGRESS)
                                      return false;
                                  delete lookup;
                                  return true;
                              }),
               left.end());
}

CNetConnect::CNetConnect(const std::string &host, int port, int lookupFlags)
{
    FreeFinishedLookups();
    auto *lookup = new Lookup;
    lookup->host = host;
    lookup->service = std::to_string(port);
    lookup->hints.ai_family = AF_UNSPEC;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->hints.ai_flags = AI_NUMERICSERV | lookupFlags;
    lookup->request.ar_name = lookup->host.c_str();
    lookup->request.ar_service = lookup->service.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb *list[] = {&lookup->request};
    const int started = ::getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr);
    if (started != 0) {
        delete lookup;
        m_lookupError = started;
        m_state = State::LookupFailed;
        return;
    }
    m_lookup = lookup;
}

CNetConnect::~CNetConnect()
{
    if (m_lookup) {
        if (::gai_cancel(&m_lookup->request) == EAI_NOTCANCELED) {
            std::lock_guard lock(g_leftLock);
            LeftLookups().push_back(m_lookup);
        } else {
            delete m_lookup;
        }
    }
    if (m_fd >= 0)
        ::close(m_fd);
}

CNetConnect::State CNetConnect::Step()
{
    if (m_state == State::Resolving) {
        const int status = ::gai_error(&m_lookup->request);
        if (status == EAI_INPROGRESS)
            return m_state;
        for (const addrinfo *a = m_lookup->request.ar_result; a; a = a->ai_next) {
            const char *bytes = reinterpret_cast<const char *>(a->ai_addr);
            m_addresses.emplace_back(bytes, bytes + a->ai_addrlen);
        }
        delete m_lookup;
        m_lookup = nullptr;
        if (status != 0 || m_addresses.empty()) {
            m_lookupError = status != 0 ? status : EAI_NONAME;
            m_state = State::LookupFailed;
            return m_state;
        }
        TryNextAddress();
        return m_state;
    }
    if (m_state == State::Connecting) {
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            error = errno;
        if (error == EINPROGRESS || error == EALREADY)
            return m_state;
        if (error == 0) {
            m_state = State::Connected;
            return m_state;
        }
        m_error = error;
        ::close(m_fd);
        m_fd = -1;
        TryNextAddress();
    }
    return m_state;
}

void CNetConnect::TryNextAddress()
{
    while (m_nextAddress < m_addresses.size()) {
        const std::vector<char> &address = m_addresses[m_nextAddress++];
        const auto *sa = reinterpret_cast<const sockaddr *>(address.data());
        m_fd = ::socket(sa->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_fd < 0) {
            m_error = errno;
            continue;
        }
        if (::connect(m_fd, sa, socklen_t(address.size())) == 0) {
            m_state = State::Connected;
            return;
        }
        if (errno == EINPROGRESS) {
            m_state = State::Connecting;
            return;
        }
        m_error = errno;
        ::close(m_fd);
        m_fd = -1;
    }
    m_state = State::ConnectFailed;
}

void CNetConnect::WaitForLookup(int ms) const
{
    if (m_state != State::Resolving || ms <= 0)
        return;
    const gaicb *list[] = {&m_lookup->request};
    const timespec wait{ms / 1000, long(ms % 1000) * 1000000L};
    ::gai_suspend(list, 1, &wait);
}

int CNetConnect::TakeSocket()
{
    const int fd = m_state == State::Connected ? m_fd : -1;
    if (fd >= 0)
        m_fd = -1;
    return fd;
}

std::string CNetConnect::ErrorText() const
{
    if (m_state == State::LookupFailed)
        return ::gai_strerror(m_lookupError);
    return m_error ? std::strerror(m_error) : std::string();
}
