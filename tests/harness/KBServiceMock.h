#pragma once
// The knowledge-base web service for tests and the demo: the service class
// generated from our header, on 127.0.0.1 at a port chosen at run time, with
// articles, categories and statuses in memory. Switches make every call answer
// a SOAP fault, an HTTP 500 without envelope, or nothing at all; every request
// is recorded with its HTTP headers, SOAP action and children.
//
// Thread rule: the server runs on its own thread; every public call may be
// made from any thread.

#include "bus/KBPayloads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace harness {

class KBServiceMock
{
public:
    enum class Failure { None, SoapFault, Http500, Hang };

    struct Request
    {
        std::string operation;   // "Find"
        std::string action;      // the SOAP action the client gave
        std::string path;        // "/kb.asmx"
        std::map<std::string, std::string> headers; // names in lower case
        // The request's children in order, text as received; an array adds one
        // pair per item under the array's name, an absent child none.
        std::vector<std::pair<std::string, std::string>> fields;

        std::string Field(const std::string &name) const;
    };

    KBServiceMock();
    ~KBServiceMock();
    KBServiceMock(const KBServiceMock &) = delete;
    KBServiceMock &operator=(const KBServiceMock &) = delete;

    // Binds and starts serving; false when no port could be bound.
    bool Start();
    void Stop();
    uint16_t Port() const { return m_port; }
    // "http://127.0.0.1:<port>/kb.asmx"
    std::string Url() const;

    // A few articles, categories and statuses to search and read.
    void AddCannedData();
    // The canned data and a dozen more articles in more categories and
    // statuses, each with an excerpt, for the demo's knowledge base.
    void AddDemoData();
    void AddArticle(const QVPlugin::KBArticle &article);
    void AddCategory(const QVPlugin::KBCategory &category);
    void AddStatus(const QVPlugin::KBStatus &status);
    // The excerpt a search hit carries for the article; its title otherwise.
    void SetExcerpt(const std::string &articleId, const std::string &text);
    // When set, Add answers without an AddResult.
    void SetOmitAddResult(bool omit);

    void SetFailure(Failure failure);
    std::vector<Request> Requests() const;
    QVPlugin::KBArticle Article(const std::string &id) const;
    std::vector<QVPlugin::KBCategory> Categories() const;
    std::vector<QVPlugin::KBStatus> Statuses() const;

private:
    class Server;
    friend class Server;

    void Record(Request request);
    Failure CurrentFailure() const;
    // Blocks a hung call until Stop() or the failure is switched off.
    void WaitWhileHung();

    std::unique_ptr<Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    uint16_t m_port = 0;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    Failure m_failure = Failure::None;
    bool m_omitAddResult = false;
    int m_nextId = 1000;
    std::vector<Request> m_requests;
    std::vector<QVPlugin::KBArticle> m_articles;
    std::map<std::string, std::string> m_excerpts;
    std::vector<QVPlugin::KBCategory> m_categories;
    std::vector<QVPlugin::KBStatus> m_statuses;
};

// A TCP server on 127.0.0.1 that records each HTTP request byte for byte and
// answers with the bytes it was given, for answers the generated server cannot
// produce. With no answer set it reads the request and stays silent until
// stopped. Thread rule: serves on its own thread; calls from any thread.
class RawHttpResponder
{
public:
    RawHttpResponder();
    ~RawHttpResponder();
    RawHttpResponder(const RawHttpResponder &) = delete;
    RawHttpResponder &operator=(const RawHttpResponder &) = delete;

    bool Start();
    void Stop();
    std::string Url() const; // "http://127.0.0.1:<port>/kb.asmx"

    // The whole HTTP response, status line included.
    void SetResponse(std::string bytes);
    // A 200 response around a SOAP 1.2 envelope with this body content.
    void SetSoapBody(const std::string &bodyXml);
    std::string Response() const;
    // Sends the response one byte per interval; zero sends it at once.
    void SetDrip(std::chrono::milliseconds interval);
    // Every request received so far, headers and body.
    std::vector<std::string> Requests() const;

private:
    void Run();

    int m_listen = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    std::string m_response;
    std::chrono::milliseconds m_drip{0};
    std::vector<std::string> m_requests;
};

// A port on 127.0.0.1 that listens but never accepts, its backlog filled, so
// that a further connect to it never completes: the kernel drops its SYNs.
class UnansweredPort
{
public:
    UnansweredPort() = default;
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort &) = delete;
    UnansweredPort &operator=(const UnansweredPort &) = delete;

    // False when the backlog could not be seen filled.
    bool Start();
    std::string Url() const; // "http://127.0.0.1:<port>/kb.asmx"

private:
    int m_listen = -1;
    std::vector<int> m_fillers;
    uint16_t m_port = 0;
};

} // namespace harness
