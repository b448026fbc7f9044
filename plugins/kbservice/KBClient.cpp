#include "plugins/kbservice/KBClient.h"

#include "plugins/kbservice/KBAnswerFilter.h"
#include "plugins/kbservice/KBServiceLog.h"
#include "plugins/kbservice/KBText.h"
#include "plugins/kbservice/schema/KBNamespaces.h"

#include "shared/NetConnect.h"

#include "KBServicekbSoap12Proxy.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <strings.h>

using namespace QVPlugin;
using namespace KBService;
using Clock = std::chrono::steady_clock;

namespace {

// Returned text is kept as the service sent it.
std::string Text(const std::string *value)
{
    return value ? *value : std::string();
}

bool IsHttpAddress(const char *url)
{
    return ::strncasecmp(url, "http://", 7) == 0;
}

} // namespace

class CKBClient::Transport : public CKBAnswerReader
{
public:
    explicit Transport(CKBClient &client) : client(client) {}
    CKBClient &client;

protected:
    size_t ReceiveRaw(struct soap *soap, char *buffer, size_t size) override
    {
        return client.ReceiveBytes(soap, buffer, size);
    }
};

CKBClient &CKBClient::Of(struct soap *soap)
{
    return static_cast<Transport *>(CKBAnswerReader::Of(soap))->client;
}

// One call over the proxy: holds the service lock, points the context at the
// endpoint, and after the answer was mapped releases what the context made.
class CKBClient::Call
{
public:
    explicit Call(CKBClient &client)
        : m_client(client),
          m_deadline(Clock::now() + std::chrono::milliseconds(client.m_callLimitMs.load())),
          m_lock(client.m_serviceLock, m_deadline),
          m_account(client.CurrentAccount())
    {
        if (!m_lock)
            return;
        m_client.m_deadline = m_deadline;
        m_client.m_failure.clear();
        m_client.m_transport->Reset(m_client.m_proxy.get());
        m_client.m_proxy->soap_endpoint = m_account.url.empty() ? kDefaultEndpoint : m_account.url.c_str();
    }
    ~Call()
    {
        if (!m_lock)
            return;
        m_client.m_proxy->destroy();
        m_client.m_proxy->soap_endpoint = nullptr;
    }

    // Adds the account to the request and calls the operation; true when the
    // service answered with the response element.
    template <typename Request, typename Response>
    bool Run(Request &request, Response &response, int (kbSoap12Proxy::*operation)(Request *, Response &))
    {
        if (!m_lock) {
            Failed("the knowledge-base service was busy until the call's deadline");
            return false;
        }
        kbSoap12Proxy &proxy = *m_client.m_proxy;
        // Nothing of the request, the account key least, goes out in clear
        // to an address that asks for more.
        if (!IsHttpAddress(proxy.soap_endpoint)) {
            Failed("the knowledge-base address is refused: only http:// addresses are supported");
            return false;
        }
        request.account_USCOREnumber = &m_account.id;
        request.key = &m_account.key;
        if ((proxy.*operation)(&request, response) == SOAP_OK && proxy.error == SOAP_OK) {
            m_client.SetLastError({});
            return true;
        }
        if (m_client.m_transport->Malformed())
            m_client.m_failure = "the knowledge-base answer holds a character reference that is not an XML character";
        else if (proxy.recv_maxlength && proxy.count > proxy.recv_maxlength)
            m_client.m_failure = "the knowledge-base answer is larger than 16 MiB";
        char text[512] = {};
        proxy.soap_sprint_fault(text, sizeof text);
        Failed(m_client.m_failure.empty() ? std::string(text) : m_client.m_failure);
        return false;
    }

    template <typename Request, typename Response>
    int Write(Request &request, int (kbSoap12Proxy::*operation)(Request *, Response &))
    {
        Response response;
        return Run(request, response, operation) ? RESULT_DONE : RESULT_REFUSED;
    }

private:
    void Failed(const std::string &text)
    {
        m_client.SetLastError(text);
        qCInfo(lcKBService).noquote() << "knowledge-base call failed:" << QString::fromStdString(text).simplified();
    }

    CKBClient &m_client;
    const Clock::time_point m_deadline;
    std::unique_lock<std::timed_mutex> m_lock;
    Account m_account;
};

