#include "plugins/kbservice/KBAnswerFilter.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace {

// The runtime reads a reference right only while the part after "&" (with
// its "#" or "#x") is at most this long.
constexpr size_t kRuntimeReferenceChars = 6;
// A header block or chunk line longer than this is not an answer we can read.
constexpr size_t kLineLimit = 64 * 1024;

std::string Lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool IsXmlChar(uint64_t c)
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

} // namespace

void CKBAnswerFilter::Feed(std::string_view bytes)
{
    while (!bytes.empty()) {
        switch (m_phase) {
        case Phase::Head:
            HeadBytes(bytes);
            break;
        case Phase::Length:
        case Phase::ChunkData: {
            const size_t n = std::min(m_left, bytes.size());
            BodyBytes(bytes.substr(0, n));
            bytes.remove_prefix(n);
            m_left -= n;
            if (m_left == 0) {
                if (m_phase == Phase::Length)
                    End();
                else
                    m_phase = Phase::ChunkEnd;
            }
            break;
        }
        case Phase::ChunkEnd:
            // The CR LF after a chunk's data.
            if (bytes.front() == '\n')
                m_phase = Phase::ChunkSize;
            bytes.remove_prefix(1);
            break;
        case Phase::ChunkSize:
        case Phase::Trailer: {
            const char c = bytes.front();
            bytes.remove_prefix(1);
            if (c != '\n') {
                m_line += c;
                if (m_line.size() > kLineLimit)
                    End();
                break;
            }
            const std::string line = std::move(m_line);
            m_line.clear();
            if (m_phase == Phase::Trailer) {
                if (Trim(line).empty())
                    End();
                break;
            }
            size_t size = 0;
            size_t digits = 0;
            for (const char d : Trim(line)) {
                if (!std::isxdigit(static_cast<unsigned char>(d)) || digits == 15)
                    break;
                size = size * 16 + size_t(std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : (d | 0x20) - 'a' + 10);
                ++digits;
            }
            if (digits == 0) {
                End(); // not chunked after all: the body ends here
            } else if (size == 0) {
                m_phase = Phase::Trailer;
            } else {
                m_left = size;
                m_phase = Phase::ChunkData;
            }
            break;
        }
        case Phase::ToClose:
            BodyBytes(bytes);
            bytes = {};
            break;
        case Phase::Done:
            return;
        }
    }
}

void CKBAnswerFilter::HeadBytes(std::string_view &bytes)
{
    const size_t searchFrom = m_line.size() < 3 ? 0 : m_line.size() - 3;
    m_line.append(bytes);
    bytes = {};
    size_t end = std::string::npos;
    for (size_t at = m_line.find('\n', searchFrom); at != std::string::npos; at = m_line.find('\n', at + 1)) {
        // A line that is empty or only CR ends the block.
        const size_t next = at + 1;
        if (next < m_line.size() && m_line[next] == '\n') {
            end = next + 1;
            break;
        }
        if (next + 1 < m_line.size() && m_line[next] == '\r' && m_line[next + 1] == '\n') {
            end = next + 2;
            break;
        }
    }
    if (end == std::string::npos) {
        if (m_line.size() > kLineLimit) {
            m_out += m_line;
            m_line.clear();
            m_phase = Phase::ToClose;
        }
        return;
    }
    const std::string block = m_line.substr(0, end);
    const std::string rest = m_line.substr(end);
    m_line.clear();
    StartBody(block);
    Feed(rest);
}

void CKBAnswerFilter::StartBody(std::string_view head)
{
    int status = 0;
    if (const size_t blank = head.find(' '); blank != std::string_view::npos && head.size() >= blank + 4) {
        for (const char d : head.substr(blank + 1, 3))
            status = std::isdigit(static_cast<unsigned char>(d)) ? status * 10 + (d - '0') : -1000;
    }
    bool chunked = false;
    bool haveLength = false;
    size_t length = 0;
    bool first = true;
    while (!head.empty()) {
        const size_t eol = head.find('\n');
        const std::string_view line = head.substr(0, eol == std::string_view::npos ? head.size() : eol + 1);
        head.remove_prefix(line.size());
        const size_t colon = line.find(':');
        if (!first && colon != std::string_view::npos) {
            const std::string name = Lower(Trim(line.substr(0, colon)));
            const std::string_view value = Trim(line.substr(colon + 1));
            if (name == "transfer-encoding") {
                chunked = Lower(value).find("chunked") != std::string::npos;
                continue;
            }
            if (name == "content-length") {
                haveLength = !value.empty();
                length = 0;
                for (const char d : value) {
                    if (!std::isdigit(static_cast<unsigned char>(d)) || length > (SIZE_MAX - 9) / 10) {
                        haveLength = false;
                        break;
                    }
                    length = length * 10 + size_t(d - '0');
                }
                continue;
            }
        }
        first = false;
        m_out.append(line);
    }
    if (status >= 100 && status < 200)
        return; // an interim answer; the real one follows
    if (status == 204 || status == 304)
        End();
    else if (chunked)
        m_phase = Phase::ChunkSize;
    else if (haveLength && length == 0)
        End();
    else if (haveLength) {
        m_left = length;
        m_phase = Phase::Length;
    } else {
        m_phase = Phase::ToClose;
    }
}

