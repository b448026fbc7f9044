// Chat messages, chat states, receipts and group-chat invitations: payloads
// to stanzas and stanzas to bus messages, against golden XML.

#include "tests/xmpp/tasks/XmlCompare.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/ChatStanzas.h"

#include <gtest/gtest.h>

#include <functional>

using namespace QVPlugin;
using namespace Stanza;
using xmltest::ParseXml;
using xmltest::SameXml;
using xmltest::kOwnJid;

namespace {

const Jid kVisitor(QStringLiteral("v1@chat.local/web"));
constexpr std::int64_t kNow = 1700000000;

ChatMessage Message(const QString &body, const std::string &id, int type = ChatMessage::Chat)
{
    ChatMessage m;
    m.to = kVisitor;
    m.body = body;
    m.id = id;
    m.type = type;
    return m;
}

ChatStateMessage State(int state)
{
    ChatStateMessage s;
    s.to = ChatContact(kVisitor);
    s.state = ChatState(state);
    return s;
}

VisitorMessage Invitation(const QString &reason)
{
    VisitorMessage v;
    v.room = Jid(QStringLiteral("room1@conference.chat.local"));
    v.user = Jid(QStringLiteral("agent2@chat.local"));
    v.reason = reason;
    return v;
}

// One line per bus message, so that a case lists what it expects in order.
std::string Describe(const BusPost &post)
{
    auto jid = [](const Jid &j) { return j.Str().toStdString(); };
    if (post.id == MSG_CHAT_MESSAGE_RECEIVED || post.id == MSG_CHAT_MESSAGE_DELIVERED) {
        const auto *m = dynamic_cast<const ChatMessage *>(post.payload.get());
        if (!m)
            return "chat message without a ChatMessage";
        std::string time = m->time == kNow ? "" : " time=" + std::to_string(m->time);
        if (post.id == MSG_CHAT_MESSAGE_DELIVERED)
            return "delivered " + jid(m->from) + " -> " + jid(m->to) + " id=" + m->id + time;
        return "received type=" + std::to_string(m->type) + " " + jid(m->from) + " -> " + jid(m->to) + " body="
            + m->body.toStdString() + (m->id.empty() ? "" : " id=" + m->id) + time;
    }
    if (post.id == MSG_CHAT_STATE) {
        const auto *s = dynamic_cast<const ChatStateMessage *>(post.payload.get());
        if (!s)
            return "chat state without a ChatStateMessage";
        const bool plain = s->from.bareJid == s->from.jid && s->to.bareJid == s->to.jid && s->from.nick.isEmpty()
            && s->from.role == RoleNone && s->to.role == RoleNone;
        return "state " + std::to_string(s->state) + " " + jid(s->from.jid) + " -> " + jid(s->to.jid)
            + (plain ? "" : " (contact fields set)");
    }
    return "unexpected message " + post.id.toString().toStdString();
}

} // namespace

TEST(ChatStanzas, Builders)
{
    const struct
    {
        const char *name;
        std::function<std::unique_ptr<gloox::Tag>()> build;
        const char *golden; // empty: nothing is sent
    } cases[] = {
        {"message with receipt request",
         [] { return BuildChatMessage(Message(QStringLiteral("Hello <b> & 'you' \u00e9"), "r1"), kOwnJid); },
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel" id="r1">
              <body>Hello &lt;b&gt; &amp; 'you' é</body>
              <request xmlns="urn:xmpp:receipts"/>
              <active xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)"},
        {"empty text and no receipt id: only the active state",
         [] { return BuildChatMessage(Message(QString(), std::string()), kOwnJid); },
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <active xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)"},
        {"group chat",
         [] { return BuildChatMessage(Message(QStringLiteral("hi all"), std::string(), ChatMessage::GroupChat), kOwnJid); },
         R"(<message type="groupchat" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <body>hi all</body>
              <active xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)"},
        // gloox refuses a whole text with a control character in it.
        {"control characters are dropped, not the body",
         [] { return BuildChatMessage(Message(QStringLiteral("a\u0001b\u000bc\td"), std::string()), kOwnJid); },
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <body>abc	d</body>
              <active xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)"},
        {"composing",
         [] { return BuildChatState(State(ChatStateComposing), kOwnJid); },
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <composing xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)"},
        {"gone",
         [] { return BuildChatState(State(ChatStateGone), kOwnJid); },
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <gone xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)"},
        {"state 0 asks for the contact's features",
         [] { return BuildChatState(State(ChatStateNone), kOwnJid); },
         R"(<iq type="get" id="disco1" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <query xmlns="http://jabber.org/protocol/disco#info"/>
            </iq>)"},
        {"unknown state number", [] { return BuildChatState(State(9), kOwnJid); }, ""},
        {"invitation",
         [] { return BuildMucInvitation(Invitation(QStringLiteral("Please take over")), MucInvitation::Invite, kOwnJid); },
         R"(<message to="room1@conference.chat.local" from="agent@chat.local/Ostrel">
              <x xmlns="http://jabber.org/protocol/muc#user" to="agent2@chat.local">
                <invite><reason>Please take over</reason></invite>
              </x>
            </message>)"},
        {"decline with an empty reason keeps the reason element",
         [] { return BuildMucInvitation(Invitation(QString()), MucInvitation::Decline, kOwnJid); },
         R"(<message to="room1@conference.chat.local" from="agent@chat.local/Ostrel">
              <x xmlns="http://jabber.org/protocol/muc#user" to="agent2@chat.local">
                <decline><reason/></decline>
              </x>
            </message>)"},
    };
    for (const auto &c : cases) {
        const std::unique_ptr<gloox::Tag> stanza = c.build();
        EXPECT_TRUE(SameXml(stanza.get(), c.golden)) << c.name;
    }

    // Each of the five states is its own element.
    for (int state = ChatStateActive; state <= ChatStateGone; ++state) {
        const auto stanza = BuildChatState(State(state), kOwnJid);
        ASSERT_TRUE(stanza) << state;
        ASSERT_EQ(stanza->children().size(), 1u) << state;
        EXPECT_EQ(stanza->children().front()->name(), ChatStateName(ChatState(state))) << state;
    }
}

