#include "tests/harness/KBServiceMock.h"

#include "plugins/kbservice/schema/KBNamespaces.h"

#include "KBServicekbSoap12Service.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace KBService;
using namespace std::chrono_literals;
using QVPlugin::KBArticle;
using QVPlugin::KBCategory;
using QVPlugin::KBStatus;

namespace harness {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string Copy(const std::string *text)
{
    return text ? *text : std::string();
}

bool Contains(const std::string &text, const std::string &word)
{
    return Lower(text).find(Lower(word)) != std::string::npos;
}

} // namespace

std::string KBServiceMock::Request::Field(const std::string &name) const
{
    for (const auto &[key, value] : fields) {
        if (key == name)
            return value;
    }
    return {};
}

// The generated service, answering from the mock's data. Runs on the mock's
// thread only.
class KBServiceMock::Server : public kbSoap12Service
{
public:
    explicit Server(KBServiceMock &mock) : kbSoap12Service(SOAP_C_UTFSTRING, SOAP_C_UTFSTRING), m_mock(mock)
    {
        soap_set_namespaces(this, kNamespaces);
        user = this;
        m_parseHeader = fparsehdr;
        fparsehdr = &Server::ParseHeader;
        accept_timeout = -100000; // 100 ms, so Stop() is noticed
        recv_timeout = 5;
        send_timeout = 5;
    }

    void BeginConnection() { m_headers.clear(); }

