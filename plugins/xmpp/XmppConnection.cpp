#include "plugins/xmpp/XmppConnection.h"

#include <QCoreApplication>

#include <poll.h>

namespace {
// A poll returns earlier on every post; the bound only keeps a lost wake-up
// harmless.
constexpr int kPollMs = 1000;
} // namespace

CXmppConnection::CXmppConnection(IListener *listener, ISessionHandler *handler)
    : m_listener(listener), m_handler(handler)
{
}

CXmppConnection::~CXmppConnection()
{
    Stop();
}

void CXmppConnection::Start()
{
    m_reporting = true;
    m_thread.Start([this](int wakeFd) { PollOnce(wakeFd); });
}

void CXmppConnection::Stop()
{
    m_reporting = false;
    m_thread.Stop([this] {
        if (m_pump)
            m_pump->Abandon();
        m_pump.reset();
        m_retired.reset();
    });
    QCoreApplication::removePostedEvents(this);
}

void CXmppConnection::PollOnce(int wakeFd)
{
    if (m_pump && m_pump->IsActive()) {
        m_pump->Poll(kPollMs);
        return;
    }
    pollfd wake{wakeFd, POLLIN, 0};
    ::poll(&wake, 1, kPollMs);
}

void CXmppConnection::Login(const XmppLoginSettings &settings)
{
    m_thread.Post([this, settings] {
        if (m_pump)
            m_pump->SignOut();
        m_retired.reset();
        m_pump = std::make_unique<XmppPump>(static_cast<XmppPump::IListener *>(this), m_thread.WakeFd());
        m_pump->DoLogin(settings);
    });
}

void CXmppConnection::Logout()
{
    m_thread.Post([this] {
        if (m_pump)
            m_pump->SignOut();
    });
}

void CXmppConnection::SendRaw(const std::string &text)
{
    m_thread.Post([this, text] {
        if (m_pump)
            m_pump->SendRaw(text);
    });
}

void CXmppConnection::Post(std::function<void(XmppPump *)> job)
{
    m_thread.Post([this, job = std::move(job)] { job(m_pump.get()); });
}

void CXmppConnection::OnPumpState(XmppPump &pump, int state)
{
    if (&pump != m_pump.get())
        return;
    Event event;
    event.state = state;
    if (state == XmppPump::StateOpen) {
        event.ownJid = pump.OwnJid();
        if (m_handler)
            m_handler->OnSessionOpened(pump);
    } else if (state == XmppPump::StateClosed) {
        event.error = pump.Error();
        event.subcode = pump.Subcode();
        if (m_handler)
            m_handler->OnSessionClosed(pump);
        m_thread.Post([this] {
            if (m_pump && m_pump->State() == XmppPump::StateClosed)
                m_retired = std::move(m_pump);
        });
    }
    QMetaObject::invokeMethod(
        this,
        [this, event] {
            if (m_reporting && m_listener)
                m_listener->OnConnectionEvent(event);
        },
        Qt::QueuedConnection);
}

bool CXmppConnection::OnPumpStanza(XmppPump &pump, const gloox::Tag &stanza)
{
    return m_handler && m_handler->OnStanza(pump, stanza);
}
