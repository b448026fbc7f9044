#include "plugins/xmpp/server/WireText.h"

#include <QByteArray>

namespace Quelvar {

namespace {

bool IsBase64Space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

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