CKBClient::CKBClient()
    : m_proxy(std::make_unique<kbSoap12Proxy>(SOAP_C_UTFSTRING, SOAP_C_UTFSTRING)),
      m_transport(std::make_unique<Transport>(*this))
{
    soap_set_namespaces(m_proxy.get(), kNamespaces);
    m_proxy->soap_endpoint = nullptr;
    m_abortEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // The runtime's time-outs apply to its own socket calls, which these
    // hooks replace: the call's deadline is kept in Wait instead.
    m_proxy->connect_timeout = 0;
    m_proxy->send_timeout = 0;
    m_proxy->recv_timeout = 0;
    m_proxy->recv_maxlength = kAnswerLimit;
    m_transport->Attach(m_proxy.get());
    m_proxy->fopen = &CKBClient::OpenSocket;
    m_proxy->fsend = &CKBClient::SendBytes;
    m_proxy->fclose = &CKBClient::CloseSocket;
}

CKBClient::~CKBClient()
{
    if (m_abortEvent >= 0)
        ::close(m_abortEvent);
}

void CKBClient::Fail(struct soap *soap, const char *text)
{
    if (m_failure.empty())
        m_failure = text;
    soap->errnum = 0;
}

CKBClient::Ready CKBClient::Wait(int socket, short events) const
{
    for (;;) {
        if (m_aborted)
            return Ready::Aborted;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now());
        if (left.count() <= 0)
            return Ready::TimedOut;
        pollfd fds[2] = {{socket, events, 0}, {m_abortEvent, POLLIN, 0}};
        const int n = ::poll(fds, m_abortEvent >= 0 ? 2 : 1, int(std::min<long long>(left.count(), 1000)));
        if (n < 0 && errno != EINTR)
            return Ready::Aborted;
        if (n > 0 && fds[0].revents)
            return Ready::Yes;
    }
}

int CKBClient::OpenSocket(struct soap *soap, const char *, const char *host, int port)
{
    CKBClient &self = Of(soap);
    soap->errnum = 0;
    CNetConnect connect(host, port);
    while (self.m_failure.empty()) {
        const CNetConnect::State state = connect.Step();
        if (state == CNetConnect::State::Connected)
            return connect.TakeSocket();
        if (state == CNetConnect::State::LookupFailed) {
            self.Fail(soap, "the knowledge-base host name could not be resolved");
            break;
        }
        if (state == CNetConnect::State::ConnectFailed)
            break;
        if (state == CNetConnect::State::Resolving) {
            // Abort does not wake this wait: short steps keep it prompt.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(self.m_deadline - Clock::now());
            if (self.m_aborted)
                self.Fail(soap, "the knowledge-base call was cancelled");
            else if (left.count() <= 0)
                self.Fail(soap, "the knowledge-base call timed out while looking up the host");
            else
                connect.WaitForLookup(int(std::min<long long>(left.count(), 50)));
            continue;
        }
        switch (self.Wait(connect.Socket(), POLLOUT)) {
        case Ready::Yes:
            break;
        case Ready::TimedOut:
            self.Fail(soap, "the knowledge-base call timed out while connecting");
            break;
        case Ready::Aborted:
            self.Fail(soap, "the knowledge-base call was cancelled");
            break;
        }
    }
    self.Fail(soap, "the knowledge-base service could not be reached");
    soap_set_receiver_error(soap, self.m_failure.c_str(), nullptr, SOAP_TCP_ERROR);
    return SOAP_INVALID_SOCKET;
}

