#include "plugins/kbservice/KBClient.h"

#include "plugins/kbservice/KBServiceLog.h"
#include "plugins/kbservice/KBText.h"
#include "plugins/kbservice/schema/KBNamespaces.h"

#include "KBServicekbSoap12Proxy.h"

#include <sys/socket.h>

using namespace QVPlugin;
using namespace KBService;

namespace {

std::string Text(const std::string *value)
{
    return value ? KBText::FromService(*value) : std::string();
}

} // namespace

// One call over the proxy: holds the service lock, points the context at the
// endpoint, and after the answer was mapped releases what the context made.
class CKBClient::Call
{
public:
    explicit Call(CKBClient &client)
        : m_client(client), m_lock(client.m_serviceLock), m_account(client.CurrentAccount())
    {
        m_client.m_proxy->soap_endpoint = m_account.url.empty() ? kDefaultEndpoint : m_account.url.c_str();
    }
    ~Call()
    {
        m_client.m_proxy->destroy();
        m_client.m_proxy->soap_endpoint = nullptr;
    }

    // Adds the account to the request and calls the operation; true when the
    // service answered with the response element.
    template <typename Request, typename Response>
    bool Run(Request &request, Response &response, int (kbSoap12Proxy::*operation)(Request *, Response &))
    {
        request.account_USCOREnumber = &m_account.id;
        request.key = &m_account.key;
        kbSoap12Proxy &proxy = *m_client.m_proxy;
        if ((proxy.*operation)(&request, response) == SOAP_OK && proxy.error == SOAP_OK) {
            m_client.m_lastError.clear();
            return true;
        }
        char text[512] = {};
        proxy.soap_sprint_fault(text, sizeof text);
        m_client.m_lastError = text;
        qCInfo(lcKBService).noquote() << "knowledge-base call failed:" << QString::fromUtf8(text).simplified();
        return false;
    }

    template <typename Request, typename Response>
    int Write(Request &request, int (kbSoap12Proxy::*operation)(Request *, Response &))
    {
        Response response;
        return Run(request, response, operation) ? RESULT_DONE : RESULT_REFUSED;
    }

private:
    CKBClient &m_client;
    std::lock_guard<std::mutex> m_lock;
    Account m_account;
};

CKBClient::CKBClient() : m_proxy(std::make_unique<kbSoap12Proxy>(SOAP_C_UTFSTRING, SOAP_C_UTFSTRING))
{
    soap_set_namespaces(m_proxy.get(), kNamespaces);
    m_proxy->soap_endpoint = nullptr;
    SetTimeouts(kConnectTimeoutS, kSendTimeoutS, kReceiveTimeoutS);
    m_proxy->user = this;
    m_defaultOpen = m_proxy->fopen;
    m_defaultClose = m_proxy->fclose;
    m_proxy->fopen = &CKBClient::OpenSocket;
    m_proxy->fclose = &CKBClient::CloseSocket;
}

int CKBClient::OpenSocket(struct soap *soap, const char *endpoint, const char *host, int port)
{
    auto *self = static_cast<CKBClient *>(soap->user);
    {
        std::lock_guard lock(self->m_socketLock);
        if (self->m_aborted) {
            soap->error = SOAP_TCP_ERROR;
            return SOAP_INVALID_SOCKET;
        }
    }
    const SOAP_SOCKET socket = self->m_defaultOpen(soap, endpoint, host, port);
    std::lock_guard lock(self->m_socketLock);
    if (self->m_aborted && soap_valid_socket(socket))
        ::shutdown(socket, SHUT_RDWR);
    self->m_openSocket = soap_valid_socket(socket) ? socket : -1;
    return socket;
}

int CKBClient::CloseSocket(struct soap *soap)
{
    auto *self = static_cast<CKBClient *>(soap->user);
    {
        std::lock_guard lock(self->m_socketLock);
        self->m_openSocket = -1;
    }
    return self->m_defaultClose(soap);
}

void CKBClient::Abort()
{
    std::lock_guard lock(m_socketLock);
    m_aborted = true;
    if (m_openSocket >= 0)
        ::shutdown(m_openSocket, SHUT_RDWR);
}

CKBClient::~CKBClient() = default;

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

void CKBClient::SetTimeouts(int connectS, int sendS, int receiveS)
{
    std::lock_guard lock(m_serviceLock);
    m_proxy->connect_timeout = connectS;
    m_proxy->send_timeout = sendS;
    m_proxy->recv_timeout = receiveS;
}

CKBClient::Account CKBClient::CurrentAccount() const
{
    std::lock_guard lock(m_accountLock);
    return m_account;
}

std::string CKBClient::LastError() const
{
    std::lock_guard lock(m_serviceLock);
    return m_lastError;
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
