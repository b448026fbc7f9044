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
    m_textCheck.Reset();
    m_observer->OnStreamOpening();
    gloox::ClientBase::handleConnect(connection);
}

bool CXmppClient::Bounded(CXmlGuard &guard, const std::string &data)
{
    // gloox's parser takes any bytes; text that is not well-formed ends the
    // session as any XML parser would.
    if (!m_textCheck.Feed(data)) {
        qCWarning(lcXmpp) << "the server sent text that is not well-formed XML; closing the session";
        Abort(gloox::ConnParseError);
        return false;
    }
    const CXmlGuard::Verdict verdict = guard.Feed(data);
    if (verdict == CXmlGuard::Verdict::Ok)
        return true;
    qCWarning(lcXmpp) << (verdict == CXmlGuard::Verdict::TooLarge
                              ? "an incoming stanza exceeds" : "an incoming stanza is nested deeper than")
                      << (verdict == CXmlGuard::Verdict::TooLarge ? int(CXmlGuard::kMaxStanzaBytes)
                                                                  : CXmlGuard::kMaxDepth)
                      << (verdict == CXmlGuard::Verdict::TooLarge ? "bytes" : "levels") << "; closing the session";
    Abort(gloox::ConnParseError);
    return false;
}

void CXmppClient::handleReceivedData(const gloox::ConnectionBase *connection, const std::string &data)
{
    if (m_ended)
        return;
    // Inside TLS the data is still encrypted here; it is bounded once decrypted.
    const bool plain = !m_encryptionActive;
    if (plain && !Bounded(m_plainGuard, data))
        return;
    gloox::ClientBase::handleReceivedData(connection, data);
    if (plain)
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
    if (m_ended || !Bounded(m_tlsGuard, data))
        return;
    gloox::ClientBase::handleDecryptedData(base, data);
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