void CKBAnswerFilter::BodyBytes(std::string_view bytes)
{
    for (const char c : bytes)
        BodyChar(c);
}

void CKBAnswerFilter::BodyChar(char c)
{
    static constexpr std::string_view kCDataOpen = "<![CDATA[";
    static constexpr std::string_view kCDataClose = "]]>";
    switch (m_text) {
    case Text::CData:
        m_out += c;
        if (c == kCDataClose[m_cdataMatch]) {
            if (++m_cdataMatch == kCDataClose.size()) {
                m_cdataMatch = 0;
                m_text = Text::Plain;
            }
        } else if (c != ']') {
            m_cdataMatch = 0;
        }
        return;
    case Text::Reference: {
        const size_t size = m_reference.size();
        const bool hex = size > 2 && (m_reference[2] == 'x' || m_reference[2] == 'X');
        const auto uc = static_cast<unsigned char>(c);
        bool takes = false;
        if (size == 1)
            takes = c == '#';
        else if (size == 2)
            takes = c == 'x' || c == 'X' || std::isdigit(uc);
        else
            takes = size < 16 && (hex ? std::isxdigit(uc) : std::isdigit(uc));
        if (takes) {
            m_reference += c;
            return;
        }
        if (c == ';' && size > 2) {
            EndReference();
            return;
        }
        FlushReference();
        break; // c is read as plain text
    }
    case Text::Plain:
        break;
    }
    if (c == '&') {
        m_cdataMatch = 0;
        m_reference = "&";
        m_text = Text::Reference;
        return;
    }
    m_out += c;
    if (c == kCDataOpen[m_cdataMatch]) {
        if (++m_cdataMatch == kCDataOpen.size()) {
            m_cdataMatch = 0;
            m_text = Text::CData;
        }
    } else {
        m_cdataMatch = c == '<' ? 1 : 0;
    }
}

void CKBAnswerFilter::EndReference()
{
    // At least "&#" and one more character: the caller saw them.
    const std::string reference = std::move(m_reference);
    m_reference.clear();
    m_text = Text::Plain;
    m_cdataMatch = 0;
    const bool hex = reference.size() > 2 && (reference[2] == 'x' || reference[2] == 'X');
    const std::string_view digits = std::string_view(reference).substr(hex ? 3 : 2);
    uint64_t value = 0;
    for (const char d : digits) {
        const int digit = std::isdigit(static_cast<unsigned char>(d)) ? d - '0' : (d | 0x20) - 'a' + 10;
        value = value * (hex ? 16 : 10) + uint64_t(digit);
        if (value > 0x10FFFF)
            break;
    }
    if (reference.size() - 1 <= kRuntimeReferenceChars || digits.empty() || !IsXmlChar(value)) {
        // Read right as it stands, or not a character: left to the runtime.
        m_out += reference;
        m_out += ';';
    } else if (value < 0x80) {
        // "<" or "&" must stay escaped: the short form of the same reference.
        m_out += "&#" + std::to_string(value) + ';';
    } else {
        AppendUtf8(m_out, uint32_t(value));
    }
}

void CKBAnswerFilter::FlushReference()
{
    if (m_text != Text::Reference)
        return;
    m_out += m_reference;
    m_reference.clear();
    m_text = Text::Plain;
}

void CKBAnswerFilter::End()
{
    FlushReference();
    m_line.clear();
    m_phase = Phase::Done;
}

void CKBAnswerFilter::Finish()
{
    if (m_phase == Phase::Head)
        m_out += m_line;
    End();
}

size_t CKBAnswerFilter::Read(char *buffer, size_t size)
{
    const size_t n = std::min(size, m_out.size() - m_outAt);
    std::memcpy(buffer, m_out.data() + m_outAt, n);
    m_outAt += n;
    if (m_outAt == m_out.size()) {
        m_out.clear();
        m_outAt = 0;
    }
    return n;
}