    int Add(_ns1__Add *in, _ns1__AddResponse &out) override
    {
        Request r = Begin("Add", in->account_USCOREnumber, in->key);
        KBArticle a = Article(in->article, r);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        a.id = std::to_string(m_mock.m_nextId++);
        m_mock.m_articles.push_back(a);
        if (!m_mock.m_omitAddResult)
            out.AddResult = New(a.id);
        return SOAP_OK;
    }
    int Update(_ns1__Update *in, _ns1__UpdateResponse &) override
    {
        Request r = Begin("Update", in->account_USCOREnumber, in->key);
        KBArticle a = Article(in->article, r);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        for (KBArticle &stored : m_mock.m_articles) {
            if (stored.id == a.id) {
                stored = a;
                return SOAP_OK;
            }
        }
        return soap_senderfault("No such article", nullptr);
    }
    int AddStatus(_ns1__AddStatus *in, _ns1__AddStatusResponse &) override
    {
        Request r = Begin("AddStatus", in->account_USCOREnumber, in->key,
                          {{"status", in->status}, {"description", in->description}});
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        m_mock.m_statuses.push_back({Copy(in->status), Copy(in->description)});
        return SOAP_OK;
    }
    int EditStatus(_ns1__EditStatus *in, _ns1__EditStatusResponse &) override
    {
        Request r = Begin("EditStatus", in->account_USCOREnumber, in->key,
                          {{"old_status", in->old_USCOREstatus}, {"new_status", in->new_USCOREstatus},
                           {"description", in->description}});
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        for (KBStatus &s : m_mock.m_statuses) {
            if (s.status == Copy(in->old_USCOREstatus))
                s = {Copy(in->new_USCOREstatus), Copy(in->description)};
        }
        return SOAP_OK;
    }
    int GetStatusList(_ns1__GetStatusList *in, _ns1__GetStatusListResponse &out) override
    {
        Request r = Begin("GetStatusList", in->account_USCOREnumber, in->key);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        out.GetStatusListResult = soap_new_ns1__ArrayOfKbstatus(this);
        for (const KBStatus &s : m_mock.m_statuses) {
            auto *item = soap_new_ns1__kbstatus(this);
            item->status = New(s.status);
            item->description = New(s.description);
            out.GetStatusListResult->kbstatus.push_back(item);
        }
        return SOAP_OK;
    }
    int Delete(_ns1__Delete *in, _ns1__DeleteResponse &) override
    {
        Request r = Begin("Delete", in->account_USCOREnumber, in->key, {{"entity", in->entity}, {"id", in->id}});
        if (const int e = Failing(r))
            return e;
        const std::string entity = Copy(in->entity), id = Copy(in->id);
        std::lock_guard lock(m_mock.m_lock);
        if (entity == "ARTICLE")
            std::erase_if(m_mock.m_articles, [&](const KBArticle &a) { return a.id == id; });
        else if (entity == "CATEGORY")
            std::erase_if(m_mock.m_categories, [&](const KBCategory &c) { return std::to_string(c.id) == id; });
        else if (entity == "STATUS")
            std::erase_if(m_mock.m_statuses, [&](const KBStatus &s) { return s.status == id; });
        return SOAP_OK;
    }
    int ChangeArticleStatus(_ns1__ChangeArticleStatus *in, _ns1__ChangeArticleStatusResponse &) override
    {
        Request r = Begin("ChangeArticleStatus", in->account_USCOREnumber, in->key,
                          {{"id", in->id}, {"status", in->status}});
        return Failing(r);
    }
    int Find(_ns1__Find *in, _ns1__FindResponse &out) override
    {
        Request r = Begin("Find", in->account_USCOREnumber, in->key);
        std::vector<std::string> attributes = in->attributes ? in->attributes->string : std::vector<std::string>();
        std::vector<std::string> values = in->values ? in->values->string : std::vector<std::string>();
        for (const std::string &a : attributes)
            r.fields.emplace_back("attributes", a);
        for (const std::string &v : values)
            r.fields.emplace_back("values", v);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        out.FindResult = soap_new_ns1__ArrayOfKbarticlelocation(this);
        for (const KBArticle &a : m_mock.m_articles) {
            if (!Matches(a, attributes, values))
                continue;
            auto *hit = soap_new_ns1__kbarticlelocation(this);
            hit->category_USCOREid = a.categoryId;
            hit->title = New(a.title);
            hit->id = New(a.id);
            hit->status = New(a.status);
            const auto excerpt = m_mock.m_excerpts.find(a.id);
            hit->text = New(excerpt == m_mock.m_excerpts.end() ? a.title : excerpt->second);
            hit->content = New(a.content);
            out.FindResult->kbarticlelocation.push_back(hit);
        }
        return SOAP_OK;
    }
    int GetArticle(_ns1__GetArticle *in, _ns1__GetArticleResponse &out) override
    {
        Request r = Begin("GetArticle", in->account_USCOREnumber, in->key, {{"id", in->id}});
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        for (const KBArticle &a : m_mock.m_articles) {
            if (a.id != Copy(in->id))
                continue;
            auto *wire = soap_new_ns1__kbarticle(this);
            wire->keywords = New(a.keywords);
            wire->category_USCOREid = a.categoryId;
            wire->title = New(a.title);
            wire->content = New(a.content);
            wire->id = New(a.id);
            wire->status = New(a.status);
            wire->date_USCOREadded = time_t(a.dateAdded);
            wire->date_USCOREmodifed = time_t(a.dateModified);
            out.GetArticleResult = wire;
        }
        return SOAP_OK;
    }
    int GetCategories(_ns1__GetCategories *in, _ns1__GetCategoriesResponse &out) override
    {
        Request r = Begin("GetCategories", in->account_USCOREnumber, in->key);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        out.GetCategoriesResult = soap_new_ns1__ArrayOfKbcategory(this);
        for (const KBCategory &c : m_mock.m_categories) {
            auto *item = soap_new_ns1__kbcategory(this);
            item->category_USCOREid = c.id;
            item->title = New(c.title);
            item->parent_USCOREid = c.parentId;
            out.GetCategoriesResult->kbcategory.push_back(item);
        }
        return SOAP_OK;
    }
    int EditCategory(_ns1__EditCategory *in, _ns1__EditCategoryResponse &) override
    {
        Request r = Begin("EditCategory", in->account_USCOREnumber, in->key,
                          {{"category_id", nullptr}, {"parent", nullptr}, {"title", in->title}});
        r.fields[0].second = std::to_string(in->category_USCOREid);
        r.fields[1].second = std::to_string(in->parent);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        for (KBCategory &c : m_mock.m_categories) {
            if (c.id == in->category_USCOREid)
                c = {in->category_USCOREid, in->parent, Copy(in->title)};
        }
        return SOAP_OK;
    }
    int AddCategory(_ns1__AddCategory *in, _ns1__AddCategoryResponse &) override
    {
        Request r = Begin("AddCategory", in->account_USCOREnumber, in->key, {{"title", in->title}, {"parent", nullptr}});
        r.fields[1].second = std::to_string(in->parent);
        if (const int e = Failing(r))
            return e;
        std::lock_guard lock(m_mock.m_lock);
        int id = 1;
        for (const KBCategory &c : m_mock.m_categories)
            id = std::max(id, c.id + 1);
        m_mock.m_categories.push_back({id, in->parent, Copy(in->title)});
        return SOAP_OK;
    }

private:
    // A string that the context owns until the answer is sent.
    std::string *New(const std::string &text)
    {
        std::string *s = soap_new_std__string(this);
        *s = text;
        return s;
    }

    static int ParseHeader(struct soap *soap, const char *key, const char *value)
    {
        auto *self = static_cast<Server *>(soap->user);
        self->m_headers[Lower(key)] = value ? value : "";
        return self->m_parseHeader(soap, key, value);
    }