int CKBClient::SendBytes(struct soap *soap, const char *data, size_t size)
{
    CKBClient *self = &Of(soap);
    while (size > 0) {
        switch (self->Wait(soap->socket, POLLOUT)) {
        case Ready::Yes:
            break;
        case Ready::TimedOut:
            self->Fail(soap, "the knowledge-base call timed out while sending");
            return SOAP_EOF;
        case Ready::Aborted:
            self->Fail(soap, "the knowledge-base call was cancelled");
            return SOAP_EOF;
        }
        const ssize_t n = ::send(soap->socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (n <= 0) {
            self->Fail(soap, "the knowledge-base connection failed while sending");
            return SOAP_EOF;
        }
        data += n;
        size -= size_t(n);
    }
    return SOAP_OK;
}

size_t CKBClient::ReceiveBytes(struct soap *soap, char *buffer, size_t size)
{
    for (;;) {
        switch (Wait(soap->socket, POLLIN)) {
        case Ready::Yes:
            break;
        case Ready::TimedOut:
            Fail(soap, "the knowledge-base call timed out while reading the answer");
            return 0;
        case Ready::Aborted:
            Fail(soap, "the knowledge-base call was cancelled");
            return 0;
        }
        const ssize_t n = ::recv(soap->socket, buffer, size, MSG_DONTWAIT);
        if (n >= 0)
            return size_t(n);
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            Fail(soap, "the knowledge-base connection failed while reading the answer");
            return 0;
        }
    }
}

int CKBClient::CloseSocket(struct soap *soap)
{
    if (soap_valid_socket(soap->socket))
        ::close(soap->socket);
    soap->socket = SOAP_INVALID_SOCKET;
    return SOAP_OK;
}

void CKBClient::Abort()
{
    m_aborted = true;
    if (m_abortEvent >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_abortEvent, &one, sizeof one);
    }
}

void CKBClient::SetAccountId(const std::string &id)
{
    std::lock_guard lock(m_accountLock);
    m_account.id = id;
}

void CKBClient::SetAccountKey(const std::string &key)
{
    std::lock_guard lock(m_accountLock);
    m_account.key = key;
}

void CKBClient::SetServiceUrl(const std::string &url)
{
    std::lock_guard lock(m_accountLock);
    m_account.url = url;
}

void CKBClient::SetCallLimit(std::chrono::milliseconds limit)
{
    m_callLimitMs = limit.count();
}

CKBClient::Account CKBClient::CurrentAccount() const
{
    std::lock_guard lock(m_accountLock);
    return m_account;
}

std::string CKBClient::LastError() const
{
    std::lock_guard lock(m_errorLock);
    return m_lastError;
}

void CKBClient::SetLastError(std::string text)
{
    std::lock_guard lock(m_errorLock);
    m_lastError = std::move(text);
}

namespace {

// The record as the service's article; its strings point into the record.
ns1__kbarticle ToService(KBArticle &a)
{
    ns1__kbarticle out;
    out.keywords = &a.keywords;
    out.category_USCOREid = a.categoryId;
    out.title = &a.title;
    out.content = &a.content;
    out.id = &a.id;
    out.status = &a.status;
    out.date_USCOREadded = time_t(a.dateAdded);
    out.date_USCOREmodifed = time_t(a.dateModified);
    return out;
}

} // namespace

int CKBClient::AddArticle(const KBArticle &article, std::string &newId)
{
    KBArticle copy = article;
    ns1__kbarticle wire = ToService(copy);
    Call call(*this);
    _ns1__Add request;
    request.article = &wire;
    _ns1__AddResponse response;
    if (!call.Run(request, response, &kbSoap12Proxy::Add))
        return RESULT_REFUSED;
    if (response.AddResult)
        newId = Text(response.AddResult);
    return RESULT_DONE;
}

int CKBClient::UpdateArticle(const KBArticle &article)
{
    KBArticle copy = article;
    ns1__kbarticle wire = ToService(copy);
    Call call(*this);
    _ns1__Update request;
    request.article = &wire;
    return call.Write(request, &kbSoap12Proxy::Update);
}

int CKBClient::DeleteEntity(const std::string &entity, const std::string &id)
{
    std::string entityText = entity;
    std::string idText = id;
    Call call(*this);
    _ns1__Delete request;
    request.entity = &entityText;
    request.id = &idText;
    return call.Write(request, &kbSoap12Proxy::Delete);
}

int CKBClient::AddCategory(const KBCategory &category)
{
    std::string title = category.title;
    Call call(*this);
    _ns1__AddCategory request;
    request.title = &title;
    request.parent = category.parentId;
    return call.Write(request, &kbSoap12Proxy::AddCategory);
}

