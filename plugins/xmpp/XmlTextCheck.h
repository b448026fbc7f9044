#pragma once
// Checks the incoming stream's bytes for text that is not well-formed XML:
// invalid UTF-8 and characters XML 1.0 forbids, raw or as character
// references. gloox's parser takes any bytes and drops the text it cannot
// hold, so a message would arrive with its body gone. Fed with the stream in
// chunks as they arrive (a character may be split between two); one thread.

#include <string>
#include <string_view>

class CXmlTextCheck
{
public:
    // False once the stream holds text that is not well-formed; stays false
    // until Reset.
    bool Feed(std::string_view data);
    void Reset();

private:
    bool CheckReferences(std::string_view data);

    std::string m_carry;     // an incomplete UTF-8 character or "&#..." reference
    bool m_failed = false;
};