    // The request's fields start with the ones given, then account and key.
    Request Begin(const char *operation, const std::string *account, const std::string *key,
                  std::initializer_list<std::pair<const char *, const std::string *>> fields = {})
    {
        Request r;
        r.operation = operation;
        r.action = action ? action : "";
        r.path = path;
        r.headers = m_headers;
        for (const auto &[name, value] : fields)
            r.fields.emplace_back(name, Copy(value));
        if (account)
            r.fields.emplace_back("account_number", *account);
        if (key)
            r.fields.emplace_back("key", *key);
        return r;
    }

    KBArticle Article(const ns1__kbarticle *in, Request &r)
    {
        KBArticle a;
        if (!in)
            return a;
        a.keywords = Copy(in->keywords);
        a.categoryId = in->category_USCOREid;
        a.title = Copy(in->title);
        a.content = Copy(in->content);
        a.id = Copy(in->id);
        a.status = Copy(in->status);
        a.dateAdded = in->date_USCOREadded;
        a.dateModified = in->date_USCOREmodifed;
        r.fields.insert(r.fields.begin(), {{"keywords", a.keywords}, {"category_id", std::to_string(a.categoryId)},
                                           {"title", a.title}, {"content", a.content}, {"id", a.id},
                                           {"status", a.status}, {"date_added", std::to_string(a.dateAdded)},
                                           {"date_modifed", std::to_string(a.dateModified)}});
        return a;
    }

    // Records the request; then the answer the failure switch asks for, or 0.
    int Failing(Request &r)
    {
        m_mock.Record(std::move(r));
        switch (m_mock.CurrentFailure()) {
        case Failure::None:
            return SOAP_OK;
        case Failure::SoapFault:
            return soap_senderfault("The account is not known", nullptr);
        case Failure::Http500:
            return soap_send_empty_response(this, 500);
        case Failure::Hang:
            m_mock.WaitWhileHung();
            return SOAP_OK;
        }
        return SOAP_OK;
    }

    static bool Matches(const KBArticle &a, const std::vector<std::string> &attributes,
                        const std::vector<std::string> &values)
    {
        for (size_t i = 0; i < attributes.size() && i < values.size(); ++i) {
            const std::string &v = values[i];
            if (attributes[i] == "ARTICLE NUMBER" && a.id != v)
                return false;
            if (attributes[i] == "STATUS" && a.status != v)
                return false;
            if (attributes[i] == "CATEGORY" && std::to_string(a.categoryId) != v)
                return false;
            if (attributes[i] == "KEYWORDS" && !Contains(a.keywords, v) && !Contains(a.title, v)) {
                const bool inText = std::find(attributes.begin(), attributes.end(), "TEXT") != attributes.end();
                if (!inText || !Contains(a.content, v))
                    return false;
            }
        }
        return true;
    }

    KBServiceMock &m_mock;
    int (*m_parseHeader)(struct soap *, const char *, const char *) = nullptr;
    std::map<std::string, std::string> m_headers;
};

KBServiceMock::KBServiceMock() = default;

KBServiceMock::~KBServiceMock()
{
    Stop();
}

bool KBServiceMock::Start()
{
    m_server = std::make_unique<Server>(*this);
    m_server->bind_flags = SO_REUSEADDR;
    if (!soap_valid_socket(m_server->bind("127.0.0.1", 0, 16)))
        return false;
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_server->master, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    m_stop = false;
    m_thread = std::thread([this] {
        while (!m_stop) {
            m_server->BeginConnection();
            if (!soap_valid_socket(m_server->accept()))
                continue; // the accept time-out, so the stop flag is seen
            m_server->serve();
            m_server->destroy();
        }
    });
    return true;
}

void KBServiceMock::Stop()
{
    {
        std::lock_guard lock(m_lock);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
}

std::string KBServiceMock::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/kb.asmx";
}

void KBServiceMock::AddCannedData()
{
    AddStatus({"Draft", "Being written"});
    AddStatus({"Published", "Shown to agents"});
    AddCategory({1, 0, "Orders"});
    AddCategory({2, 0, "Delivery"});
    AddCategory({3, 2, "Returns"});
    const auto article = [this](const char *id, int category, const char *title, const char *content,
                                const char *keywords) {
        KBArticle a;
        a.id = id;
        a.categoryId = category;
        a.title = title;
        a.content = content;
        a.status = "Published";
        a.keywords = keywords;
        a.dateAdded = 1234567890;
        a.dateModified = 1234567890 + 86400;
        AddArticle(a);
    };
    article("101", 1, "Changing the delivery address",
            "<p>An order that has not shipped yet can go to another address: open the order and "
            "choose <b>Change address</b>.</p>",
            "address order delivery");
    article("102", 2, "Where is my parcel?",
            "<p>Every shipped order has a tracking link in its confirmation mail.</p>", "delivery tracking lamp");
    article("103", 3, "Returning an item", "<p>Items can be returned within 30 days &amp; free of charge.</p>",
            "return refund");
    SetExcerpt("103", "Items can be returned within 30 days &amp; free of charge.");
}

