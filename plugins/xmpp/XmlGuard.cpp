#include "plugins/xmpp/XmlGuard.h"

#include <expat.h>

#include <algorithm>

namespace {

// Between the parts of an expanded name: a byte no XML name or namespace
// name may hold.
constexpr char kSeparator = '\x01';
constexpr std::string_view kStreamsNamespace = "http://etherx.jabber.org/streams";
// The stanzas after which the server begins a new document.
constexpr std::string_view kRestartNames[] = {
    "urn:ietf:params:xml:ns:xmpp-sasl\x01success",
    "urn:ietf:params:xml:ns:xmpp-tls\x01proceed",
};
// Large chunks are given to the parser in pieces, so a bound is noticed
// before the rest is read.
constexpr size_t kPiece = 64 * 1024;
// Unfinished tokens shorter than this are read again at once.
constexpr size_t kHoldFrom = 4096;
constexpr size_t kRereadsPerByte = 4;

struct Name
{
    std::string_view space, local, prefix;
};

// "namespace\1local\1prefix", "namespace\1local" or "local".
Name Split(std::string_view expanded)
{
    const size_t first = expanded.find(kSeparator);
    if (first == std::string_view::npos)
        return {{}, expanded, {}};
    Name name{expanded.substr(0, first), expanded.substr(first + 1), {}};
    if (const size_t second = name.local.find(kSeparator); second != std::string_view::npos) {
        name.prefix = name.local.substr(second + 1);
        name.local = name.local.substr(0, second);
    }
    return name;
}

void AppendQualified(std::string &out, std::string_view expanded)
{
    const Name name = Split(expanded);
    if (!name.prefix.empty())
        out.append(name.prefix).push_back(':');
    out.append(name.local);
}

// Quotes of either kind are escaped in values, so no reading of a value
// can end it early.
void AppendEscaped(std::string &out, std::string_view text, bool value)
{
    const std::string_view special = value ? "&<>\"'" : "&<>";
    for (size_t at = text.find_first_of(special); at != std::string_view::npos; at = text.find_first_of(special)) {
        out.append(text.substr(0, at));
        switch (text[at]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += "&apos;";
        }
        text.remove_prefix(at + 1);
    }
    out.append(text);
}

void AppendAttribute(std::string &out, std::string_view expanded, std::string_view value)
{
    out += ' ';
    AppendQualified(out, expanded);
    out += "=\"";
    AppendEscaped(out, value, true);
    out += '"';
}

bool IsRestart(std::string_view expanded)
{
    const Name name = Split(expanded);
    return std::any_of(std::begin(kRestartNames), std::end(kRestartNames), [&](std::string_view restart) {
        return restart.size() == name.space.size() + 1 + name.local.size() && restart.substr(0, name.space.size()) == name.space
               && restart[name.space.size()] == kSeparator && restart.substr(name.space.size() + 1) == name.local;
    });
}

bool IsStreamHeader(std::string_view expanded)
{
    const Name name = Split(expanded);
    return name.space == kStreamsNamespace && name.local == "stream";
}

// gloox reads some elements named "stream" as a new stream's header,
// depending on their prefixes and their parents'; the name is the stream's
// alone.
bool IsNamedStream(std::string_view expanded)
{
    return Split(expanded).local == "stream";
}

} // namespace

struct CXmlGuard::Handlers
{
    static CXmlGuard &Of(void *data) { return *static_cast<CXmlGuard *>(data); }

    static void NamespaceStart(void *data, const XML_Char *prefix, const XML_Char *uri)
    {
        CXmlGuard &g = Of(data);
        std::string &out = g.m_declarations;
        out += prefix ? " xmlns:" : " xmlns";
        out += prefix ? prefix : "";
        out += "=\"";
        AppendEscaped(out, uri ? uri : "", true);
        out += '"';
    }

