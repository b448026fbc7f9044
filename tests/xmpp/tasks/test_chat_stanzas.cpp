// Chat messages, chat states, receipts and group-chat invitations: payloads
// to stanzas and stanzas to bus messages, against golden XML.

#include "tests/xmpp/XmlCompare.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/ChatStanzas.h"

#include <gtest/gtest.h>

using namespace QVPlugin;
using namespace Stanza;
using xmltest::kOwnJid;
using xmltest::ParseXml;
using xmltest::SameXml;

namespace {

const Jid kVisitor(QStringLiteral("v1@chat.local/web"));
constexpr std::int64_t kNow = 1700000000;
const std::string kHead = R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel")";

std::unique_ptr<gloox::Tag> Chat(const QString &body, const std::string &id, int type = ChatMessage::Chat)
{
    ChatMessage m;
    m.to = kVisitor;
    m.body = body;
    m.id = id;
    m.type = type;
    return BuildChatMessage(m, kOwnJid);
}

std::unique_ptr<gloox::Tag> State(int state)
{
    ChatStateMessage s;
    s.to = ChatContact(kVisitor);
    s.state = ChatState(state);
    return BuildChatState(s, kOwnJid);
}

std::unique_ptr<gloox::Tag> Invitation(const QString &reason, MucInvitation kind)
{
    VisitorMessage v;
    v.room = Jid(QStringLiteral("room1@conference.chat.local"));
    v.user = Jid(QStringLiteral("agent2@chat.local"));
    v.reason = reason;
    return BuildMucInvitation(v, kind, kOwnJid);
}

// One line per bus message, so that a case lists what it expects in order.
std::string Describe(const BusPost &post)
{
    auto jid = [](const Jid &j) { return j.Str().toStdString(); };
    if (const auto *m = dynamic_cast<const ChatMessage *>(post.payload.get())) {
        if (post.id == MSG_CHAT_MESSAGE_DELIVERED)
            return "delivered " + jid(m->from) + " id=" + m->id + " to " + jid(m->to);
        return "received " + std::to_string(m->type) + " " + jid(m->from) + " body=" + m->body.toStdString()
            + (m->time == kNow ? "" : " time?") + " to " + jid(m->to);
    }
    if (const auto *s = dynamic_cast<const ChatStateMessage *>(post.payload.get()))
        return "state " + std::to_string(s->state) + " " + jid(s->from.jid) + " to " + jid(s->to.jid);
    return "unexpected " + post.id.toString().toStdString();
}

} // namespace

