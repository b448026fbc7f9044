// The XMPP receive path: bytes from the server after a fixed stream header
// go through the stream's front end, gloox's parser and the plug-in's stanza
// readers. The first byte sets the size of the chunks the data arrives in.
// Differential: every stanza gloox builds must be one the front end passed,
// element for element, value for value and text for text, and within the
// front end's bounds; gloox must read all it is given without an error.
// The size bound is smaller than the program's, so inputs of fuzzing size
// reach it.

#include "plugins/xmpp/XmlGuard.h"
#include "plugins/xmpp/server/DataStanzas.h"
#include "plugins/xmpp/server/ServerStanzas.h"
#include "plugins/xmpp/tasks/ChatTasks.h"

#include <gloox/jid.h>
#include <gloox/parser.h>
#include <gloox/tag.h>
#include <gloox/taghandler.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

const std::string kOwnJid = "agent@chat.example/desk";
constexpr size_t kMaxBytes = 8192;

[[noreturn]] void Fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "%s\n%s\n", what, detail.c_str());
    std::abort();
}

bool IsDeclaration(std::string_view name)
{
    return name == "xmlns" || name.substr(0, 6) == "xmlns:";
}

std::string_view Local(std::string_view name)
{
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::string Decoded(std::string_view text)
{
    static const std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool matched = false;
        for (const auto &[entity, c] : kEntities) {
            if (text.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size();
                matched = true;
                break;
            }
        }
        if (!matched) {
            if (text[i] == '&')
                Fail("a reference other than the predefined entities was passed on", std::string(text));
            out += text[i++];
        }
    }
    return out;
}

// One element as both sides describe it: its local name, its attributes
// other than namespace declarations, its own text; "/" ends it.
struct Element
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text;
};

std::string Describe(const std::vector<Element> &elements, const std::vector<size_t> &ends)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < elements.size(); ++i) {
        const Element &e = elements[i];
        out += "<" + e.name;
        for (const auto &[n, v] : e.attributes)
            out += " " + n + "=[" + v + "]";
        out += ">[" + e.text + "]";
        for (; next < ends.size() && ends[next] == i; ++next)
            out += "/";
    }
    return out;
}

// Reads the front end's output, which is in its one form: tags with
// double-quoted values holding no markup characters, text with the
// predefined entities; stanzas are the elements inside the root.
class CanonicalReader
{
public:
    void Read(const std::string &text)
    {
        m_rest += text;
        size_t at = 0;
        for (;;) {
            const size_t lt = m_rest.find('<', at);
            if (lt == std::string::npos) {
                AddText(std::string_view(m_rest).substr(at));
                at = m_rest.size();
                break;
            }
            AddText(std::string_view(m_rest).substr(at, lt - at));
            const size_t gt = m_rest.find('>', lt);
            if (gt == std::string::npos) {
                at = lt;
                break;
            }
            Tag(std::string_view(m_rest).substr(lt + 1, gt - lt - 1));
            at = gt + 1;
        }
        m_rest.erase(0, at);
    }
    std::deque<std::string> stanzas;

private:
    void AddText(std::string_view text)
    {
        if (text.empty())
            return;
        if (m_open.size() < 2)
            Fail("text was passed on outside a stanza", std::string(text));
        m_elements[m_open.back()].text += Decoded(text);
    }
    void Tag(std::string_view tag)
    {
        if (tag.substr(0, 1) == "/") {
            End();
            return;
        }
        const bool empty = !tag.empty() && tag.back() == '/';
        if (empty)
            tag.remove_suffix(1);
        const size_t space = tag.find(' ');
        Element e;
        const std::string_view qualified = tag.substr(0, space);
        e.name = std::string(Local(qualified));
        std::map<std::string, std::string> declared;
        while (space != std::string_view::npos && !tag.empty()) {
            tag.remove_prefix(tag.find(' ') + 1);
            const size_t eq = tag.find("=\"");
            const size_t close = tag.find('"', eq + 2);
            if (eq == std::string_view::npos || close == std::string_view::npos)
                Fail("a tag not in the one form", std::string(tag));
            const std::string_view name = tag.substr(0, eq);
            std::string value = Decoded(tag.substr(eq + 2, close - eq - 2));
            if (IsDeclaration(name))
                declared[std::string(name.substr(std::min<size_t>(name.size(), 6)))] = value;
            else
                e.attributes.emplace_back(Local(name), std::move(value));
            tag.remove_prefix(close + 1);
            if (tag.empty())
                break;
        }
        if (m_open.empty()) { // the root
            m_rootNamespaces = declared;
            m_open.push_back(0);
            return;
        }
        if (m_open.size() == 1) {
            // After these the server begins a new document.
            const size_t colon = qualified.find(':');
            const std::string prefix(colon == std::string_view::npos ? std::string_view() : qualified.substr(0, colon));
            const auto own = declared.find(prefix);
            const auto root = m_rootNamespaces.find(prefix);
            const std::string space = own != declared.end() ? own->second
                                      : root != m_rootNamespaces.end() ? root->second : std::string();
            m_restarts = (space == "urn:ietf:params:xml:ns:xmpp-sasl" && e.name == "success")
                         || (space == "urn:ietf:params:xml:ns:xmpp-tls" && e.name == "proceed");
        }
        m_elements.push_back(std::move(e));
        m_open.push_back(m_elements.size() - 1);
        if (empty)
            End();
    }
    void End()
    {
        if (m_open.size() < 2)
            return; // the root's end
        m_ends.push_back(m_open.back());
        m_open.pop_back();
        if (m_open.size() == 1) {
            stanzas.push_back(Describe(m_elements, m_ends));
            m_elements.clear();
            m_ends.clear();
            if (m_restarts)
                m_open.clear();
        }
    }

