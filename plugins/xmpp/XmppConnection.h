#pragma once
// The XMPP connection of the plug-in: one network thread for the plug-in's
// life, on which a pump runs one session at a time. Calls come from the
// user-interface thread and are queued onto the network thread, where the
// gloox client is created, used and deleted. What becomes of the session
// reaches the listener back on the user-interface thread, in order. Nothing
// on the network thread ever waits for the user-interface thread, so Stop
// returns promptly whatever the session is doing.

#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/NetworkThread.h"
#include "plugins/xmpp/XmppPump.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>

class CXmppConnection : public QObject, private XmppPump::IListener
{
public:
    struct Event
    {
        int state = XmppPump::StateNone; // 1 start, 2 opening, 3 open, 4 closed
        int error = 0;                   // engine error of a closed session
        int subcode = 0;
        std::string ownJid;              // of an open session
    };

    // User-interface thread.
    class IListener
    {
    public:
        virtual ~IListener() = default;
        virtual void OnConnectionEvent(const Event &event) = 0;
    };

    // Network thread: the tasks of a session are started and stopped here,
    // and see every incoming stanza first.
    class ISessionHandler
    {
    public:
        virtual ~ISessionHandler() = default;
        virtual void OnSessionOpened(XmppPump &) {}
        // True when the stanza was taken; the tag lives only for the call.
        virtual bool OnStanza(XmppPump &, const gloox::Tag &) { return false; }
        virtual void OnSessionClosed(XmppPump &) {}
    };

    // Neither is owned; both must outlive Stop().
    explicit CXmppConnection(IListener *listener, ISessionHandler *handler = nullptr);
    ~CXmppConnection() override;

    void Start();
    // Ends a session without telling the listener, then the thread.
    void Stop();

    // Closes a running session first (reported as closed without error).
    void Login(const XmppLoginSettings &settings);
    void Logout();
    // Written to the stream of an open session; dropped otherwise.
    void SendRaw(const std::string &text);
    // Runs on the network thread with the current pump, null when none.
    void Post(std::function<void(XmppPump *)> job);

private:
    void OnPumpState(XmppPump &pump, int state) override;
    bool OnPumpStanza(XmppPump &pump, const gloox::Tag &stanza) override;
    void PollOnce(int wakeFd);

    IListener *m_listener;
    ISessionHandler *m_handler;
    bool m_reporting = false; // user-interface thread
    CNetworkThread m_thread;
    // Network thread only. A closed pump is kept as retired until the next
    // sign-in, close or Stop, never deleted inside its own callback.
    std::unique_ptr<XmppPump> m_pump;
    std::unique_ptr<XmppPump> m_retired;
};
