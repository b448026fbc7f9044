// The XMPP receive path: bytes from the server after a fixed stream header
// go through the incoming-XML guard, gloox's parser and the plug-in's stanza
// readers. The first byte sets the size of the chunks the data arrives in.
// Besides crashes it checks the guard's promise: no stanza that reaches the
// parser is nested deeper than the guard allows.

#include "plugins/xmpp/XmlGuard.h"
#include "plugins/xmpp/server/DataStanzas.h"
#include "plugins/xmpp/server/ServerStanzas.h"
#include "plugins/xmpp/tasks/ChatTasks.h"

#include <gloox/jid.h>
#include <gloox/parser.h>
#include <gloox/tag.h>
#include <gloox/taghandler.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kOwnJid = "agent@chat.example/desk";

// Levels of the tag, itself included; without recursion, since the tag may
// be as deep as the guard failed to stop.
int DepthOf(const gloox::Tag &tag)
{
    int deepest = 0;
    std::vector<std::pair<const gloox::Tag *, int>> open{{&tag, 1}};
    while (!open.empty()) {
        const auto [t, depth] = open.back();
        open.pop_back();
        deepest = std::max(deepest, depth);
        for (const gloox::Tag *child : t->children())
            open.emplace_back(child, depth + 1);
    }
    return deepest;
}

class Reader : public gloox::TagHandler
{
public:
    void handleTag(gloox::Tag *tag) override
    {
        if (!tag || tag->name() == "stream")
            return;
        if (DepthOf(*tag) > CXmlGuard::kMaxDepth)
            std::abort();
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
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t chunk = size_t(data[0]) + 1;
    const std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);

    CXmlGuard guard;
    Reader reader;
    gloox::Parser parser(&reader);
    std::string header = "<?xml version='1.0'?><stream:stream xmlns='jabber:client' "
                         "xmlns:stream='http://etherx.jabber.org/streams' from='chat.example' "
                         "id='s1' version='1.0'>";
    if (guard.Feed(header) != CXmlGuard::Verdict::Ok || parser.feed(header) >= 0)
        std::abort();
    for (size_t pos = 0; pos < text.size(); pos += chunk) {
        std::string piece = text.substr(pos, chunk);
        // The session ends at a refusal or a parse error.
        if (guard.Feed(piece) != CXmlGuard::Verdict::Ok || parser.feed(piece) >= 0 || guard.StreamClosed())
            break;
    }
    return 0;
}
