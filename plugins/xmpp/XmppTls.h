#pragma once
// TLS for the XMPP stream (STARTTLS) on GnuTLS, in gloox's TLS interface.
// The server's certificate is verified in the handshake itself: against the
// system CAs and an optional extra CA file, for the JID's domain, and within
// its validity dates. A certificate that does not verify fails the handshake,
// which gloox reports as ConnTlsFailed, before anything else is sent.
// Network thread only, like the client that owns it.

#include <gloox/tlsbase.h>

#include <gnutls/gnutls.h>

#include <string>

class CXmppTls : public gloox::TLSBase
{
public:
    // peerName: the name the certificate must carry (the JID's domain).
    CXmppTls(gloox::TLSHandler *handler, const std::string &peerName, const std::string &extraCaFile);
    ~CXmppTls() override;
    CXmppTls(const CXmppTls &) = delete;
    CXmppTls &operator=(const CXmppTls &) = delete;

    bool init(const std::string &clientKey = gloox::EmptyString, const std::string &clientCerts = gloox::EmptyString,
              const gloox::StringList &cacerts = gloox::StringList()) override;
    bool encrypt(const std::string &data) override;
    int decrypt(const std::string &data) override;
    void cleanup() override;
    bool handshake() override;
    // The CA files are given to the constructor; client certificates are not used.
    void setCACerts(const gloox::StringList &) override {}
    void setClientCert(const std::string &, const std::string &) override {}

private:
    static ssize_t Push(gnutls_transport_ptr_t self, const void *data, size_t size);
    static ssize_t Pull(gnutls_transport_ptr_t self, void *data, size_t size);
    void Failed(int gnutlsError);
    void FillCertInfo();

    std::string m_caFile;
    gnutls_session_t m_session = nullptr;
    gnutls_certificate_credentials_t m_credentials = nullptr;
    std::string m_incoming; // records received and not yet taken by GnuTLS
    std::string m_early;    // written before the handshake finished
    // Bumped by cleanup(): a handler called from inside decrypt() may end
    // the session, and the loop must not touch it afterwards.
    unsigned m_generation = 0;
};
