#include "plugins/xmpp/XmppTls.h"

#include "plugins/xmpp/XmppLog.h"

#include <gloox/tlshandler.h>

#include <arpa/inet.h>

#include <cerrno>
#include <cstring>

namespace {

bool IsIpAddress(const std::string &name)
{
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, name.c_str(), buf) == 1 || inet_pton(AF_INET6, name.c_str(), buf) == 1;
}

} // namespace

CXmppTls::CXmppTls(gloox::TLSHandler *handler, const std::string &peerName, const std::string &extraCaFile)
    : gloox::TLSBase(handler, peerName), m_caFile(extraCaFile)
{
}

CXmppTls::~CXmppTls()
{
    cleanup();
}

bool CXmppTls::init(const std::string &, const std::string &, const gloox::StringList &)
{
    cleanup();
    if (gnutls_certificate_allocate_credentials(&m_credentials) < 0)
        return false;
    if (gnutls_certificate_set_x509_system_trust(m_credentials) < 0)
        qCWarning(lcXmpp) << "the system's CA certificates cannot be read";
    if (!m_caFile.empty()
        && gnutls_certificate_set_x509_trust_file(m_credentials, m_caFile.c_str(), GNUTLS_X509_FMT_PEM) <= 0)
        qCWarning(lcXmpp) << "no CA certificate read from" << QString::fromStdString(m_caFile);
    if (gnutls_init(&m_session, GNUTLS_CLIENT) < 0) {
        m_session = nullptr;
        cleanup();
        return false;
    }
    // The system's defaults without the versions before TLS 1.2, which the
    // password must never cross.
    if (gnutls_set_default_priority_append(m_session, "-VERS-TLS1.1:-VERS-TLS1.0:-VERS-SSL3.0:-VERS-DTLS-ALL", nullptr, 0)
        < 0) {
        cleanup();
        return false;
    }
    gnutls_credentials_set(m_session, GNUTLS_CRD_CERTIFICATE, m_credentials);
    if (!IsIpAddress(m_server))
        gnutls_server_name_set(m_session, GNUTLS_NAME_DNS, m_server.data(), m_server.size());
    // Chain, dates and name are checked in the handshake.
    gnutls_session_set_verify_cert(m_session, m_server.c_str(), 0);
    gnutls_transport_set_ptr(m_session, this);
    gnutls_transport_set_push_function(m_session, &CXmppTls::Push);
    gnutls_transport_set_pull_function(m_session, &CXmppTls::Pull);
    m_valid = true;
    return true;
}

void CXmppTls::cleanup()
{
    if (m_session)
        gnutls_deinit(m_session);
    if (m_credentials)
        gnutls_certificate_free_credentials(m_credentials);
    m_session = nullptr;
    m_credentials = nullptr;
    m_incoming.clear();
    m_early.clear();
    m_secure = false;
    m_valid = false;
    ++m_generation;
}

ssize_t CXmppTls::Push(gnutls_transport_ptr_t self, const void *data, size_t size)
{
    auto *tls = static_cast<CXmppTls *>(self);
    if (tls->m_handler)
        tls->m_handler->handleEncryptedData(tls, std::string(static_cast<const char *>(data), size));
    return ssize_t(size);
}

ssize_t CXmppTls::Pull(gnutls_transport_ptr_t self, void *data, size_t size)
{
    auto *tls = static_cast<CXmppTls *>(self);
    if (tls->m_incoming.empty()) {
        gnutls_transport_set_errno(tls->m_session, EAGAIN);
        return -1;
    }
    const size_t n = std::min(size, tls->m_incoming.size());
    std::memcpy(data, tls->m_incoming.data(), n);
    tls->m_incoming.erase(0, n);
    return ssize_t(n);
}

bool CXmppTls::handshake()
{
    if (!m_valid && !init()) {
        Failed(GNUTLS_E_INTERNAL_ERROR);
        return false;
    }
    const int r = gnutls_handshake(m_session);
    if (r == GNUTLS_E_AGAIN || r == GNUTLS_E_INTERRUPTED)
        return true;
    if (r < 0) {
        Failed(r);
        return false;
    }
    m_secure = true;
    FillCertInfo();
    const unsigned generation = m_generation;
    if (m_handler)
        m_handler->handleHandshakeResult(this, true, m_certInfo);
    if (generation == m_generation && !m_early.empty()) {
        std::string early;
        early.swap(m_early);
        encrypt(early);
    }
    return true;
}

