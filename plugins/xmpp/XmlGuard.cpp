#include "plugins/xmpp/XmlGuard.h"

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// "stream:stream" or any prefix: the root that stays open for the session.
bool IsStreamRoot(std::string_view name)
{
    const size_t colon = name.find(':');
    return (colon == std::string_view::npos ? name : name.substr(colon + 1)) == "stream";
}

constexpr size_t kMaxNameBytes = 256;

} // namespace

void CXmlGuard::Reset()
{
    *this = CXmlGuard();
}

void CXmlGuard::OpenElement()
{
    // Only outside every stanza is "stream" the root; inside one it is an
    // element like any other, or a stanza could escape both bounds.
    if (m_depth == 0 && IsStreamRoot(m_name)) {
        // A new stream (also the restart after TLS and after SASL).
        m_depth = 0;
        m_streamClosed = false;
        return;
    }
    if (++m_depth > kMaxDepth)
        m_verdict = Verdict::TooDeep;
}

void CXmlGuard::CloseElement()
{
    if (m_depth == 0 && IsStreamRoot(m_name)) {
        m_depth = 0;
        m_streamClosed = true;
    } else if (m_depth > 0)
        --m_depth;
}

CXmlGuard::Verdict CXmlGuard::Feed(std::string_view data)
{
    for (const char c : data) {
        if (m_verdict != Verdict::Ok)
            return m_verdict;
        // Text between stanzas is dropped by the parser and not counted.
        const bool counted = m_depth > 0 || m_state != State::Text;
        switch (m_state) {
        case State::Text:
            if (c == '<')
                m_state = State::Open;
            break;
        case State::Open:
            m_name.clear();
            if (c == '/')
                m_state = State::EndTag;
            else if (c == '?')
                m_state = State::Instruction;
            else if (c == '!') {
                m_match.clear();
                m_state = State::Bang;
            } else if (!IsSpace(c)) {
                m_name.push_back(c);
                m_state = State::Name;
            }
            break;
        case State::Name:
            if (IsSpace(c))
                m_state = State::Attributes;
            else if (c == '/')
                m_state = State::EmptySlash;
            else if (c == '>') {
                OpenElement();
                m_state = State::Text;
            } else if (m_name.size() < kMaxNameBytes)
                m_name.push_back(c);
            break;
        case State::Attributes:
            if (c == '"' || c == '\'') {
                m_quote = c;
                m_state = State::Quoted;
            } else if (c == '/')
                m_state = State::EmptySlash;
            else if (c == '>') {
                OpenElement();
                m_state = State::Text;
            }
            break;
        case State::Quoted:
            if (c == m_quote)
                m_state = State::Attributes;
            break;
        case State::EmptySlash:
            // An empty element opens and closes at once.
            m_state = c == '>' ? State::Text : State::Attributes;
            break;
        case State::EndTag:
            if (c == '>') {
                CloseElement();
                m_state = State::Text;
            } else if (!IsSpace(c) && m_name.size() < kMaxNameBytes)
                m_name.push_back(c);
            break;
        case State::Instruction:
            if (c == '>' && m_previous == '?')
                m_state = State::Text;
            break;
        case State::Bang:
            m_match.push_back(c);
            if (m_match == "[CDATA[")
                m_state = State::CData;
            else if (std::string_view("[CDATA[").substr(0, m_match.size()) != m_match)
                // A comment or declaration, which the parser refuses anyway.
                m_state = c == '>' ? State::Text : State::Declaration;
            break;
        case State::Declaration:
            if (c == '>')
                m_state = State::Text;
            break;
        case State::CData:
            if (c == '>' && m_previous == ']' && m_beforePrevious == ']')
                m_state = State::Text;
            break;
        }
        m_beforePrevious = m_previous;
        m_previous = c;
        if ((counted || m_state != State::Text || m_depth > 0) && ++m_bytes > kMaxStanzaBytes)
            m_verdict = Verdict::TooLarge;
        // A stanza, or markup at stream level, is complete.
        if (m_state == State::Text && m_depth == 0)
            m_bytes = 0;
    }
    return m_verdict;
}