int CKBClient::EditCategory(const KBCategory &category)
{
    std::string title = category.title;
    Call call(*this);
    _ns1__EditCategory request;
    request.category_USCOREid = category.id;
    request.parent = category.parentId;
    request.title = &title;
    return call.Write(request, &kbSoap12Proxy::EditCategory);
}

int CKBClient::AddStatus(const KBStatus &status)
{
    KBStatus copy = status;
    Call call(*this);
    _ns1__AddStatus request;
    request.status = &copy.status;
    request.description = &copy.description;
    return call.Write(request, &kbSoap12Proxy::AddStatus);
}

int CKBClient::EditStatus(const KBStatusChange &change)
{
    KBStatusChange copy = change;
    Call call(*this);
    _ns1__EditStatus request;
    request.old_USCOREstatus = &copy.first;
    request.new_USCOREstatus = &copy.second.status;
    request.description = &copy.second.description;
    return call.Write(request, &kbSoap12Proxy::EditStatus);
}

std::optional<KBArticle> CKBClient::GetArticle(const std::string &id)
{
    std::string idText = id;
    Call call(*this);
    _ns1__GetArticle request;
    request.id = &idText;
    _ns1__GetArticleResponse response;
    if (!call.Run(request, response, &kbSoap12Proxy::GetArticle) || !response.GetArticleResult)
        return std::nullopt;
    const ns1__kbarticle &in = *response.GetArticleResult;
    KBArticle article;
    article.id = Text(in.id);
    article.categoryId = in.category_USCOREid;
    article.title = Text(in.title);
    article.content = Text(in.content);
    article.status = Text(in.status);
    article.keywords = Text(in.keywords);
    article.dateAdded = in.date_USCOREadded;
    article.dateModified = in.date_USCOREmodifed;
    return article;
}

namespace {

// The records of a result list, nil items skipped.
template <typename Record, typename Item, typename Map>
std::vector<Record> MapItems(const std::vector<Item *> &items, Map map)
{
    std::vector<Record> records;
    records.reserve(items.size());
    for (const Item *item : items) {
        if (item)
            records.push_back(map(*item));
    }
    return records;
}

} // namespace

std::optional<std::vector<KBArticle>> CKBClient::FindArticles(const KBSearchParams &params)
{
    KBText::FindPairs pairs = KBText::FindPairsOf(params);
    ns1__ArrayOfString attributes;
    attributes.string = std::move(pairs.attributes);
    ns1__ArrayOfString values;
    values.string = std::move(pairs.values);
    Call call(*this);
    _ns1__Find request;
    request.attributes = &attributes;
    request.values = &values;
    _ns1__FindResponse response;
    if (!call.Run(request, response, &kbSoap12Proxy::Find) || !response.FindResult)
        return std::nullopt;
    return MapItems<KBArticle>(response.FindResult->kbarticlelocation, [](const ns1__kbarticlelocation &hit) {
        KBArticle article;
        article.id = Text(hit.id);
        article.categoryId = hit.category_USCOREid;
        article.title = Text(hit.title);
        article.content = Text(hit.content);
        article.status = Text(hit.status);
        article.text = KBText::CleanSearchExcerpt(Text(hit.text));
        return article;
    });
}

std::optional<std::vector<KBStatus>> CKBClient::GetStatusList()
{
    Call call(*this);
    _ns1__GetStatusList request;
    _ns1__GetStatusListResponse response;
    if (!call.Run(request, response, &kbSoap12Proxy::GetStatusList) || !response.GetStatusListResult)
        return std::nullopt;
    return MapItems<KBStatus>(response.GetStatusListResult->kbstatus, [](const ns1__kbstatus &s) {
        return KBStatus{Text(s.status), Text(s.description)};
    });
}

std::optional<std::vector<KBCategory>> CKBClient::GetCategories()
{
    Call call(*this);
    _ns1__GetCategories request;
    _ns1__GetCategoriesResponse response;
    if (!call.Run(request, response, &kbSoap12Proxy::GetCategories) || !response.GetCategoriesResult)
        return std::nullopt;
    return MapItems<KBCategory>(response.GetCategoriesResult->kbcategory, [](const ns1__kbcategory &c) {
        return KBCategory{c.category_USCOREid, c.parent_USCOREid, Text(c.title)};
    });
}
