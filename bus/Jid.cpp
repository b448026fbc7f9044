#include "bus/Jid.h"

namespace QVPlugin {

namespace {
// RFC 6122 limits each part to 1023 bytes.
constexpr int kMaxPartBytes = 1023;

bool tooLong(const QString &part)
{
    return part.toUtf8().size() > kMaxPartBytes;
}
} // namespace

Jid::Jid(const QString &text)
{
    QString rest = text;
    const int slash = rest.indexOf(QLatin1Char('/'));
    if (slash >= 0) {
        m_resource = rest.mid(slash + 1);
        rest.truncate(slash);
    }
    const int at = rest.indexOf(QLatin1Char('@'));
    if (at >= 0) {
        m_node = rest.left(at).toLower();
        m_domain = rest.mid(at + 1).toLower();
    } else {
        m_domain = rest.toLower();
    }
    // "a@/x" or "/x" are not addresses; neither is "a@" (empty node after @).
    m_valid = !(at >= 0 && m_node.isEmpty()) && !(slash >= 0 && m_resource.isEmpty());
    Validate();
}

Jid::Jid(const QString &node, const QString &domain, const QString &resource)
    : m_node(node.toLower()), m_domain(domain.toLower()), m_resource(resource), m_valid(true)
{
    Validate();
}

void Jid::Validate()
{
    if (m_domain.isEmpty() || m_domain.contains(QLatin1Char('@')) || m_domain.contains(QLatin1Char('/'))
        || m_node.contains(QLatin1Char('@')) || m_node.contains(QLatin1Char('/'))
        || tooLong(m_node) || tooLong(m_domain) || tooLong(m_resource)) {
        m_valid = false;
    }
    if (!m_valid) {
        m_node.clear();
        m_domain.clear();
        m_resource.clear();
    }
}

QString Jid::Str() const
{
    if (!m_valid)
        return {};
    QString s;
    if (!m_node.isEmpty())
        s += m_node + QLatin1Char('@');
    s += m_domain;
    if (!m_resource.isEmpty())
        s += QLatin1Char('/') + m_resource;
    return s;
}

Jid Jid::BareJid() const
{
    if (!m_valid)
        return {};
    return Jid(m_node, m_domain, QString());
}

bool Jid::BareEquals(const Jid &other) const
{
    return m_valid == other.m_valid && m_node == other.m_node && m_domain == other.m_domain;
}

bool Jid::operator==(const Jid &other) const
{
    return BareEquals(other) && m_resource == other.m_resource;
}

} // namespace QVPlugin
