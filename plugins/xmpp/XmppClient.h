#pragma once
// gloox's client as this system uses it: SASL PLAIN only, STARTTLS required,
// resource binding, no roster, no initial presence, no compression, no
// legacy (non-SASL) login. gloox's parser reads only what the stream's front
// end (CXmlGuard) accepted and wrote out again; text that is not well-formed
// or over the bounds ends the session. It notices the server's
// </stream:stream> (which gloox's parser passes over in silence), keeps the
// SASL failure's condition for the sub-code, and offers every
// incoming stanza, as a raw gloox Tag, to its observer before gloox sees it.
// Network thread only.

#include "plugins/xmpp/XmlGuard.h"

#include <gloox/client.h>

#include <string>

class CXmppClient : public gloox::Client
{
public:
    // Told on the network thread, from inside the client's calls.
    class IObserver
    {
    public:
        virtual ~IObserver() = default;
        // The TCP connection is up; the stream header goes out now.
        virtual void OnStreamOpening() = 0;
        // True when the stanza was taken; gloox then never sees it. The tag
        // lives only for the call.
        virtual bool OnIncomingStanza(const gloox::Tag &stanza) = 0;
    };

    CXmppClient(IObserver *observer, const gloox::JID &jid, const std::string &password, int port);

    // Ends the session with this reason (as gloox would for its own errors).
    void Abort(gloox::ConnectionError reason);
    // The sign-out: closes the stream, reported as ConnUserDisconnected.
    void SignOut() { gloox::Client::disconnect(); }
    // Text written to the stream as it is (the keep-alive space, raw stanzas).
    void SendRaw(const std::string &text) { send(text); }

    // The condition element of the last SASL failure, e.g. "not-authorized".
    const std::string &SaslCondition() const { return m_saslCondition; }

    void handleTag(gloox::Tag *tag) override;
    void handleReceivedData(const gloox::ConnectionBase *connection, const std::string &data) override;
    void handleDecryptedData(const gloox::TLSBase *base, const std::string &data) override;
    void handleConnect(const gloox::ConnectionBase *connection) override;

private:
    void disconnect(gloox::ConnectionError reason) override;
    void rosterFilled() override;
    // False when the session ends; else what gloox is to read.
    bool Accept(CXmlGuard &guard, const std::string &data, std::string &accepted);
    void EndIfStreamClosed(const CXmlGuard &guard);
    // False when the session must end: no mechanism that we use.
    bool FilterFeatures(gloox::Tag &features);

    IObserver *m_observer;
    CXmlGuard m_plainGuard; // the stream before TLS
    CXmlGuard m_tlsGuard;   // the stream inside TLS
    std::string m_saslCondition;
    bool m_ended = false;   // nothing more reaches gloox's parser
};