void KBServiceMock::AddDemoData()
{
    AddCannedData();
    AddStatus({"Pending", "Waiting for review"});
    AddStatus({"Archived", "No longer shown"});
    AddCategory({4, 0, "Payments"});
    AddCategory({5, 0, "Account"});
    struct Demo
    {
        const char *id;
        int category;
        const char *status;
        const char *title;
        const char *excerpt;
        const char *keywords;
    };
    const Demo demo[] = {
        {"104", 4, "Published", "Paying by card",
         "We take all major credit and debit cards. The card is charged when the order ships, not when it is placed.",
         "payment card charge"},
        {"105", 4, "Published", "Refund times",
         "A refund reaches the card within five working days of the return arriving at our warehouse.",
         "refund payment return"},
        {"106", 4, "Draft", "Invoices for companies",
         "Companies can ask for an invoice with their VAT number; it is sent as a PDF with the shipping mail.",
         "invoice vat company"},
        {"107", 5, "Published", "Resetting a password",
         "Choose \"Forgot password\" on the sign-in page; the link in the mail is valid for one hour.",
         "password account sign-in"},
        {"108", 5, "Pending", "Closing an account",
         "An account can be closed from its settings page once no order is open. Closing it removes the saved "
         "addresses and cards.",
         "account close delete"},
        {"109", 5, "Published", "Changing the e-mail address",
         "The new address must be confirmed from the mail we send to it before it replaces the old one.",
         "account email address"},
        {"110", 2, "Published", "Delivery times by country",
         "Orders within the country arrive in two working days; neighbouring countries take three to five.",
         "delivery time country shipping"},
        {"111", 2, "Pending", "Missing parcel",
         "When tracking shows a parcel as delivered but it is not there, ask the customer to check with neighbours "
         "first, then open a claim.",
         "delivery parcel claim lost tracking"},
        {"112", 1, "Published", "Cancelling an order",
         "An order can be cancelled until it is packed. After that the customer returns it instead.",
         "order cancel"},
        {"113", 3, "Archived", "Old return labels",
         "Return labels printed before the new carrier started are no longer accepted.", "return label carrier"},
        {"114", 1, "Draft", "Gift wrapping",
         "Gift wrapping costs 3 EUR per item; the price and a gift message are left off the packing slip.",
         "order gift wrap"},
    };
    for (const Demo &d : demo) {
        KBArticle a;
        a.id = d.id;
        a.categoryId = d.category;
        a.title = d.title;
        a.content = std::string("<p>") + d.excerpt + "</p>";
        a.status = d.status;
        a.keywords = d.keywords;
        a.dateAdded = 1700000000;
        a.dateModified = 1700000000 + 3600;
        AddArticle(a);
        SetExcerpt(d.id, d.excerpt);
    }
    SetExcerpt("101", "An order that has not shipped yet can go to another address: open the order and choose "
                      "Change address.");
    SetExcerpt("102", "Every shipped order has a tracking link in its confirmation mail.");
}

void KBServiceMock::AddArticle(const KBArticle &article)
{
    std::lock_guard lock(m_lock);
    m_articles.push_back(article);
}

void KBServiceMock::AddCategory(const KBCategory &category)
{
    std::lock_guard lock(m_lock);
    m_categories.push_back(category);
}

void KBServiceMock::AddStatus(const KBStatus &status)
{
    std::lock_guard lock(m_lock);
    m_statuses.push_back(status);
}

void KBServiceMock::SetExcerpt(const std::string &articleId, const std::string &text)
{
    std::lock_guard lock(m_lock);
    m_excerpts[articleId] = text;
}

void KBServiceMock::SetOmitAddResult(bool omit)
{
    std::lock_guard lock(m_lock);
    m_omitAddResult = omit;
}

void KBServiceMock::SetFailure(Failure failure)
{
    {
        std::lock_guard lock(m_lock);
        m_failure = failure;
    }
    m_changed.notify_all();
}

std::vector<KBServiceMock::Request> KBServiceMock::Requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

