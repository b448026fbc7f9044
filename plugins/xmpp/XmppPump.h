#pragma once
// One XMPP session: the client with its socket and TLS, and the engine state
// as the plug-in sees it (0 none, 1 start, 2 opening, 3 open, 4 closed) with,
// once closed, the engine error and its sub-code. Created, run and deleted
// on the network thread, and never deleted inside its own callbacks.

#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/XmppClient.h"
#include "plugins/xmpp/XmppLog.h"

#include <gloox/connectionlistener.h>

#include <chrono>
#include <memory>
#include <string>

class XmppPump : public gloox::ConnectionListener, private CXmppClient::IObserver
{
public:
    enum State : int { StateNone = 0, StateStart = 1, StateOpening = 2, StateOpen = 3, StateClosed = 4 };

    // Told on the network thread, from inside the pump's calls.
    class IListener
    {
    public:
        virtual ~IListener() = default;
        virtual void OnPumpState(XmppPump &pump, int state) = 0;
        // An incoming stanza of the open session; true when taken.
        virtual bool OnPumpStanza(XmppPump &pump, const gloox::Tag &stanza) = 0;
    };

    // wakeFd: readable when the network thread has work; Poll returns then.
    XmppPump(IListener *listener, int wakeFd);
    ~XmppPump() override;
    XmppPump(const XmppPump &) = delete;
    XmppPump &operator=(const XmppPump &) = delete;

    void DoLogin(const XmppLoginSettings &settings);
    // Closes the stream; reported as closed without error.
    void SignOut();
    // Closes the stream without telling the listener (shut-down).
    void Abandon();
    // Runs the client until something happens or the time is up; ends a
    // sign-in that has run out of time.
    void Poll(int timeoutMs);
    // Written to the stream of an open session as it is; false otherwise.
    bool SendRaw(const std::string &text);

    int State() const { return m_state; }
    bool IsActive() const { return m_state > StateNone && m_state < StateClosed; }
    int Error() const { return m_error; }
    int Subcode() const { return m_subcode; }
    // The bound JID (node@domain/resource) of an open session, else empty.
    std::string OwnJid() const;
    // The same, parsed once by the client: parsing a JID runs stringprep,
    // which costs more than the rest of a chat message's reading.
    const gloox::JID &Own() const;

private:
    void onConnect() override;
    void onDisconnect(gloox::ConnectionError e) override;
    bool onTLSConnect(const gloox::CertInfo &info) override;
    void onResourceBindError(const gloox::Error *error) override;
    void onSessionCreateError(const gloox::Error *error) override;
    void OnStreamOpening() override;
    bool OnIncomingStanza(const gloox::Tag &stanza) override;

    void SetState(int state);
    // False when the session was ended because the server stopped answering;
    // else shortens timeoutMs to the next moment the pump must act.
    bool KeepServerAnswering(int &timeoutMs);
    void Close(int error, int subcode);

    IListener *m_listener;
    int m_wakeFd;
    CGlooxLog m_log;
    std::unique_ptr<CXmppClient> m_client;
    int m_state = StateNone;
    int m_error = 0;
    int m_subcode = 0;
    int m_forcedError = 0; // set when the pump itself ends the session
    std::chrono::steady_clock::time_point m_signInDeadline;
    int m_pingIdleMs = 0;
    int m_pingAnswerMs = 0;
    std::chrono::steady_clock::time_point m_lastHeard; // the last stanza of the open session
    std::chrono::steady_clock::time_point m_pingDeadline;
    std::string m_pingId; // of the ping awaiting its answer, else empty
    unsigned m_pings = 0;
};
