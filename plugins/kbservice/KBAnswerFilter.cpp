#include "plugins/kbservice/KBAnswerFilter.h"

#include "stdsoap2.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::string_view kCDataOpen = "<![CDATA[";
constexpr std::string_view kCDataClose = "]]>";
constexpr std::string_view kCommentOpen = "<!--";
constexpr std::string_view kCommentClose = "-->";

bool IsXmlChar(uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendUtf8(std::string &out, uint32_t c)
{
    if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
    } else {
        if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
        }
        out += char(0x80 | ((c >> 6) & 0x3F));
    }
    out += char(0x80 | (c & 0x3F));
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        return (c | 0x20) - 'a' + 10;
    return -1;
}

bool EndsWith(const std::string &text, std::string_view end)
{
    return text.size() >= end.size() && std::string_view(text).substr(text.size() - end.size()) == end;
}

} // namespace

void CKBAnswerFilter::Feed(std::string_view bytes)
{
    for (const char c : bytes) {
        if (m_malformed)
            return;
        Char(c);
    }
}

void CKBAnswerFilter::Tail(char c)
{
    // As long as the longest text looked for.
    if (m_tail.size() == kCDataOpen.size())
        m_tail.erase(0, 1);
    m_tail += c;
}

void CKBAnswerFilter::Char(char c)
{
    switch (m_text) {
    case Text::CData:
    case Text::Comment:
        m_out += c;
        Tail(c);
        if (EndsWith(m_tail, m_text == Text::CData ? kCDataClose : kCommentClose)) {
            m_text = Text::Plain;
            m_tail.clear();
        }
        return;
    case Text::Reference: {
        if (m_reference == "&") {
            if (c == '#') {
                m_reference += c;
                return;
            }
            m_out += m_reference; // a named reference: the runtime's
            m_text = Text::Plain;
            break;
        }
        if (m_reference == "&#" && !m_haveDigit && (c == 'x' || c == 'X')) {
            m_reference += 'x';
            return;
        }
        const bool hex = m_reference.size() == 3;
        const int digit = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit >= 0) {
            m_haveDigit = true;
            // Past U+10FFFF the value stays there: it is refused anyway.
            m_value = std::min<uint32_t>(m_value * (hex ? 16 : 10) + uint32_t(digit), 0x110000);
            return;
        }
        if (c == ';' && m_haveDigit) {
            EndReference();
            return;
        }
        m_malformed = true; // "&#" that is no character reference
        return;
    }
    case Text::Plain:
        break;
    }
    if (c == '&') {
        m_tail.clear();
        m_reference = "&";
        m_value = 0;
        m_haveDigit = false;
        m_text = Text::Reference;
        return;
    }
    m_out += c;
    Tail(c);
    if (EndsWith(m_tail, kCDataOpen) || EndsWith(m_tail, kCommentOpen)) {
        m_text = EndsWith(m_tail, kCDataOpen) ? Text::CData : Text::Comment;
        m_tail.clear();
    }
}

void CKBAnswerFilter::EndReference()
{
    m_text = Text::Plain;
    if (!IsXmlChar(m_value)) {
        m_malformed = true;
        return;
    }
    if (m_value < 0x80) // "<" or "&" must stay escaped: the short form
        m_out += "&#" + std::to_string(m_value) + ';';
    else
        AppendUtf8(m_out, m_value);
}

void CKBAnswerFilter::Finish()
{
    if (m_text == Text::Reference && m_reference == "&")
        m_out += m_reference;
    else if (m_text == Text::Reference)
        m_malformed = true; // cut in the middle of a character reference
    m_text = Text::Plain;
}

size_t CKBAnswerFilter::Read(char *buffer, size_t size)
{
    if (m_malformed)
        return 0;
    const size_t n = std::min(size, m_out.size() - m_outAt);
    std::memcpy(buffer, m_out.data() + m_outAt, n);
    m_outAt += n;
    if (m_outAt == m_out.size()) {
        m_out.clear();
        m_outAt = 0;
    }
    return n;
}

