#pragma once
// Golden-XML comparison for stanza tests: both sides are parsed and compared
// as XML (names, namespaces, attributes in any order, children in order,
// text), so quoting, attribute order and indentation of the golden text do
// not matter. Whitespace-only text between child elements is ignored.

#include <gloox/tag.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace xmltest {

// The agent's full JID in the stanza tests.
inline const std::string kOwnJid = "agent@chat.local/Ostrel";

// One element parsed by gloox's parser; null when the text is not exactly
// one well-formed element.
std::unique_ptr<gloox::Tag> ParseXml(const std::string &text);

// The stanza as it goes on the wire (serialised, parsed back) against the
// golden text. A null stanza matches only an empty golden text.
::testing::AssertionResult SameXml(const gloox::Tag *stanza, const std::string &golden);

} // namespace xmltest