TEST(ChatStanzas, Reader)
{
    const struct
    {
        const char *name;
        const char *stanza;
        bool taken;
        const char *reply; // empty: no reply
        std::vector<std::string> posts;
    } cases[] = {
        {"receipt request answered even without a body",
         R"(<message type="chat" from="v1@chat.local/web" to="agent@chat.local/Ostrel" id="m7">
              <request xmlns="urn:xmpp:receipts"/>
            </message>)",
         true,
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel" id="m7">
              <received xmlns="urn:xmpp:receipts"/>
            </message>)",
         {}},
        {"receipt, state and body in that order",
         R"(<message type="chat" from="v1@chat.local/web" to="agent@chat.local/Ostrel" id="m8">
              <body>Hi &amp; hello</body><request xmlns="urn:xmpp:receipts"/>
              <active xmlns="http://jabber.org/protocol/chatstates"/>
            </message>)",
         true,
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel" id="m8">
              <received xmlns="urn:xmpp:receipts"/>
            </message>)",
         {"state 1 v1@chat.local/web -> agent@chat.local/Ostrel",
          "received type=0 v1@chat.local/web -> agent@chat.local/Ostrel body=Hi & hello"}},
        {"receipt reports delivery with the stanza's id",
         R"(<message type="chat" from="v1@chat.local/web" to="agent@chat.local/Ostrel" id="r1">
              <received xmlns="urn:xmpp:receipts"/>
            </message>)",
         true, "", {"delivered v1@chat.local/web -> agent@chat.local/Ostrel id=r1"}},
        {"group chat: state first, then the message of type 1",
         R"(<message type="groupchat" from="room1@conference.chat.local/v1" to="agent@chat.local/Ostrel">
              <composing xmlns="http://jabber.org/protocol/chatstates"/><body>typing done</body>
            </message>)",
         true, "",
         {"state 2 room1@conference.chat.local/v1 -> agent@chat.local/Ostrel",
          "received type=1 room1@conference.chat.local/v1 -> agent@chat.local/Ostrel body=typing done"}},
        {"group-chat receipt request is answered as group chat",
         R"(<message type="groupchat" from="room1@conference.chat.local/v1" id="g1">
              <request xmlns="urn:xmpp:receipts"/>
            </message>)",
         true,
         R"(<message type="groupchat" to="room1@conference.chat.local/v1" from="agent@chat.local/Ostrel" id="g1">
              <received xmlns="urn:xmpp:receipts"/>
            </message>)",
         {}},
        {"unknown chat-state name gives state 0",
         R"(<message type="chat" from="v1@chat.local/web"><dancing xmlns="http://jabber.org/protocol/chatstates"/></message>)",
         true, "", {"state 0 v1@chat.local/web -> "}},
        {"empty body is still a message",
         R"(<message type="chat" from="v1@chat.local/web"><body/></message>)", true, "",
         {"received type=0 v1@chat.local/web ->  body="}},
        {"nothing we know: taken, nothing posted",
         R"(<message type="chat" from="v1@chat.local/web"><thread>t1</thread></message>)", true, "", {}},
        {"other types are left alone",
         R"(<message type="headline" from="v1@chat.local/web"><body>news</body></message>)", false, "", {}},
        {"no type is left alone", R"(<message from="v1@chat.local/web"><body>x</body></message>)", false, "", {}},
        {"not a message", R"(<iq type="get" from="v1@chat.local/web"><body>x</body></iq>)", false, "", {}},
        // Hostile and malformed input.
        {"no sender: taken, no receipt, nothing posted",
         R"(<message type="chat" id="x"><request xmlns="urn:xmpp:receipts"/><body>hi</body></message>)", true, "", {}},
        {"children in foreign namespaces count for nothing",
         R"(<message type="chat" from="v1@chat.local/web" id="f1">
              <request xmlns="urn:example:receipts"/><received xmlns="urn:xmpp:receipts:v2"/>
              <composing xmlns="urn:example:chatstates"/><body xmlns="urn:example:html">x</body>
              <x xmlns="urn:example"><body>nested</body><request xmlns="urn:xmpp:receipts"/></x>
            </message>)",
         true, "", {}},
        {"receipt without an id: answered without one",
         R"(<message type="chat" from="v1@chat.local/web"><request xmlns="urn:xmpp:receipts"/></message>)", true,
         R"(<message type="chat" to="v1@chat.local/web" from="agent@chat.local/Ostrel">
              <received xmlns="urn:xmpp:receipts"/>
            </message>)",
         {}},
        {"text in a receipt request does not matter",
         R"(<message type="chat" from="v1@chat.local/web" id="q"><received xmlns="urn:xmpp:receipts">junk<a/></received></message>)",
         true, "", {"delivered v1@chat.local/web ->  id=q"}},
    };
    for (const auto &c : cases) {
        const std::unique_ptr<gloox::Tag> stanza = ParseXml(c.stanza);
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
