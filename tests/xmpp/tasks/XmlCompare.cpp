#include "tests/xmpp/tasks/XmlCompare.h"

#include "plugins/xmpp/tasks/StanzaText.h"

#include <gloox/parser.h>
#include <gloox/taghandler.h>

#include <map>

namespace xmltest {

namespace {
class Collector : public gloox::TagHandler
{
public:
    void handleTag(gloox::Tag *tag) override
    {
        ++m_count;
        m_tag.reset(tag->clone());
    }
    std::unique_ptr<gloox::Tag> m_tag;
    int m_count = 0;
};

std::string Trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

std::map<std::string, std::string> Attributes(const gloox::Tag &tag)
{
    std::map<std::string, std::string> out;
    for (const gloox::Tag::Attribute *a : tag.attributes()) {
        // Namespace declarations are compared through NamespaceOf.
        if (a->name() == "xmlns" || a->prefix() == "xmlns")
            continue;
        out[a->name()] = a->value();
    }
    return out;
}

std::string Differs(const gloox::Tag &a, const gloox::Tag &b, const std::string &path)
{
    const std::string here = path + "/" + a.name();
    if (a.name() != b.name())
        return here + ": element \"" + a.name() + "\", expected \"" + b.name() + "\"";
    if (Stanza::NamespaceOf(a) != Stanza::NamespaceOf(b))
        return here + ": namespace \"" + Stanza::NamespaceOf(a) + "\", expected \"" + Stanza::NamespaceOf(b) + "\"";
    const auto attrsA = Attributes(a);
    const auto attrsB = Attributes(b);
    if (attrsA != attrsB) {
        std::string text = here + ": attributes {";
        for (const auto &[k, v] : attrsA)
            text += " " + k + "=\"" + v + "\"";
        text += " }, expected {";
        for (const auto &[k, v] : attrsB)
            text += " " + k + "=\"" + v + "\"";
        return text + " }";
    }
    const auto &kidsA = a.children();
    const auto &kidsB = b.children();
    const bool leaf = kidsA.empty() && kidsB.empty();
    const std::string textA = leaf ? a.cdata() : Trimmed(a.cdata());
    const std::string textB = leaf ? b.cdata() : Trimmed(b.cdata());
    if (textA != textB)
        return here + ": text \"" + textA + "\", expected \"" + textB + "\"";
    if (kidsA.size() != kidsB.size())
        return here + ": " + std::to_string(kidsA.size()) + " children, expected " + std::to_string(kidsB.size());
    for (auto ia = kidsA.begin(), ib = kidsB.begin(); ia != kidsA.end(); ++ia, ++ib) {
        const std::string d = Differs(**ia, **ib, here);
        if (!d.empty())
            return d;
    }
    return {};
}
} // namespace

std::unique_ptr<gloox::Tag> ParseXml(const std::string &text)
{
    Collector collector;
    gloox::Parser parser(&collector);
    std::string data = Trimmed(text);
    if (parser.feed(data) != -1 || collector.m_count != 1)
        return nullptr;
    return std::move(collector.m_tag);
}

::testing::AssertionResult SameXml(const gloox::Tag *stanza, const std::string &golden)
{
    if (!stanza) {
        if (Trimmed(golden).empty())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "no stanza, expected " << golden;
    }
    const std::string wire = stanza->xml();
    if (Trimmed(golden).empty())
        return ::testing::AssertionFailure() << "stanza " << wire << ", expected none";
    const std::unique_ptr<gloox::Tag> expected = ParseXml(golden);
    if (!expected)
        return ::testing::AssertionFailure() << "golden text is not one element: " << golden;
    const std::unique_ptr<gloox::Tag> sent = ParseXml(wire);
    if (!sent)
        return ::testing::AssertionFailure() << "stanza does not parse back: " << wire;
    const std::string d = Differs(*sent, *expected, "");
    if (!d.empty())
        return ::testing::AssertionFailure() << d << "\n  sent: " << wire;
    return ::testing::AssertionSuccess();
}

} // namespace xmltest
