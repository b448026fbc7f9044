#include "plugins/xmpp/XmppClient.h"

#include "plugins/xmpp/XmppLog.h"

#include <gloox/connectionbase.h>
#include <gloox/tag.h>

CXmppClient::CXmppClient(IObserver *observer, const gloox::JID &jid, const std::string &password, int port)
    : gloox::Client(jid, password, port), m_observer(observer)
{
    setSASLMechanisms(gloox::SaslMechPlain);
    setTls(gloox::TLSRequired);
    setCompression(false);
    disableRoster();
}

void CXmppClient::Abort(gloox::ConnectionError reason)
{
    disconnect(reason);
}

void CXmppClient::disconnect(gloox::ConnectionError reason)
{
    m_ended = true;
    gloox::ClientBase::disconnect(reason);
}

void CXmppClient::rosterFilled()
{
    // gloox would send an initial presence here; the plug-in sends its own.
    notifyStreamEvent(gloox::StreamEventFinished);
    notifyOnConnect();
}

void CXmppClient::handleConnect(const gloox::ConnectionBase *connection)
{
    m_ended = false;
    m_plainGuard.Reset();
    m_tlsGuard.Reset();
    m_observer->OnStreamOpening();
    gloox::ClientBase::handleConnect(connection);
}

bool CXmppClient::Accept(CXmlGuard &guard, const std::string &data, std::string &accepted)
{
    const CXmlGuard::Verdict verdict = guard.Feed(data);
    if (verdict == CXmlGuard::Verdict::Ok) {
        accepted = guard.TakeAccepted();
        return true;
    }
    switch (verdict) {
    case CXmlGuard::Verdict::TooLarge:
        qCWarning(lcXmpp) << "an incoming stanza exceeds" << int(CXmlGuard::kMaxStanzaBytes)
                          << "bytes; closing the session";
        break;
    case CXmlGuard::Verdict::TooDeep:
        qCWarning(lcXmpp) << "an incoming stanza is nested deeper than" << CXmlGuard::kMaxDepth
                          << "levels; closing the session";
        break;
    default:
        qCWarning(lcXmpp).noquote() << "the server sent text that is not well-formed XML ("
                                          + QString::fromStdString(guard.Error()) + "); closing the session";
    }
    Abort(gloox::ConnParseError);
    return false;
}

void CXmppClient::handleReceivedData(const gloox::ConnectionBase *connection, const std::string &data)
{
    if (m_ended)
        return;
    // Inside TLS the data is still encrypted here; it is read once decrypted.
    if (m_encryptionActive) {
        gloox::ClientBase::handleReceivedData(connection, data);
        return;
    }
    std::string accepted;
    if (!Accept(m_plainGuard, data, accepted))
        return;
    if (!accepted.empty())
        gloox::ClientBase::handleReceivedData(connection, accepted);
    EndIfStreamClosed(m_plainGuard);
}

void CXmppClient::EndIfStreamClosed(const CXmlGuard &guard)
{
    if (!m_ended && guard.StreamClosed()) {
        qCInfo(lcXmpp) << "the server closed the stream";
        Abort(gloox::ConnStreamClosed);
    }
}

void CXmppClient::handleDecryptedData(const gloox::TLSBase *base, const std::string &data)
{
    std::string accepted;
    if (m_ended || !Accept(m_tlsGuard, data, accepted))
        return;
    if (!accepted.empty())
        gloox::ClientBase::handleDecryptedData(base, accepted);
    EndIfStreamClosed(m_tlsGuard);
}

bool CXmppClient::FilterFeatures(gloox::Tag &features)
{
    // Never negotiated: compression, legacy login, in-band registration.
    features.removeChild("compression", gloox::XMLNS_STREAM_COMPRESS);
    features.removeChild("auth", gloox::XMLNS_STREAM_IQAUTH);
    features.removeChild("register", gloox::XMLNS_STREAM_IQREGISTER);
    if (!m_encryptionActive || authed())
        return true;
    const gloox::Tag *mechanisms = features.findChild("mechanisms", gloox::XMLNS, gloox::XMLNS_STREAM_SASL);
    return mechanisms && mechanisms->hasChildWithCData("mechanism", "PLAIN");
}

void CXmppClient::handleTag(gloox::Tag *tag)
{
    if (m_ended)
        return;
    if (tag) {
        const std::string &name = tag->name();
        const std::string xmlns = tag->xmlns();
        if (name == "features" && xmlns == gloox::XMLNS_STREAM && !FilterFeatures(*tag)) {
            qCWarning(lcXmpp) << "the server offers no SASL PLAIN";
            Abort(gloox::ConnNoSupportedAuth);
            return;
        }
        if (name == "failure" && xmlns == gloox::XMLNS_STREAM_SASL) {
            m_saslCondition.clear();
            for (const gloox::Tag *child : tag->children()) {
                if (child->name() != "text") {
                    m_saslCondition = child->name();
                    break;
                }
            }
            qCWarning(lcXmpp) << "the server refused the sign-in:" << QString::fromStdString(m_saslCondition);
        }
        if ((name == "message" || name == "presence" || name == "iq") && m_observer->OnIncomingStanza(*tag))
            return;
    }
    gloox::ClientBase::handleTag(tag);
}
