#include "plugins/chat/model/NameValueCollection.h"

#include "plugins/chat/model/NetworkText.h"

namespace {

// C-locale upper case, byte by byte.
QByteArray UpperCase(QByteArrayView text)
{
    QByteArray upper = text.toByteArray();
    for (char &c : upper) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return upper;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

NameValueCollection::NameValueCollection(QByteArrayView text, NameCase nameCase)
    : m_upperCaseNames(nameCase == UpperCaseNames)
{
    if (text.isNull())
        return;
    m_hasData = true;
    for (QByteArrayView piece : Tessary::SplitNonEmpty(text, '&')) {
        const QList<QByteArrayView> parts = Tessary::SplitNonEmpty(piece, '=');
        m_pairs.insert(Key(parts.value(0)), Tessary::UrlDecode(parts.value(1)));
    }
}

QByteArray NameValueCollection::Key(QByteArrayView name) const
{
    return m_upperCaseNames ? UpperCase(name) : name.toByteArray();
}

bool NameValueCollection::HasName(QByteArrayView name) const
{
    return m_pairs.contains(Key(name));
}

const QByteArray *NameValueCollection::GetValue(QByteArrayView name) const
{
    auto it = m_pairs.constFind(Key(name));
    return it == m_pairs.cend() ? nullptr : &it.value();
}

QByteArray NameValueCollection::Value(QByteArrayView name) const
{
    const QByteArray *value = GetValue(name);
    return value ? *value : QByteArray();
}

namespace Tessary {

QByteArray UrlDecode(QByteArrayView text)
{
    QByteArray decoded;
    decoded.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            decoded.append(' ');
        } else if (c == '%' && i + 2 >= text.size()) {
            break; // a cut-short escape: the sender's value ended before it
        } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            decoded.append(char(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
            i += 2;
        } else {
            decoded.append(c);
        }
    }
    return decoded;
}

} // namespace Tessary
