#include "plugins/xmpp/server/WireText.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace Quelvar {

namespace {

bool AllowedInXml(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsBase64Space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string XmlSafeText(std::string_view utf8)
{
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::u32string safe;
    safe.reserve(size_t(text.size()));
    for (const uint c : text.toUcs4()) {
        if (AllowedInXml(c))
            safe += char32_t(c);
    }
    return QString::fromUcs4(safe.data(), qsizetype(safe.size())).toStdString();
}

std::string EscapeXml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string EncodeBase64(std::string_view bytes)
{
    return QByteArray(bytes.data(), qsizetype(bytes.size())).toBase64().toStdString();
}

std::optional<std::string> DecodeBase64(std::string_view text)
{
    QByteArray compact;
    compact.reserve(qsizetype(text.size()));
    for (const char c : text) {
        if (!IsBase64Space(c))
            compact.append(c);
    }
    const auto decoded = QByteArray::fromBase64Encoding(
        compact, QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return decoded.decoded.toStdString();
}

std::string ReplacePlaceholders(std::string_view text, const Placeholders &placeholders)
{
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        bool replaced = false;
        for (const auto &[name, value] : placeholders) {
            if (!name.empty() && text.substr(pos, name.size()) == name) {
                out += value;
                pos += name.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[pos++];
    }
    return out;
}

} // namespace Quelvar