KBArticle KBServiceMock::Article(const std::string &id) const
{
    std::lock_guard lock(m_lock);
    for (const KBArticle &a : m_articles) {
        if (a.id == id)
            return a;
    }
    return {};
}

std::vector<KBCategory> KBServiceMock::Categories() const
{
    std::lock_guard lock(m_lock);
    return m_categories;
}

std::vector<KBStatus> KBServiceMock::Statuses() const
{
    std::lock_guard lock(m_lock);
    return m_statuses;
}

void KBServiceMock::Record(Request request)
{
    std::lock_guard lock(m_lock);
    m_requests.push_back(std::move(request));
}

KBServiceMock::Failure KBServiceMock::CurrentFailure() const
{
    std::lock_guard lock(m_lock);
    return m_failure;
}

void KBServiceMock::WaitWhileHung()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [this] { return m_stop || m_failure != Failure::Hang; });
}

// RawHttpResponder

RawHttpResponder::RawHttpResponder() = default;

RawHttpResponder::~RawHttpResponder()
{
    Stop();
}

bool RawHttpResponder::Start()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listen < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(m_listen, 16) != 0
        || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(m_listen);
        m_listen = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_stop = false;
    m_thread = std::thread([this] { Run(); });
    return true;
}

void RawHttpResponder::Stop()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listen >= 0)
        ::close(m_listen);
    m_listen = -1;
}

std::string RawHttpResponder::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/kb.asmx";
}

void RawHttpResponder::SetResponse(std::string bytes)
{
    std::lock_guard lock(m_lock);
    m_response = std::move(bytes);
}

void RawHttpResponder::SetSoapBody(const std::string &bodyXml)
{
    const std::string envelope = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                 "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
                                 "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
                                 "<soap:Body>"
                                 + bodyXml + "</soap:Body></soap:Envelope>";
    SetResponse("HTTP/1.1 200 OK\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: "
                + std::to_string(envelope.size()) + "\r\nConnection: close\r\n\r\n" + envelope);
}

std::string RawHttpResponder::Response() const
{
    std::lock_guard lock(m_lock);
    return m_response;
}

void RawHttpResponder::SetDrip(std::chrono::milliseconds interval)
{
    std::lock_guard lock(m_lock);
    m_drip = interval;
}

std::vector<std::string> RawHttpResponder::Requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

namespace {

// Waits up to 100 ms for the socket to become readable.
bool Readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 100) > 0;
}

size_t ContentLength(const std::string &head)
{
    const std::string lower = Lower(head);
    const size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

} // namespace

void RawHttpResponder::Run()
{
    while (!m_stop) {
        if (!Readable(m_listen))
            continue;
        const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::string request;
        size_t headEnd = std::string::npos;
        while (!m_stop) {
            if (!Readable(fd))
                continue;
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n <= 0)
                break;
            request.append(buffer, size_t(n));
            if (headEnd == std::string::npos)
                headEnd = request.find("\r\n\r\n");
            if (headEnd != std::string::npos && request.size() >= headEnd + 4 + ContentLength(request.substr(0, headEnd)))
                break;
        }
        std::string response;
        std::chrono::milliseconds drip;
        {
            std::lock_guard lock(m_lock);
            m_requests.push_back(request);
            response = m_response;
            drip = m_drip;
        }
        if (drip.count() > 0) {
            for (size_t sent = 0; sent < response.size() && !m_stop; ++sent) {
                if (::send(fd, response.data() + sent, 1, MSG_NOSIGNAL) != 1)
                    break;
                for (auto waited = std::chrono::milliseconds(0); waited < drip && !m_stop; waited += 10ms)
                    std::this_thread::sleep_for(10ms);
            }
        } else if (response.empty()) {
            // Silent: hold the connection until stopped.
            while (!m_stop)
                Readable(fd) && ::recv(fd, nullptr, 0, MSG_PEEK);
        } else {
            for (size_t sent = 0; sent < response.size();) {
                const ssize_t n = ::send(fd, response.data() + sent, response.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += size_t(n);
            }
        }
        ::close(fd);
    }
}

// UnansweredPort

UnansweredPort::~UnansweredPort()
{
    for (const int fd : m_fillers)
        ::close(fd);
    if (m_listen >= 0)
        ::close(m_listen);
}

bool UnansweredPort::Start()
{
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(m_listen, 0) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return false;
    m_port = ntohs(address.sin_port);
    // Connect until one connect hangs: from then on every connect does.
    for (int i = 0; i < 16; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;
        m_fillers.push_back(fd);
        if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            continue;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 300) == 0)
            return true;
    }
    return false;
}

std::string UnansweredPort::Url() const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + "/kb.asmx";
}

} // namespace harness
