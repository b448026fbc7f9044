#include "plugins/xmpp/tasks/StanzaText.h"

#include <gloox/tag.h>

namespace Stanza {

namespace {
bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace

std::string NamespaceOf(const gloox::Tag &tag)
{
    if (!tag.prefix().empty())
        return tag.xmlns();
    for (const gloox::Tag *t = &tag; t; t = t->parent()) {
        if (t->hasAttribute("xmlns"))
            return t->findAttribute("xmlns");
    }
    return {};
}

gloox::Tag *AddElement(gloox::Tag *parent, const std::string &name, const char *ns)
{
    auto *child = new gloox::Tag(parent, name);
    child->setXmlns(ns);
    return child;
}

const gloox::Tag *FindChild(const gloox::Tag &parent, std::string_view name, std::string_view ns)
{
    for (const gloox::Tag *child : parent.children()) {
        if (child->name() == name && NamespaceOf(*child) == ns)
            return child;
    }
    return nullptr;
}

const gloox::Tag *FindChildIn(const gloox::Tag &parent, std::string_view ns)
{
    for (const gloox::Tag *child : parent.children()) {
        if (NamespaceOf(*child) == ns)
            return child;
    }
    return nullptr;
}

std::string ToWire(const QString &text)
{
    QString kept;
    kept.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
            kept += c;
            kept += text[++i];
        } else if (!c.isSurrogate() && IsXmlChar(c.unicode())) {
            kept += c;
        }
    }
    return kept.toStdString();
}

QString FromWire(const std::string &text)
{
    return QString::fromStdString(text);
}

bool IsXmlText(std::string_view utf8)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = p + utf8.size();
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80) {
            if (!IsXmlChar(lead))
                return false;
            continue;
        }
        int more = 0;
        char32_t c = 0;
        char32_t least = 0; // below it the form is overlong
        if ((lead & 0xE0) == 0xC0) {
            more = 1, c = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2, c = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3, c = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (end - p < more)
            return false;
        for (; more > 0; --more, ++p) {
            if ((*p & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (*p & 0x3F);
        }
        if (c < least || !IsXmlChar(c))
            return false;
    }
    return true;
}

std::string CutUtf8(const std::string &text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    // Back off over continuation bytes to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

bool HasWord(std::string_view list, std::string_view word)
{
    if (word.empty())
        return false;
    for (size_t at = list.find(word); at != std::string_view::npos; at = list.find(word, at + 1)) {
        const bool startsWord = at == 0 || IsBlank(list[at - 1]);
        const size_t end = at + word.size();
        const bool endsWord = end == list.size() || IsBlank(list[end]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

} // namespace Stanza
