#pragma once
// The service's answer on its way into the SOAP runtime, which frames the
// HTTP (headers, chunks, length) itself.
//
// CKBAnswerFilter rewrites the body's numeric character references, which
// the runtime misreads: it takes at most seven characters between "&" and
// ";", so "&#128512;" left its ";" behind as text and longer ones lost
// digits. Each reference outside CDATA sections and comments becomes the
// character's UTF-8 bytes, or the short reference of an ASCII character
// (which may be markup). A reference that is not an XML character, or not
// a numeric reference at all after "&#", makes the answer malformed: the
// runtime would read it as other text.
//
// CKBAnswerReader puts the filter between a raw byte source and the runtime:
// it hands the runtime the bytes one header block at a time, so that every
// byte of the body passes the filter after the runtime knew where it
// starts, and refuses an answer the filter found malformed.
//
// Pure: no I/O of their own; one answer at a time; any thread, one at a time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct soap;

class CKBAnswerFilter
{
public:
    // Body bytes in order, split anywhere.
    void Feed(std::string_view bytes);
    // The body ended: whatever is held back goes out as it stands.
    void Finish();
    // Moves up to size bytes of the filtered body into buffer.
    size_t Read(char *buffer, size_t size);
    // A reference was not an XML character; nothing more is passed on.
    bool Malformed() const { return m_malformed; }

private:
    enum class Text { Plain, Reference, CData, Comment };

    void Char(char c);
    // Keeps the last characters of text outside references.
    void Tail(char c);
    void EndReference();

    Text m_text = Text::Plain;
    // Of the reference held back: "&", "&#" or "&#x", its value so far and
    // whether it has a digit (its digits themselves are not kept).
    std::string m_reference;
    uint32_t m_value = 0;
    bool m_haveDigit = false;
    std::string m_tail; // for "<![CDATA[", "<!--", "]]>" and "-->"
    bool m_malformed = false;
    std::string m_out;
    size_t m_outAt = 0;
};

class CKBAnswerReader
{
public:
    virtual ~CKBAnswerReader() = default;

    // Points the context's receive hooks and user pointer at this reader;
    // the context keeps its own HTTP parser underneath.
    void Attach(struct soap *soap);
    // For each answer, before the request goes out.
    void Reset(struct soap *soap);
    // The body held a reference that is not an XML character.
    bool Malformed() const { return m_filter.Malformed(); }

    static CKBAnswerReader *Of(struct soap *soap);

protected:
    // Up to size raw bytes of the answer; 0 at its end or on failure.
    virtual size_t ReceiveRaw(struct soap *soap, char *buffer, size_t size) = 0;

private:
    static size_t Receive(struct soap *soap, char *buffer, size_t size);
    static int ParseHeaders(struct soap *soap);
    static int Filter(struct soap *soap, char *buffer, size_t *length, size_t size);

    int (*m_parseHeaders)(struct soap *) = nullptr;
    std::string m_held; // received; handed on up to m_heldAt
    size_t m_heldAt = 0;
    bool m_inHead = true;
    bool m_lineBlank = true; // the header line handed on so far is empty or CR
    CKBAnswerFilter m_filter;
};
