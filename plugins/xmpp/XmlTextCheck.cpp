#include "plugins/xmpp/XmlTextCheck.h"

#include "plugins/xmpp/tasks/StanzaText.h"

namespace {

// A reference longer than this is not a character XML allows.
constexpr size_t kMaxReference = 12; // "&#x0010FFFF;"

// Bytes at the end that may start a character or reference still to come.
size_t IncompleteTail(std::string_view data)
{
    size_t tail = 0;
    // A UTF-8 lead byte whose continuation bytes have not all arrived.
    for (size_t back = 1; back <= 3 && back <= data.size(); ++back) {
        const auto c = static_cast<unsigned char>(data[data.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;
        const size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        if (length > back)
            tail = back;
        break;
    }
    // A "&#" reference without its ";".
    const size_t amp = data.rfind('&');
    if (amp != std::string_view::npos && data.find(';', amp) == std::string_view::npos
        && data.size() - amp <= kMaxReference)
        tail = std::max(tail, data.size() - amp);
    return tail;
}

bool IsAllowedReference(std::string_view digits, bool hex)
{
    if (digits.empty() || digits.size() > 8)
        return false;
    char32_t c = 0;
    for (const char d : digits) {
        int v = -1;
        if (d >= '0' && d <= '9')
            v = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
        else if (hex && d >= 'A' && d <= 'F')
            v = d - 'A' + 10;
        if (v < 0)
            return false;
        c = c * (hex ? 16 : 10) + char32_t(v);
    }
    if (c > 0x10FFFF)
        return false;
    // Encoded and checked as the character it stands for.
    std::string utf8;
    if (c < 0x80) {
        utf8 += char(c);
    } else if (c < 0x800) {
        utf8 += char(0xC0 | (c >> 6)), utf8 += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        utf8 += char(0xE0 | (c >> 12)), utf8 += char(0x80 | ((c >> 6) & 0x3F)), utf8 += char(0x80 | (c & 0x3F));
    } else {
        utf8 += char(0xF0 | (c >> 18)), utf8 += char(0x80 | ((c >> 12) & 0x3F));
        utf8 += char(0x80 | ((c >> 6) & 0x3F)), utf8 += char(0x80 | (c & 0x3F));
    }
    return Stanza::IsXmlText(utf8);
}

} // namespace

bool CXmlTextCheck::CheckReferences(std::string_view data)
{
    for (size_t at = data.find("&#"); at != std::string_view::npos; at = data.find("&#", at + 2)) {
        const size_t end = data.find(';', at);
        if (end == std::string_view::npos)
            return false; // complete data only: a reference must end
        const bool hex = end > at + 2 && data[at + 2] == 'x';
        if (!IsAllowedReference(data.substr(at + (hex ? 3 : 2), end - at - (hex ? 3 : 2)), hex))
            return false;
    }
    return true;
}

bool CXmlTextCheck::Feed(std::string_view data)
{
    if (m_failed)
        return false;
    std::string joined;
    if (!m_carry.empty()) {
        joined = m_carry;
        joined.append(data);
        data = joined;
    }
    const size_t complete = data.size() - IncompleteTail(data);
    const std::string_view checked = data.substr(0, complete);
    if (!Stanza::IsXmlText(checked) || !CheckReferences(checked)) {
        m_failed = true;
        return false;
    }
    m_carry.assign(data.substr(complete));
    return true;
}

void CXmlTextCheck::Reset()
{
    m_carry.clear();
    m_failed = false;
}
