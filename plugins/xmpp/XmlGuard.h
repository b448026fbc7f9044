#pragma once
// Bounds the incoming XML before gloox's parser, which has no limits of its
// own: a stanza (or a stream header) larger than kMaxStanzaBytes, or one
// nested deeper than kMaxDepth elements, is refused. It only follows the
// markup far enough to count; well-formedness is the parser's job. The
// stream's root, which is not counted, is a "stream" element outside every
// stanza that declares the streams namespace, as gloox's parser decides;
// every other element counts, an empty one too, and so does one whose name
// is too long to be read whole.
// Fed with the stream text in chunks as they arrive; one thread.

#include <cstddef>
#include <string>
#include <string_view>

class CXmlGuard
{
public:
    enum class Verdict { Ok, TooLarge, TooDeep };

    static constexpr size_t kMaxStanzaBytes = 256 * 1024;
    // The stanza element itself is level 1.
    static constexpr int kMaxDepth = 50;

    // Once refused, every later chunk is refused too.
    Verdict Feed(std::string_view data);
    void Reset();

    // The server closed the stream (</stream:stream>); gloox's parser does
    // not tell.
    bool StreamClosed() const { return m_streamClosed; }

private:
    enum class State { Text, Open, Name, Attributes, Quoted, EmptySlash, EndTag, Instruction, Bang, Declaration, CData };

    void AddToName(char c);
    void OpenElement();
    void CloseElement();
    // Only the namespace declarations of a tag at stream level are read.
    void ReadAttributeName(char c);
    void EndAttribute();
    bool IsRoot() const;

    // What the attributes of a tag at stream level say of its namespace.
    enum class Namespace { Unknown, Streams, Other };

    State m_state = State::Text;
    Verdict m_verdict = Verdict::Ok;
    std::string m_name;  // the element name being read, cut at a bound
    bool m_nameCut = false;
    std::string m_match; // what follows "<!", to find "[CDATA["
    std::string m_attribute; // name and value of an attribute at stream
    std::string m_value;     // level, cut at a bound
    bool m_attributeSpaced = false; // a space after the name began
    Namespace m_namespace = Namespace::Unknown;
    char m_quote = 0;
    char m_previous = 0;
    char m_beforePrevious = 0;
    int m_depth = 0;     // open elements inside the stream root
    bool m_streamClosed = false;
    size_t m_bytes = 0;  // size of the stanza or markup being read
};
