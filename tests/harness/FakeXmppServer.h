#pragma once
// A scripted XMPP server on 127.0.0.1 for what a real server will not do on
// demand: bad XML, stream and version errors, no STARTTLS, a closed document,
// a dropped connection, faulty certificates, oversized stanzas. The script is
// a list of steps played on every connection, one connection after another;
// after a StartTls step the rest runs over TLS. After the last step the
// server reads until the client closes. Everything the clients send is kept
// (decrypted) for the test to inspect.
//
// Thread rule: the server runs on its own thread; build the script before
// Start, then any call may come from the test's thread.

#include "tests/harness/TestPki.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace harness {

class FakeXmppServer
{
public:
    FakeXmppServer();
    ~FakeXmppServer();
    FakeXmppServer(const FakeXmppServer &) = delete;
    FakeXmppServer &operator=(const FakeXmppServer &) = delete;

    // Waits until the client's data since the last Expect holds the text.
    FakeXmppServer &Expect(std::string text);
    // Sends the text; "%ID%" becomes the id of the last iq the client sent.
    FakeXmppServer &Send(std::string text);
    // The server side of the TLS handshake with this certificate; a GnuTLS
    // priority string limits what the server offers.
    FakeXmppServer &StartTls(CertPair certificate, std::string priority = {});
    // Closes the connection cleanly (FIN).
    FakeXmppServer &Close();
    // Resets the connection (RST).
    FakeXmppServer &Drop();
    // Stops reading and sending but keeps the connection open, as a stopped
    // server process whose kernel still acknowledges; ends when the server stops.
    FakeXmppServer &Stall();

    // The whole login of a client up to an open session: STARTTLS with the
    // test CA's "localhost" certificate, SASL PLAIN accepted, the resource
    // bound. Used by tests that only care about what comes after.
    FakeXmppServer &LoginScript();

    // Listens on a port chosen at run time; false when it cannot.
    bool Start();
    void Stop();

    uint16_t Port() const { return m_port; }
    // "127.0.0.1:port", the form of the "server.address" setting.
    QString Address() const;

    // Every byte the clients sent so far, after TLS.
    std::string Received() const;
    // Waits until this many connections have ended.
    bool WaitForConnectionsEnded(int count = 1, int timeoutMs = 5000);
    bool TlsHandshakeFailed() const { return m_tlsFailed; }
    // Set when a step could not be played (e.g. an Expect that timed out).
    std::string ScriptError() const;

    // Canned server texts.
    static std::string Header(const std::string &versionAttribute = " version='1.0'");
    static std::string FeaturesStartTls();
    static std::string FeaturesMechanisms(const std::vector<std::string> &mechanisms);
    static std::string FeaturesBind();
    static std::string Proceed();

    static constexpr int kStepTimeoutMs = 5000;

private:
    struct Step
    {
        enum Kind { Expect, Send, StartTls, Close, Drop, Stall } kind;
        std::string text;
        CertPair certificate;
    };
    class Connection;

    void Run();
    void Serve(int fd);
    void Record(const std::string &data);
    void Fail(const std::string &what);

    std::vector<Step> m_script;
    int m_listenFd = -1;
    int m_stopFd = -1;
    uint16_t m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_tlsFailed{false};

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::string m_received;
    std::string m_scriptError;
    int m_ended = 0;
};

} // namespace harness