    std::string m_rest;
    std::map<std::string, std::string> m_rootNamespaces; // by prefix, "" for the default
    bool m_restarts = false;
    std::vector<size_t> m_open; // indexes into m_elements; the root first
    std::vector<Element> m_elements;
    std::vector<size_t> m_ends;
};

class Reader : public gloox::TagHandler
{
public:
    explicit Reader(CanonicalReader &passed) : m_passed(passed) {}

    void handleTag(gloox::Tag *tag) override
    {
        // The stream's root comes at its start; anything else is a stanza.
        if (!tag || (tag->name() == "stream" && tag->xmlns() == "http://etherx.jabber.org/streams"))
            return;
        Check(*tag);
        const gloox::JID own(kOwnJid);
        Stanza::Outcome outcome = Stanza::ReadStanza(*tag, kOwnJid, 1700000000);
        if (outcome.reply)
            outcome.reply->xml();
        for (const Stanza::BusPost &post : outcome.posts)
            delete post.payload->Clone();
        if (outcome.taken)
            return;
        Quelvar::ReadSystemMessage(*tag);
        Quelvar::ReadDataMessage(*tag);
        Quelvar::ReadAgentVersion(*tag, own);
        Quelvar::ReadVisitorHistory(*tag, own);
        Quelvar::ReadVisitorInvited(*tag, own);
    }

private:
    // Without recursion, since the tree may be as deep as the front end
    // failed to stop.
    void Check(const gloox::Tag &stanza)
    {
        std::vector<Element> elements;
        std::vector<size_t> ends;
        size_t bytes = 0;
        struct Step
        {
            const gloox::Tag *tag;
            int depth;
            size_t index; // set once entered
            bool entered;
        };
        std::vector<Step> open{{&stanza, 1, 0, false}};
        while (!open.empty()) {
            Step &step = open.back();
            if (step.entered) {
                ends.push_back(step.index);
                open.pop_back();
                continue;
            }
            step.entered = true;
            if (step.depth > CXmlGuard::kMaxDepth)
                Fail("gloox built a tree deeper than the bound");
            Element e;
            e.name = step.tag->name();
            for (const gloox::Tag::Attribute *a : step.tag->attributes())
                if (!IsDeclaration(a->name()) && a->prefix() != "xmlns")
                    e.attributes.emplace_back(a->name(), a->value());
            e.text = step.tag->cdata();
            bytes += e.name.size() + e.text.size();
            for (const auto &[n, v] : e.attributes)
                bytes += n.size() + v.size();
            if (bytes > kMaxBytes)
                Fail("gloox built a tree larger than the bound");
            step.index = elements.size();
            elements.push_back(std::move(e));
            const int depth = step.depth;
            const gloox::TagList &children = step.tag->children();
            for (auto child = children.rbegin(); child != children.rend(); ++child)
                open.push_back({*child, depth + 1, 0, false});
        }
        const std::string built = Describe(elements, ends);
        if (m_passed.stanzas.empty())
            Fail("gloox built a stanza the front end did not pass", built);
        if (m_passed.stanzas.front() != built)
            Fail("gloox holds other than the front end passed", "passed: " + m_passed.stanzas.front() + "\nbuilt:  " + built);
        m_passed.stanzas.pop_front();
    }

    CanonicalReader &m_passed;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t chunk = size_t(data[0]) + 1;
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);

    CXmlGuard guard(kMaxBytes);
    CanonicalReader passed;
    Reader reader(passed);
    gloox::Parser parser(&reader);
    const auto pass = [&](std::string_view piece) {
        if (guard.Feed(piece) != CXmlGuard::Verdict::Ok)
            return false;
        std::string accepted = guard.TakeAccepted();
        passed.Read(accepted);
        if (parser.feed(accepted) >= 0)
            Fail("gloox refused what the front end passed", accepted);
        return !guard.StreamClosed();
    };
    if (!pass("<?xml version='1.0'?><stream:stream xmlns='jabber:client' "
              "xmlns:stream='http://etherx.jabber.org/streams' from='chat.example' id='s1' version='1.0'>"))
        std::abort();
    for (size_t pos = 0; pos < text.size(); pos += chunk) {
        // The session ends at a refusal.
        if (!pass(std::string_view(text).substr(pos, chunk)))
            break;
    }
    return 0;
}
