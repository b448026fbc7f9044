#pragma once
// The knowledge-base operations: each builds one request of the service from
// a record and the account, calls the service through the generated proxy and
// maps the answer back into records. Writes give 1 (done) or -1 (failed);
// reads give their records, or nothing when the call failed or the answer
// lacked its result.
//
// Every call has one deadline for all of it (the wait for the context, the
// name look-up, the connect, the request and the whole answer): a server
// that trickles its answer cannot hold a call longer. The SOAP runtime
// frames the HTTP; the bytes under it go over our own non-blocking socket,
// so that Abort reaches a call at any point, its look-up and connect
// included (the runtime's own time-outs cannot be woken). An answer may
// hold at most kAnswerLimit bytes. Only http:// addresses are called: any
// other is refused before connecting, as there is no TLS here.
//
// Thread rule: callable from any thread. One lock serialises the calls over
// the single SOAP context, from building the request until the answer is
// mapped; a read returns with the lock released, so its caller can send the
// answer without holding it. The account may change at any time; a call uses
// the values it finds when it starts.

#include "bus/KBPayloads.h"

#include <atomic>
#include <chrono>
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
    static constexpr std::chrono::milliseconds kCallLimit{30000};
    static constexpr unsigned long long kAnswerLimit = 16ull * 1024 * 1024;

    CKBClient();
    ~CKBClient();
    CKBClient(const CKBClient &) = delete;
    CKBClient &operator=(const CKBClient &) = delete;

    // Sent as "account_number" and "key" in every request, empty or not.
    void SetAccountId(const std::string &id);
    void SetAccountKey(const std::string &key);
    // Empty: the service's default endpoint.
    void SetServiceUrl(const std::string &url);
    // The deadline of each call from its start; for tests that need a hung
    // server to give up sooner.
    void SetCallLimit(std::chrono::milliseconds limit);

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

    // Ends a call in progress at once, in its connect too, and makes every
    // later call fail at once; for shut-down, from any thread, without the
    // service lock.
    void Abort();

private:
    struct Account
    {
        std::string id;
        std::string key;
        std::string url;
    };
    class Call;
    class Transport;
    enum class Ready { Yes, TimedOut, Aborted };

    Account CurrentAccount() const;
    void SetLastError(std::string text);
    // Waits until the socket is ready for events, the call's deadline passed
    // or Abort was called.
    Ready Wait(int socket, short events) const;
    // The call failed for a reason of our own: kept for LastError.
    void Fail(struct soap *soap, const char *text);
    static CKBClient &Of(struct soap *soap);
    static int OpenSocket(struct soap *soap, const char *endpoint, const char *host, int port);
    static int SendBytes(struct soap *soap, const char *data, size_t size);
    size_t ReceiveBytes(struct soap *soap, char *buffer, size_t size);
    static int CloseSocket(struct soap *soap);

    mutable std::mutex m_accountLock; // guards m_account
    Account m_account;
    // One call at a time over m_proxy and the call's state below; timed, so
    // that the wait for it counts toward the call's deadline.
    std::timed_mutex m_serviceLock;
    std::unique_ptr<KBService::kbSoap12Proxy> m_proxy;
    std::atomic<std::chrono::milliseconds::rep> m_callLimitMs{kCallLimit.count()};
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_failure; // our own reason of the call's failure
    std::unique_ptr<Transport> m_transport; // the answer's way into the runtime
    mutable std::mutex m_errorLock; // guards m_lastError
    std::string m_lastError;
    // Readable once Abort was called: every wait of every call watches it.
    int m_abortEvent = -1;
    std::atomic<bool> m_aborted{false};
};
