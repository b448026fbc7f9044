#pragma once
// Golden-XML comparison: both sides are parsed and reduced to one canonical
// text (namespaces resolved, attributes sorted, text beside child elements
// trimmed), so quoting, attribute order and indentation do not matter.

#include "plugins/xmpp/tasks/StanzaText.h"

#include <gloox/parser.h>
#include <gloox/tag.h>
#include <gloox/taghandler.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace xmltest {

// The agent's full JID in the stanza tests.
inline const std::string kOwnJid = "agent@chat.local/Ostrel";

inline std::string Trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// One element parsed by gloox; null unless the text is exactly one well-formed element.
inline std::unique_ptr<gloox::Tag> ParseXml(const std::string &text)
{
    struct Collector : gloox::TagHandler
    {
        void handleTag(gloox::Tag *tag) override { ++count, last.reset(tag->clone()); }
        std::unique_ptr<gloox::Tag> last;
        int count = 0;
    } collector;
    gloox::Parser parser(&collector);
    std::string data = Trimmed(text);
    return parser.feed(data) == -1 && collector.count == 1 ? std::move(collector.last) : nullptr;
}

inline std::string Canonical(const gloox::Tag &tag)
{
    std::map<std::string, std::string> attributes;
    for (const gloox::Tag::Attribute *a : tag.attributes()) {
        if (a->name() != "xmlns" && a->prefix() != "xmlns")
            attributes[a->name()] = a->value();
    }
    std::string out = "<" + tag.name() + " {" + Stanza::NamespaceOf(tag) + "}";
    for (const auto &[name, value] : attributes)
        out += " " + name + "='" + value + "'";
    out += ">" + (tag.children().empty() ? tag.cdata() : Trimmed(tag.cdata()));
    for (const gloox::Tag *child : tag.children())
        out += Canonical(*child);
    return out + "</" + tag.name() + ">";
}

// The stanza as it goes on the wire (serialised, parsed back) against the
// golden text; a null stanza matches only an empty golden text.
inline ::testing::AssertionResult SameXml(const gloox::Tag *stanza, const std::string &golden)
{
    const auto sent = stanza ? ParseXml(stanza->xml()) : nullptr;
    const auto expected = ParseXml(golden);
    const std::string a = sent ? Canonical(*sent) : stanza ? "unparsable " + stanza->xml() : "none";
    const std::string b = expected ? Canonical(*expected) : Trimmed(golden).empty() ? "none" : "bad golden " + golden;
    if (a == b)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\n  sent:     " << a << "\n  expected: " << b;
}

} // namespace xmltest
