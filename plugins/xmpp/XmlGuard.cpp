#include "plugins/xmpp/XmlGuard.h"

#include <optional>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

constexpr size_t kMaxNameBytes = 256;
constexpr std::string_view kStreamsNamespace = "http://etherx.jabber.org/streams";

// The prefix of a name whose local part is "stream"; nothing for others.
std::optional<std::string_view> StreamPrefix(std::string_view name)
{
    const size_t colon = name.find(':');
    if ((colon == std::string_view::npos ? name : name.substr(colon + 1)) != "stream")
        return std::nullopt;
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

} // namespace

void CXmlGuard::Reset()
{
    *this = CXmlGuard();
}

// The root that stays open for the session: a "stream" outside every
// stanza that declares the streams namespace itself, as gloox's parser
// decides. Anything else is a stanza, or part of one, whose bytes and depth
// count; else a stanza could escape both bounds.
bool CXmlGuard::IsRoot() const
{
    return m_depth == 0 && !m_nameCut && m_namespace == Namespace::Streams && StreamPrefix(m_name);
}

// Every declaration of the stream prefix must name the streams namespace.
void CXmlGuard::EndAttribute()
{
    const std::optional<std::string_view> prefix = StreamPrefix(m_name);
    if (prefix && !m_nameCut && m_namespace != Namespace::Other) {
        const std::string declaration = prefix->empty() ? "xmlns" : "xmlns:" + std::string(*prefix);
        if (m_attribute == declaration)
            m_namespace = m_value == kStreamsNamespace ? Namespace::Streams : Namespace::Other;
    }
    m_attribute.clear();
    m_value.clear();
    m_attributeSpaced = false;
}

void CXmlGuard::ReadAttributeName(char c)
{
    if (c == '=')
        return;
    if (IsSpace(c))
        m_attributeSpaced = !m_attribute.empty();
    else if (m_attributeSpaced || m_attribute.size() >= kMaxNameBytes)
        m_attribute = "-"; // no name the parser would take as this one
    else
        m_attribute.push_back(c);
}

// What was cut is unknown, so a cut name can never be the root's: its
// tail could read "stream" while the parser sees a longer name.
void CXmlGuard::AddToName(char c)
{
    if (m_name.size() < kMaxNameBytes)
        m_name.push_back(c);
    else
        m_nameCut = true;
}

void CXmlGuard::OpenElement()
{
    if (IsRoot()) {
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
    // The end of the root carries no namespace declaration.
    if (m_depth == 0 && !m_nameCut && StreamPrefix(m_name)) {
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
            m_nameCut = false;
            m_namespace = Namespace::Unknown;
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
            } else
                AddToName(c);
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
            } else if (m_depth == 0)
                ReadAttributeName(c);
            break;
        case State::Quoted:
            if (c == m_quote) {
                if (m_depth == 0)
                    EndAttribute();
                m_state = State::Attributes;
            } else if (m_depth == 0 && m_value.size() <= kStreamsNamespace.size())
                m_value.push_back(c);
            break;
        case State::EmptySlash:
            // An empty element opens and closes at once, one level down.
            if (c == '>') {
                if (m_depth + 1 > kMaxDepth)
                    m_verdict = Verdict::TooDeep;
                m_state = State::Text;
            } else
                m_state = State::Attributes;
            break;
        case State::EndTag:
            if (c == '>') {
                CloseElement();
                m_state = State::Text;
            } else if (!IsSpace(c))
                AddToName(c);
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