void CXmppTls::Failed(int gnutlsError)
{
    if (gnutlsError == GNUTLS_E_CERTIFICATE_VERIFICATION_ERROR && m_session) {
        const unsigned status = gnutls_session_get_verify_cert_status(m_session);
        gnutls_datum_t text{};
        gnutls_certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0);
        qCWarning(lcXmpp).noquote() << "the certificate of" << QString::fromStdString(m_server)
                                    << "is refused:" << reinterpret_cast<const char *>(text.data);
        gnutls_free(text.data);
        m_certInfo.status = gloox::CertInvalid;
        if (status & GNUTLS_CERT_SIGNER_NOT_FOUND)
            m_certInfo.status |= gloox::CertSignerUnknown;
        if (status & GNUTLS_CERT_EXPIRED)
            m_certInfo.status |= gloox::CertExpired;
        if (status & GNUTLS_CERT_NOT_ACTIVATED)
            m_certInfo.status |= gloox::CertNotActive;
        if (status & GNUTLS_CERT_UNEXPECTED_OWNER)
            m_certInfo.status |= gloox::CertWrongPeer;
    } else {
        qCWarning(lcXmpp) << "TLS handshake failed:" << gnutls_strerror(gnutlsError);
        m_certInfo.status = gloox::CertInvalid;
    }
    m_secure = false;
    if (m_handler)
        m_handler->handleHandshakeResult(this, false, m_certInfo);
}

void CXmppTls::FillCertInfo()
{
    m_certInfo.status = gloox::CertOk;
    m_certInfo.chain = true;
    m_certInfo.server = m_server;
    if (const char *p = gnutls_protocol_get_name(gnutls_protocol_get_version(m_session)))
        m_certInfo.protocol = p;
    if (const char *c = gnutls_cipher_get_name(gnutls_cipher_get(m_session)))
        m_certInfo.cipher = c;
    if (const char *m = gnutls_mac_get_name(gnutls_mac_get(m_session)))
        m_certInfo.mac = m;
}

bool CXmppTls::encrypt(const std::string &data)
{
    if (!m_secure) {
        // Sent once the handshake is done, after gloox's new stream header.
        m_early += data;
        return true;
    }
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = gnutls_record_send(m_session, data.data() + sent, data.size() - sent);
        if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_INTERRUPTED)
            continue;
        if (n < 0) {
            qCWarning(lcXmpp) << "TLS send failed:" << gnutls_strerror(int(n));
            return false;
        }
        sent += size_t(n);
    }
    return true;
}

int CXmppTls::decrypt(const std::string &data)
{
    m_incoming += data;
    const unsigned generation = m_generation;
    if (!m_secure) {
        handshake();
        // Records that came with the end of the handshake are read below.
        if (!m_secure || generation != m_generation)
            return int(data.size());
    }
    char buf[16384];
    for (;;) {
        const size_t before = m_incoming.size();
        const ssize_t n = gnutls_record_recv(m_session, buf, sizeof buf);
        if (n > 0) {
            if (m_handler)
                m_handler->handleDecryptedData(this, std::string(buf, size_t(n)));
            if (generation != m_generation)
                break;
            continue;
        }
        if (n == 0)
            break; // the server ended TLS; the socket's close follows
        if (gnutls_error_is_fatal(int(n))) {
            // The stream cannot go on; gloox closes it as a TLS failure.
            qCWarning(lcXmpp) << "TLS receive failed:" << gnutls_strerror(int(n));
            if (m_handler)
                m_handler->handleHandshakeResult(this, false, m_certInfo);
            break;
        }
        // Also after a post-handshake message (a TLS 1.3 session ticket):
        // records may still wait behind it.
        if (m_incoming.size() == before && gnutls_record_check_pending(m_session) == 0)
            break;
    }
    return int(data.size());
}