CKBAnswerReader *CKBAnswerReader::Of(struct soap *soap)
{
    return static_cast<CKBAnswerReader *>(soap->user);
}

void CKBAnswerReader::Attach(struct soap *soap)
{
    soap->user = this;
    soap->frecv = &CKBAnswerReader::Receive;
    m_parseHeaders = soap->fparse;
    soap->fparse = &CKBAnswerReader::ParseHeaders;
}

void CKBAnswerReader::Reset(struct soap *soap)
{
    // The runtime drops its receive filter at the end of each message.
    soap->ffilterrecv = &CKBAnswerReader::Filter;
    m_held.clear();
    m_heldAt = 0;
    m_inHead = true;
    m_lineBlank = true;
    m_filter = CKBAnswerFilter();
}

size_t CKBAnswerReader::Receive(struct soap *soap, char *buffer, size_t size)
{
    CKBAnswerReader *self = Of(soap);
    if (self->m_heldAt == self->m_held.size()) {
        self->m_held.resize(16384);
        self->m_held.resize(self->ReceiveRaw(soap, self->m_held.data(), self->m_held.size()));
        self->m_heldAt = 0;
        if (self->m_held.empty())
            return 0;
    }
    const char *held = self->m_held.data() + self->m_heldAt;
    size_t n = std::min(size, self->m_held.size() - self->m_heldAt);
    if (self->m_inHead) {
        // A header block goes on up to its blank line and no further: what
        // follows is the body, which the filter must see whole.
        for (size_t i = 0; i < n; ++i) {
            const char c = held[i];
            if (c == '\n') {
                if (self->m_lineBlank) {
                    n = i + 1;
                    break;
                }
                self->m_lineBlank = true;
            } else if (c != '\r') {
                self->m_lineBlank = false;
            }
        }
    } else if ((soap->mode & SOAP_IO) == SOAP_IO_CHUNK && soap->chunksize == 0) {
        // The runtime's chunk reader keeps its place in the buffer from one
        // read to the next, but its receive filter resets that place: a read
        // that held a chunk-size line and what follows would be read again
        // and again. Between chunks it gets one byte at a time, so the
        // buffer never holds more than the size line; the chunk's data it
        // asks for by its size.
        n = std::min<size_t>(n, 1);
    }
    std::memcpy(buffer, held, n);
    self->m_heldAt += n;
    return n;
}

int CKBAnswerReader::ParseHeaders(struct soap *soap)
{
    CKBAnswerReader *self = Of(soap);
    int result;
    // The runtime passes over "100 Continue" only; any other interim
    // answer is followed by the real one.
    do {
        self->m_lineBlank = true;
        result = self->m_parseHeaders(soap);
    } while (result == soap->status && result > 100 && result < 200 && result != 101);
    self->m_inHead = false;
    if (result != SOAP_OK)
        return result;
    // The block was read up to its end and no further. The buffer is let go
    // of: the runtime's chunk reader would otherwise read it again, as its
    // receive filter resets where the reader stands in it.
    if (soap->bufidx != soap->buflen)
        return soap->error = SOAP_HTTP_ERROR;
    soap->bufidx = soap->buflen = 0;
    return SOAP_OK;
}

int CKBAnswerReader::Filter(struct soap *soap, char *buffer, size_t *length, size_t size)
{
    CKBAnswerReader *self = Of(soap);
    if (self->m_inHead)
        return SOAP_OK; // header lines are the runtime's
    CKBAnswerFilter &filter = self->m_filter;
    filter.Feed(std::string_view(buffer, *length));
    if (soap->recverror != SOAP_OK)
        filter.Finish(); // the end of the body
    *length = filter.Read(buffer, size);
    return filter.Malformed() ? SOAP_SYNTAX_ERROR : SOAP_OK;
}
