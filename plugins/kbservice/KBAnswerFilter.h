#pragma once
// The service's HTTP answer between the socket and the SOAP runtime. It
// passes the header block on without its framing headers, takes the body out
// of its chunks or cuts it at its length, and rewrites the numeric character
// references that the runtime misreads: it takes at most seven characters
// between "&" and ";", so "&#128512;" left its ";" behind as text and longer
// ones lost digits. Such a reference becomes the character's UTF-8 bytes (or
// the short reference of an ASCII character, which may be markup); references
// inside CDATA sections are text and stay. The runtime then reads the body up
// to the end of input, which comes where the framing said the body ends.
//
// Pure: no I/O; one answer per object; any thread, one at a time.

#include <cstddef>
#include <string>
#include <string_view>

class CKBAnswerFilter
{
public:
    // Received bytes in order, split anywhere.
    void Feed(std::string_view bytes);
    // The connection ended: whatever is held back goes out as it stands.
    void Finish();
    // True once the body's framing said that it ended (nothing more to read).
    bool Complete() const { return m_phase == Phase::Done; }
    // Moves up to size bytes of the filtered answer into buffer.
    size_t Read(char *buffer, size_t size);

private:
    enum class Phase { Head, Length, ChunkSize, ChunkData, ChunkEnd, Trailer, ToClose, Done };
    enum class Text { Plain, Reference, CData };

    void HeadBytes(std::string_view &bytes);
    void StartBody(std::string_view head);
    void BodyBytes(std::string_view bytes);
    void BodyChar(char c);
    void EndReference();
    void FlushReference();
    void End();

    Phase m_phase = Phase::Head;
    std::string m_line;  // header block or chunk-size line so far
    size_t m_left = 0;   // body bytes still to come (Length, ChunkData)
    Text m_text = Text::Plain;
    std::string m_reference; // "&#..." held back until its end is seen
    size_t m_cdataMatch = 0; // characters of "<![CDATA[" or "]]>" matched
    std::string m_out;
    size_t m_outAt = 0;
};
