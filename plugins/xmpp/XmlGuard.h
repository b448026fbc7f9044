#pragma once
// The front end of the incoming stream. gloox's parser has no limits of its
// own and reads some markup differently from XML (quotes, references, text
// beside CDATA), so it never sees the server's bytes: a strict parser
// (expat, with namespaces) reads them, the bounds are enforced on what it
// reports, and gloox gets only what it accepted, written out again in one
// form: double-quoted attributes, text and values escaped with the
// predefined entities, no comments, CDATA sections, processing
// instructions or DTD.
//
// The stream: the document's root is a "stream" element of the streams
// namespace; the elements directly inside it are the stanzas, each at most
// kMaxStanzaBytes of input (from its "<" to the end of its end tag) and
// kMaxDepth levels. Text between stanzas (the server's keep-alive spaces)
// is not passed on. After the SASL <success/> and the STARTTLS <proceed/>
// the server starts a new document, with its own header. An element named
// "stream" anywhere but at the root is refused, whatever its namespace.
// Fed with the stream text in chunks as they arrive; one thread.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct XML_ParserStruct;

class CXmlGuard
{
public:
    enum class Verdict { Ok, TooLarge, TooDeep, NotWellFormed };

    static constexpr size_t kMaxStanzaBytes = 256 * 1024;
    // The stanza element itself is level 1.
    static constexpr int kMaxDepth = 50;

    explicit CXmlGuard(size_t maxStanzaBytes = kMaxStanzaBytes, int maxDepth = kMaxDepth);
    ~CXmlGuard();
    CXmlGuard(const CXmlGuard &) = delete;
    CXmlGuard &operator=(const CXmlGuard &) = delete;

    // Once refused, every later chunk is refused too; what was accepted of
    // a refused chunk is not to be passed on.
    Verdict Feed(std::string_view data);
    // The text accepted since the last call, in the one form, for gloox.
    std::string TakeAccepted();
    void Reset();

    // The server closed the stream (</stream:stream>); gloox's parser does
    // not tell. What follows is not read.
    bool StreamClosed() const { return m_streamClosed; }
    // Why the text was refused as not well-formed, for the log.
    const std::string &Error() const { return m_error; }

private:
    struct Handlers;

    void NewDocument();
    Verdict Parse(std::string_view data);
    bool Holding(std::string_view next, bool mayEnd);
    bool OverBound(size_t end) const;
    void Refuse(Verdict verdict, std::string error = {});
    // The end of what the parser has reported so far, in this document.
    void Reported();
    bool StanzaTooLarge(size_t end) const { return m_depth > 1 && OverBound(end); }
    void CloseStartTag(bool empty);

    size_t m_maxBytes;
    int m_maxDepth;
    std::unique_ptr<XML_ParserStruct, void (*)(XML_ParserStruct *)> m_parser;
    Verdict m_verdict = Verdict::Ok;
    std::string m_error;
    std::string m_accepted;
    std::string m_declarations; // namespace declarations of the next start tag
    std::string m_held;         // text not yet given to the parser
    bool m_heldMayEnd = false;  // it holds a ">" or ";"
    size_t m_budget = 0;        // bytes the parser may read again
    size_t m_fed = 0;           // bytes given to this document's parser
    size_t m_reported = 0;      // the end of its last report
    size_t m_stanzaStart = 0;
    size_t m_restartAt = 0;     // where a new document begins, 0 for none
    int m_depth = 0;            // open elements, the root included
    bool m_tagOpen = false;     // a start tag written without its ">"
    bool m_streamClosed = false;
};
