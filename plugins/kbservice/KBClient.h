#pragma once
// The knowledge-base operations: each builds one request of the service from
// a record and the account, calls the service through the generated proxy and
// maps the answer back into records. Writes give 1 (done) or -1 (failed);
// reads give their records, or nothing when the call failed or the answer
// lacked its result.
//
// Thread rule: callable from any thread. One lock serialises the calls over
// the single SOAP context, from building the request until the answer is
// mapped; a read returns with the lock released, so its caller can send the
// answer without holding it. The account may change at any time; a call uses
// the values it finds when it starts.

#include "bus/KBPayloads.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct soap;

namespace KBService {
class kbSoap12Proxy;
}

class CKBClient
{
public:
    static constexpr int kConnectTimeoutS = 30;
    static constexpr int kSendTimeoutS = 30;
    static constexpr int kReceiveTimeoutS = 60;

    CKBClient();
    ~CKBClient();
    CKBClient(const CKBClient &) = delete;
    CKBClient &operator=(const CKBClient &) = delete;

    // Sent as "account_number" and "key" in every request, empty or not.
    void SetAccountId(const std::string &id);
    void SetAccountKey(const std::string &key);
    // Empty: the service's default endpoint.
    void SetServiceUrl(const std::string &url);
    // Seconds; for tests that need a hung server to give up sooner.
    void SetTimeouts(int connectS, int sendS, int receiveS);

    // The new article's id goes into newId when the answer holds one.
    int AddArticle(const QVPlugin::KBArticle &article, std::string &newId);
    int UpdateArticle(const QVPlugin::KBArticle &article);
    // entity: "ARTICLE", "CATEGORY" or "STATUS".
    int DeleteEntity(const std::string &entity, const std::string &id);
    int AddCategory(const QVPlugin::KBCategory &category);
    int EditCategory(const QVPlugin::KBCategory &category);
    int AddStatus(const QVPlugin::KBStatus &status);
    int EditStatus(const QVPlugin::KBStatusChange &change);

    std::optional<QVPlugin::KBArticle> GetArticle(const std::string &id);
    std::optional<std::vector<QVPlugin::KBArticle>> FindArticles(const QVPlugin::KBSearchParams &params);
    std::optional<std::vector<QVPlugin::KBStatus>> GetStatusList();
    std::optional<std::vector<QVPlugin::KBCategory>> GetCategories();

    // The runtime's text of the last failure, empty after a success.
    std::string LastError() const;

    // Cuts the connection of a call in progress and makes every later call
    // fail at once; for shut-down, from any thread, without the service lock.
    void Abort();

private:
    struct Account
    {
        std::string id;
        std::string key;
        std::string url;
    };
    class Call;

    Account CurrentAccount() const;
    static int OpenSocket(struct soap *soap, const char *endpoint, const char *host, int port);
    static int CloseSocket(struct soap *soap);

    mutable std::mutex m_accountLock; // guards m_account
    Account m_account;
    mutable std::mutex m_serviceLock; // one call at a time over m_proxy
    std::unique_ptr<KBService::kbSoap12Proxy> m_proxy;
    std::string m_lastError;
    // The open connection's socket, so Abort can shut it down while another
    // thread waits on it; cleared before the socket is closed.
    std::mutex m_socketLock;
    int m_openSocket = -1;
    bool m_aborted = false;
    int (*m_defaultOpen)(struct soap *, const char *, const char *, int) = nullptr;
    int (*m_defaultClose)(struct soap *) = nullptr;
};
