#include "plugins/xmpp/XmppPump.h"

#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/XmppSocket.h"
#include "plugins/xmpp/XmppTls.h"

#include <gloox/error.h>
#include <gloox/tag.h>

XmppPump::XmppPump(IListener *listener, int wakeFd) : m_listener(listener), m_wakeFd(wakeFd) {}

XmppPump::~XmppPump()
{
    // The client's destructor deletes its socket and TLS without callbacks.
    m_client.reset();
}

void XmppPump::SetState(int state)
{
    m_state = state;
    if (m_listener)
        m_listener->OnPumpState(*this, state);
}

void XmppPump::Close(int error, int subcode)
{
    m_error = error;
    m_subcode = subcode;
    SetState(StateClosed);
}

void XmppPump::DoLogin(const XmppLoginSettings &settings)
{
    if (m_state != StateStart)
        SetState(StateStart);
    m_signInDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(settings.signInTimeoutMs);
    m_pingIdleMs = settings.pingIdleMs;
    m_pingAnswerMs = settings.pingAnswerMs;
    gloox::JID jid;
    jid.setUsername(settings.user);
    jid.setServer(settings.domain);
    jid.setResource(settings.resource);
    m_client = std::make_unique<CXmppClient>(static_cast<CXmppClient::IObserver *>(this), jid, settings.password,
                                             settings.port);
    m_client->setServer(settings.host);
    m_client->registerConnectionListener(this);
    m_client->logInstance().registerLogHandler(gloox::LogLevelDebug, gloox::LogAreaAll, &m_log);
    auto *tls = new CXmppTls(m_client.get(), settings.domain, settings.caFile);
    tls->init();
    m_client->setEncryptionImpl(tls);
    m_client->setConnectionImpl(new XmppSocket(m_client.get(), settings.host, settings.port, m_wakeFd,
                                               settings.deadPeerMs));
    qCInfo(lcXmpp).noquote() << "signing in as" << QString::fromStdString(jid.full()) << "at"
                             << QString::fromStdString(settings.host) + QLatin1Char(':') + QString::number(settings.port);
    if (!m_client->connect(false))
        Close(EngineError::Socket, 0);
}

void XmppPump::SignOut()
{
    if (!m_client || m_state == StateClosed || m_state == StateNone)
        return;
    m_client->SignOut();
    // gloox reports nothing when the connection had already gone.
    if (m_state != StateClosed)
        Close(EngineError::None, 0);
}

void XmppPump::Abandon()
{
    m_listener = nullptr;
    SignOut();
}

void XmppPump::Poll(int timeoutMs)
{
    if (!m_client || !IsActive())
        return;
    if (m_state != StateOpen) {
        using namespace std::chrono;
        const auto left = duration_cast<milliseconds>(m_signInDeadline - steady_clock::now()).count();
        if (left <= 0) {
            qCWarning(lcXmpp) << "the server did not open the session in time";
            m_forcedError = EngineError::Timeout;
            m_client->Abort(gloox::ConnUserDisconnected);
            // gloox reports nothing when the socket was not up yet.
            if (m_state != StateClosed)
                Close(EngineError::Timeout, 0);
            return;
        }
        if (timeoutMs < 0 || left < timeoutMs)
            timeoutMs = int(left);
    } else if (!KeepServerAnswering(timeoutMs)) {
        return;
    }
    m_client->recv(timeoutMs < 0 ? -1 : timeoutMs * 1000);
}

bool XmppPump::KeepServerAnswering(int &timeoutMs)
{
    using namespace std::chrono;
    if (m_pingIdleMs <= 0)
        return true;
    const auto now = steady_clock::now();
    if (m_pingId.empty() && now - m_lastHeard >= milliseconds(m_pingIdleMs)) {
        // A stopped server process whose kernel still acknowledges is only
        // noticed by asking it something.
        m_pingId = "ping" + std::to_string(++m_pings);
        gloox::Tag iq("iq");
        iq.addAttribute("type", "get");
        iq.addAttribute("id", m_pingId);
        iq.addAttribute("to", m_client->jid().server());
        new gloox::Tag(&iq, "ping", "xmlns", "urn:xmpp:ping");
        m_client->SendRaw(iq.xml());
        m_pingDeadline = now + milliseconds(m_pingAnswerMs);
    }
    if (!m_pingId.empty() && now >= m_pingDeadline) {
        qCWarning(lcXmpp) << "the server did not answer a ping within" << m_pingAnswerMs << "ms; the connection is lost";
        m_forcedError = EngineError::ConnectionClosed;
        m_client->Abort(gloox::ConnIoError);
        if (m_state != StateClosed)
            Close(EngineError::ConnectionClosed, 0);
        return false;
    }
    const auto next = m_pingId.empty() ? m_lastHeard + milliseconds(m_pingIdleMs) : m_pingDeadline;
    const auto left = duration_cast<milliseconds>(next - now).count() + 1;
    if (timeoutMs < 0 || left < timeoutMs)
        timeoutMs = int(left);
    return true;
}

bool XmppPump::SendRaw(const std::string &text)
{
    if (!m_client || m_state != StateOpen)
        return false;
    m_client->SendRaw(text);
    return true;
}

std::string XmppPump::OwnJid() const
{
    return Own().full();
}

const gloox::JID &XmppPump::Own() const
{
    static const gloox::JID none;
    return m_client && m_state == StateOpen ? m_client->jid() : none;
}

void XmppPump::OnStreamOpening()
{
    SetState(StateOpening);
}

void XmppPump::onConnect()
{
    qCInfo(lcXmpp).noquote() << "session open as" << QString::fromStdString(m_client->jid().full());
    m_lastHeard = std::chrono::steady_clock::now();
    m_pingId.clear();
    SetState(StateOpen);
}

void XmppPump::onDisconnect(gloox::ConnectionError e)
{
    const int error = m_forcedError ? m_forcedError : EngineError::FromGloox(e);
    const int subcode = error == EngineError::Unauthorized
                            ? EngineError::SubcodeForSaslCondition(m_client->SaslCondition()) : 0;
    qCInfo(lcXmpp) << "session closed: gloox reason" << int(e) << "engine error" << error << "sub-code" << subcode;
    Close(error, subcode);
}

bool XmppPump::onTLSConnect(const gloox::CertInfo &info)
{
    // CXmppTls finishes a handshake only with a certificate that verified.
    qCInfo(lcXmpp).noquote() << "TLS up:" << QString::fromStdString(info.protocol)
                             << QString::fromStdString(info.cipher);
    return true;
}

void XmppPump::onResourceBindError(const gloox::Error *error)
{
    qCWarning(lcXmpp) << "resource binding refused:" << (error ? int(error->error()) : -1);
    m_forcedError = EngineError::Binding;
    m_client->Abort(gloox::ConnUserDisconnected);
}

void XmppPump::onSessionCreateError(const gloox::Error *error)
{
    qCWarning(lcXmpp) << "session creation refused:" << (error ? int(error->error()) : -1);
    m_forcedError = EngineError::Binding;
    m_client->Abort(gloox::ConnUserDisconnected);
}

bool XmppPump::OnIncomingStanza(const gloox::Tag &stanza)
{
    if (m_state == StateOpen) {
        // Any stanza shows the server at work; an error answers a ping too.
        m_lastHeard = std::chrono::steady_clock::now();
        const bool answer = !m_pingId.empty() && stanza.name() == "iq" && stanza.findAttribute("id") == m_pingId;
        m_pingId.clear();
        if (answer)
            return true;
    }
    return m_state == StateOpen && m_listener && m_listener->OnPumpStanza(*this, stanza);
}