    static void ElementStart(void *data, const XML_Char *name, const XML_Char **attributes)
    {
        CXmlGuard &g = Of(data);
        const size_t start = size_t(XML_GetCurrentByteIndex(g.m_parser.get()));
        g.Reported();
        if (g.m_depth == 0 && !IsStreamHeader(name))
            return g.Refuse(Verdict::NotWellFormed, "the document is not a stream");
        if (g.m_depth > 0 && IsNamedStream(name))
            return g.Refuse(Verdict::NotWellFormed, "an element named stream inside the stream");
        if (g.m_depth == 1)
            g.m_stanzaStart = start;
        if (++g.m_depth - 1 > g.m_maxDepth)
            return g.Refuse(Verdict::TooDeep);
        if (g.StanzaTooLarge(g.m_reported))
            return g.Refuse(Verdict::TooLarge);
        g.CloseStartTag(false);
        std::string &out = g.m_accepted;
        out += '<';
        AppendQualified(out, name);
        out += g.m_declarations;
        g.m_declarations.clear();
        for (const XML_Char **a = attributes; *a; a += 2)
            AppendAttribute(out, a[0], a[1]);
        // The root's tag is complete at once: gloox reads the header on it.
        if (g.m_depth == 1)
            out += '>';
        else
            g.m_tagOpen = true;
    }

    static void ElementEnd(void *data, const XML_Char *name)
    {
        CXmlGuard &g = Of(data);
        g.Reported();
        if (g.StanzaTooLarge(g.m_reported))
            return g.Refuse(Verdict::TooLarge);
        if (g.m_tagOpen) {
            g.CloseStartTag(true);
        } else {
            g.m_accepted += "</";
            AppendQualified(g.m_accepted, name);
            g.m_accepted += '>';
        }
        --g.m_depth;
        if (g.m_depth == 0) {
            g.m_streamClosed = true;
            XML_StopParser(g.m_parser.get(), XML_FALSE);
        } else if (g.m_depth == 1 && IsRestart(name)) {
            g.m_restartAt = g.m_reported;
            XML_StopParser(g.m_parser.get(), XML_FALSE);
        }
    }

    static void Text(void *data, const XML_Char *text, int length)
    {
        CXmlGuard &g = Of(data);
        g.Reported();
        if (g.m_depth <= 1)
            return; // between stanzas
        if (g.StanzaTooLarge(g.m_reported))
            return g.Refuse(Verdict::TooLarge);
        g.CloseStartTag(false);
        AppendEscaped(g.m_accepted, std::string_view(text, size_t(length)), false);
    }

    // Comments, processing instructions, the XML declaration, CDATA
    // section markers: read, and not passed on.
    static void Other(void *data, const XML_Char *, int) { Of(data).Reported(); }

    // An internal subset could define entities; XMPP allows no DTD at all.
    static void Doctype(void *data, const XML_Char *, const XML_Char *, const XML_Char *, int)
    {
        Of(data).Refuse(Verdict::NotWellFormed, "a document type declaration");
    }
};

CXmlGuard::CXmlGuard(size_t maxStanzaBytes, int maxDepth)
    : m_maxBytes(maxStanzaBytes), m_maxDepth(maxDepth), m_parser(nullptr, XML_ParserFree)
{
    NewDocument();
}

CXmlGuard::~CXmlGuard() = default;

void CXmlGuard::NewDocument()
{
    // XMPP is UTF-8 whatever a declaration says.
    m_parser.reset(XML_ParserCreateNS("UTF-8", kSeparator));
    XML_Parser p = m_parser.get();
    XML_SetReturnNSTriplet(p, XML_TRUE);
    XML_SetUserData(p, this);
    XML_SetNamespaceDeclHandler(p, Handlers::NamespaceStart, nullptr);
    XML_SetElementHandler(p, Handlers::ElementStart, Handlers::ElementEnd);
    XML_SetCharacterDataHandler(p, Handlers::Text);
    XML_SetDefaultHandlerExpand(p, Handlers::Other);
    XML_SetStartDoctypeDeclHandler(p, Handlers::Doctype);
    m_declarations.clear();
    m_held.clear();
    m_heldMayEnd = false;
    m_budget = kRereadsPerByte * m_maxBytes;
    m_fed = m_reported = m_stanzaStart = m_restartAt = 0;
    m_depth = 0;
    m_tagOpen = false;
}