TEST(ChatStanzas, Builders)
{
    const std::string active = R"(<active xmlns="http://jabber.org/protocol/chatstates"/></message>)";
    const std::string invite = R"(<message to="room1@conference.chat.local" from="agent@chat.local/Ostrel">
        <x xmlns="http://jabber.org/protocol/muc#user" to="agent2@chat.local">)";
    const struct
    {
        const char *name;
        std::unique_ptr<gloox::Tag> stanza;
        std::string golden; // empty: nothing is sent
    } cases[] = {
        {"message with receipt request", Chat(QStringLiteral("Hello <b> & 'you' \u00e9"), "r1"),
         kHead + R"( id="r1"><body>Hello &lt;b&gt; &amp; 'you' é</body><request xmlns="urn:xmpp:receipts"/>)" + active},
        {"no text, no receipt id: only the state", Chat(QString(), {}), kHead + ">" + active},
        {"group chat", Chat(QStringLiteral("hi"), {}, ChatMessage::GroupChat),
         R"(<message type="groupchat" to="v1@chat.local/web" from="agent@chat.local/Ostrel"><body>hi</body>)" + active},
        // gloox refuses a whole text with a control character in it.
        {"control characters dropped, not the body", Chat(QStringLiteral("a\u0001b\u000bc\td"), {}),
         kHead + "><body>abc\td</body>" + active},
        {"composing", State(ChatStateComposing),
         kHead + R"(><composing xmlns="http://jabber.org/protocol/chatstates"/></message>)"},
        {"state 0 asks for the contact's features", State(ChatStateNone),
         R"(<iq type="get" id="disco1" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <query xmlns="http://jabber.org/protocol/disco#info"/></iq>)"},
        {"unknown state number", State(9), ""},
        {"invitation", Invitation(QStringLiteral("Please take over"), MucInvitation::Invite),
         invite + "<invite><reason>Please take over</reason></invite></x></message>"},
        {"decline keeps an empty reason", Invitation(QString(), MucInvitation::Decline),
         invite + "<decline><reason/></decline></x></message>"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(SameXml(c.stanza.get(), c.golden)) << c.name;

}

TEST(ChatStanzas, Reader)
{
    const std::string from = R"(<message type="chat" from="v1@chat.local/web" to="agent@chat.local/Ostrel")";
    const std::string receipt = R"(<received xmlns="urn:xmpp:receipts"/></message>)";
    const std::string request = R"(<request xmlns="urn:xmpp:receipts"/>)";
    const struct
    {
        const char *name;
        std::string stanza;
        bool taken;
        std::string reply; // empty: no reply
        std::vector<std::string> posts;
    } cases[] = {
        {"receipt, state and body in that order",
         from + R"( id="m8"><body>Hi &amp; hello</body>)" + request
             + R"(<active xmlns="http://jabber.org/protocol/chatstates"/></message>)",
         true, kHead + R"( id="m8">)" + receipt,
         {"state 1 v1@chat.local/web to agent@chat.local/Ostrel",
          "received 0 v1@chat.local/web body=Hi & hello to agent@chat.local/Ostrel"}},
        {"receipt request answered even without a body", from + R"( id="m7">)" + request + "</message>", true,
         kHead + R"( id="m7">)" + receipt, {}},
        {"receipt request without an id", from + ">" + request + "</message>", true, kHead + ">" + receipt, {}},
        {"receipt reports delivery with the stanza's id", from + R"( id="r1">)" + receipt, true, "",
         {"delivered v1@chat.local/web id=r1 to agent@chat.local/Ostrel"}},
        {"group chat: state first, then the message of type 1",
         R"(<message type="groupchat" from="room1@conference.chat.local/v1" to="agent@chat.local/Ostrel"><body>done</body>
              <composing xmlns="http://jabber.org/protocol/chatstates"/></message>)",
         true, "",
         {"state 2 room1@conference.chat.local/v1 to agent@chat.local/Ostrel",
          "received 1 room1@conference.chat.local/v1 body=done to agent@chat.local/Ostrel"}},
        {"group-chat receipt request answered as group chat",
         R"(<message type="groupchat" from="room1@conference.chat.local/v1" id="g1">)" + request + "</message>", true,
         R"(<message type="groupchat" to="room1@conference.chat.local/v1" from="agent@chat.local/Ostrel" id="g1">)"
             + receipt,
         {}},
        {"unknown chat-state name gives state 0",
         from + R"(><dancing xmlns="http://jabber.org/protocol/chatstates"/></message>)", true, "",
         {"state 0 v1@chat.local/web to agent@chat.local/Ostrel"}},
        {"empty body is still a message", from + "><body/></message>", true, "",
         {"received 0 v1@chat.local/web body= to agent@chat.local/Ostrel"}},
        {"nothing we know: taken, nothing posted", from + "><thread>t1</thread></message>", true, "", {}},
        {"headline left alone", R"(<message type="headline" from="v1@chat.local/web"><body>n</body></message>)",
         false, "", {}},
        {"no type left alone", R"(<message from="v1@chat.local/web"><body>x</body></message>)", false, "", {}},
        {"not a message", R"(<iq type="get" from="v1@chat.local/web"><body>x</body></iq>)", false, "", {}},
        // Hostile and malformed input.
        {"no sender: no receipt, nothing posted", R"(<message type="chat" id="x">)" + request + "<body>hi</body></message>",
         true, "", {}},
        {"children in foreign namespaces count for nothing",
         from + R"( id="f1"><request xmlns="urn:example:receipts"/><received xmlns="urn:xmpp:receipts:v2"/>
              <composing xmlns="urn:example:chatstates"/><body xmlns="urn:example:html">x</body>
              <x xmlns="urn:example"><body>nested</body>)" + request + "</x></message>",
         true, "", {}},
        {"content of a receipt does not matter",
         from + R"( id="q"><received xmlns="urn:xmpp:receipts">junk<a/></received></message>)", true, "",
         {"delivered v1@chat.local/web id=q to agent@chat.local/Ostrel"}},
    };
    for (const auto &c : cases) {
        const auto stanza = ParseXml(c.stanza);
        ASSERT_TRUE(stanza) << c.name;
        const Outcome outcome = ReadChatMessage(*stanza, kOwnJid, kNow);
        EXPECT_EQ(outcome.taken, c.taken) << c.name;
        EXPECT_TRUE(SameXml(outcome.reply.get(), c.reply)) << c.name;
        std::vector<std::string> posts;
        for (const BusPost &p : outcome.posts)
            posts.push_back(Describe(p));
        EXPECT_EQ(posts, c.posts) << c.name;
    }
}
