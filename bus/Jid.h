#pragma once
// An XMPP address as a value: node@domain/resource. The XMPP plug-in
// converts it to and from gloox's JID at its edge, so nothing else links
// gloox.

#include <QString>

namespace QVPlugin {

class Jid
{
public:
    Jid() = default;
    explicit Jid(const QString &text);
    Jid(const QString &node, const QString &domain, const QString &resource);

    // Valid when it has a domain and every part is within the XMPP limits.
    bool IsValid() const { return m_valid; }

    const QString &node() const { return m_node; }
    const QString &domain() const { return m_domain; }
    const QString &resource() const { return m_resource; }

    QString Str() const;      // full form; empty when invalid
    Jid BareJid() const;      // without the resource
    QString BareStr() const { return BareJid().Str(); }

    bool BareEquals(const Jid &other) const;
    bool operator==(const Jid &other) const;
    bool operator!=(const Jid &other) const { return !(*this == other); }

private:
    void Validate();

    QString m_node;
    QString m_domain;
    QString m_resource;
    bool m_valid = false;
};

} // namespace QVPlugin