void CXmlGuard::Reset()
{
    NewDocument();
    m_verdict = Verdict::Ok;
    m_error.clear();
    m_accepted.clear();
    m_streamClosed = false;
}

void CXmlGuard::Refuse(Verdict verdict, std::string error)
{
    if (m_verdict == Verdict::Ok) {
        m_verdict = verdict;
        m_error = std::move(error);
    }
    XML_StopParser(m_parser.get(), XML_FALSE);
}

void CXmlGuard::Reported()
{
    XML_Parser p = m_parser.get();
    m_reported = size_t(XML_GetCurrentByteIndex(p)) + size_t(XML_GetCurrentByteCount(p));
}

void CXmlGuard::CloseStartTag(bool empty)
{
    if (m_tagOpen)
        m_accepted += empty ? "/>" : ">";
    m_tagOpen = false;
}

std::string CXmlGuard::TakeAccepted()
{
    std::string out;
    out.swap(m_accepted);
    return out;
}

// expat reads a token that has not ended from its start again at every
// call; without holding back, a long tag sent a byte at a time would cost
// time in the square of its length. While the parser holds a long
// unfinished token, new text waits until it doubles what is held, or
// until it could end the token and the work done on rereading stays within
// a few times the bytes received.
bool CXmlGuard::Holding(std::string_view next, bool mayEnd)
{
    const size_t pending = m_fed - m_reported;
    if (pending < kHoldFrom || next.size() >= pending)
        return false;
    if (mayEnd && m_budget >= pending) {
        m_budget -= pending;
        return false;
    }
    return true;
}

CXmlGuard::Verdict CXmlGuard::Feed(std::string_view data)
{
    if (m_verdict != Verdict::Ok || m_streamClosed)
        return m_verdict;
    m_budget = std::min(m_budget + kRereadsPerByte * data.size(), kRereadsPerByte * m_maxBytes);
    m_heldMayEnd = m_heldMayEnd || data.find_first_of(">;") != std::string_view::npos;
    if (m_held.empty() && !Holding(data, m_heldMayEnd)) {
        m_heldMayEnd = false;
        return Parse(data);
    }
    m_held.append(data);
    if (Holding(m_held, m_heldMayEnd)) {
        if (OverBound(m_fed + m_held.size()))
            Refuse(Verdict::TooLarge);
        return m_verdict;
    }
    std::string held;
    held.swap(m_held);
    m_heldMayEnd = false;
    return Parse(held);
}

bool CXmlGuard::OverBound(size_t end) const
{
    return end - (m_depth > 1 ? m_stanzaStart : m_reported) > m_maxBytes;
}

CXmlGuard::Verdict CXmlGuard::Parse(std::string_view data)
{
    while (!data.empty() && m_verdict == Verdict::Ok && !m_streamClosed) {
        const std::string_view piece = data.substr(0, kPiece);
        const size_t before = m_fed;
        m_fed += piece.size();
        XML_Parser p = m_parser.get();
        if (XML_Parse(p, piece.data(), int(piece.size()), XML_FALSE) == XML_STATUS_OK) {
            data.remove_prefix(piece.size());
            // What the parser holds unreported counts too: an unending tag,
            // comment or reference.
            if (OverBound(m_fed))
                Refuse(Verdict::TooLarge);
            continue;
        }
        if (m_restartAt > 0) {
            data.remove_prefix(m_restartAt - before);
            NewDocument();
        } else if (m_verdict == Verdict::Ok && !m_streamClosed) {
            m_verdict = Verdict::NotWellFormed;
            m_error = std::string(XML_ErrorString(XML_GetErrorCode(p))) + " at line "
                      + std::to_string(XML_GetCurrentLineNumber(p)) + ", column "
                      + std::to_string(XML_GetCurrentColumnNumber(p));
        }
    }
    return m_verdict;
}
