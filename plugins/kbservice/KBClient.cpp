#include "plugins/kbservice/KBClient.h"

#include "plugins/kbservice/KBServiceLog.h"
#include "plugins/kbservice/KBText.h"
#include "plugins/kbservice/schema/KBNamespaces.h"

#include "KBServicekbSoap12Proxy.h"

using namespace QVPlugin;
using namespace KBService;

namespace {

std::string Text(const std::string *value)
{
    return value ? KBText::FromService(*value) : std::string();
}

// The request's copy of the account; its strings outlive the call.
struct Credentials
{
    std::string id;
    std::string key;
};

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

    std::string *Id() { return &m_account.id; }
    std::string *Key() { return &m_account.key; }

    // True when the service answered with the response element.
    bool Succeeded(int error)
    {
        KBService::kbSoap12Proxy &proxy = *m_client.m_proxy;
        if (error == SOAP_OK && proxy.error == SOAP_OK) {
            m_client.m_lastError.clear();
            return true;
        }
        char text[512] = {};
        proxy.soap_sprint_fault(text, sizeof text);
        m_client.m_lastError = text;
        qCInfo(lcKBService).noquote() << "knowledge-base call failed:" << QString::fromUtf8(text).simplified();
        return false;
    }

    KBService::kbSoap12Proxy &Proxy() { return *m_client.m_proxy; }

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
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__AddResponse response;
    if (!call.Succeeded(call.Proxy().Add(&request, response)))
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
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__UpdateResponse response;
    return call.Succeeded(call.Proxy().Update(&request, response)) ? RESULT_DONE : RESULT_REFUSED;
}

int CKBClient::DeleteEntity(const std::string &entity, const std::string &id)
{
    std::string entityText = entity;
    std::string idText = id;
    Call call(*this);
    _ns1__Delete request;
    request.entity = &entityText;
    request.id = &idText;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__DeleteResponse response;
    return call.Succeeded(call.Proxy().Delete(&request, response)) ? RESULT_DONE : RESULT_REFUSED;
}

int CKBClient::AddCategory(const KBCategory &category)
{
    std::string title = category.title;
    Call call(*this);
    _ns1__AddCategory request;
    request.title = &title;
    request.parent = category.parentId;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__AddCategoryResponse response;
    return call.Succeeded(call.Proxy().AddCategory(&request, response)) ? RESULT_DONE : RESULT_REFUSED;
}

int CKBClient::EditCategory(const KBCategory &category)
{
    std::string title = category.title;
    Call call(*this);
    _ns1__EditCategory request;
    request.category_USCOREid = category.id;
    request.parent = category.parentId;
    request.title = &title;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__EditCategoryResponse response;
    return call.Succeeded(call.Proxy().EditCategory(&request, response)) ? RESULT_DONE : RESULT_REFUSED;
}

int CKBClient::AddStatus(const KBStatus &status)
{
    KBStatus copy = status;
    Call call(*this);
    _ns1__AddStatus request;
    request.status = &copy.status;
    request.description = &copy.description;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__AddStatusResponse response;
    return call.Succeeded(call.Proxy().AddStatus(&request, response)) ? RESULT_DONE : RESULT_REFUSED;
}

int CKBClient::EditStatus(const KBStatusChange &change)
{
    KBStatusChange copy = change;
    Call call(*this);
    _ns1__EditStatus request;
    request.old_USCOREstatus = &copy.first;
    request.new_USCOREstatus = &copy.second.status;
    request.description = &copy.second.description;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__EditStatusResponse response;
    return call.Succeeded(call.Proxy().EditStatus(&request, response)) ? RESULT_DONE : RESULT_REFUSED;
}

std::optional<KBArticle> CKBClient::GetArticle(const std::string &id)
{
    std::string idText = id;
    Call call(*this);
    _ns1__GetArticle request;
    request.id = &idText;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__GetArticleResponse response;
    if (!call.Succeeded(call.Proxy().GetArticle(&request, response)) || !response.GetArticleResult)
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

std::optional<std::vector<KBArticle>> CKBClient::FindArticles(const KBSearchParams &params)
{
    KBText::FindPairs pairs = KBText::FindPairsOf(params);
    ns1__ArrayOfString attributes;
    attributes.string = std::move(pairs.attributes);
    ns1__ArrayOfString values;
    values.string = std::move(pairs.values);
    Call call(*this);
    _ns1__Find request;
    request.account_USCOREnumber = call.Id();
    request.attributes = &attributes;
    request.values = &values;
    request.key = call.Key();
    _ns1__FindResponse response;
    if (!call.Succeeded(call.Proxy().Find(&request, response)) || !response.FindResult)
        return std::nullopt;
    std::vector<KBArticle> hits;
    for (const ns1__kbarticlelocation *hit : response.FindResult->kbarticlelocation) {
        if (!hit) // a nil item
            continue;
        KBArticle article;
        article.id = Text(hit->id);
        article.categoryId = hit->category_USCOREid;
        article.title = Text(hit->title);
        article.content = Text(hit->content);
        article.status = Text(hit->status);
        article.text = KBText::CleanSearchExcerpt(Text(hit->text));
        hits.push_back(std::move(article));
    }
    return hits;
}

std::optional<std::vector<KBStatus>> CKBClient::GetStatusList()
{
    Call call(*this);
    _ns1__GetStatusList request;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__GetStatusListResponse response;
    if (!call.Succeeded(call.Proxy().GetStatusList(&request, response)) || !response.GetStatusListResult)
        return std::nullopt;
    std::vector<KBStatus> statuses;
    for (const ns1__kbstatus *s : response.GetStatusListResult->kbstatus) {
        if (s)
            statuses.push_back({Text(s->status), Text(s->description)});
    }
    return statuses;
}

std::optional<std::vector<KBCategory>> CKBClient::GetCategories()
{
    Call call(*this);
    _ns1__GetCategories request;
    request.account_USCOREnumber = call.Id();
    request.key = call.Key();
    _ns1__GetCategoriesResponse response;
    if (!call.Succeeded(call.Proxy().GetCategories(&request, response)) || !response.GetCategoriesResult)
        return std::nullopt;
    std::vector<KBCategory> categories;
    for (const ns1__kbcategory *c : response.GetCategoriesResult->kbcategory) {
        if (c)
            categories.push_back({c->category_USCOREid, c->parent_USCOREid, Text(c->title)});
    }
    return categories;
}
