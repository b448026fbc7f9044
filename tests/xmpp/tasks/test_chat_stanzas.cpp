// The stanzas of chat, presence and group chat against golden XML: chat
// messages, states, receipts, invitations and the agent's own and directed
// presence from their payloads; incoming messages and contacts' presence to
// bus messages.

#include "tests/xmpp/XmlCompare.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/ChatStanzas.h"
#include "plugins/xmpp/tasks/PresenceStanzas.h"

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

// One line per bus message, so that a case lists what it expects in order;
// the addressee is named only when it is not the agent.
std::string Describe(const BusPost &post)
{
    const auto jid = [](const Jid &j) { return j.Str().toStdString(); };
    const auto to = [&](const Jid &j) { return jid(j) == kOwnJid ? "" : " to=" + jid(j); };
    if (const auto *m = dynamic_cast<const ChatMessage *>(post.payload.get())) {
        if (post.id == MSG_CHAT_MESSAGE_DELIVERED)
            return "delivered " + jid(m->from) + " id=" + m->id + to(m->to);
        return "received " + std::to_string(m->type) + " " + jid(m->from) + " body=" + m->body.toStdString()
            + (m->time == kNow ? "" : " time?") + to(m->to);
    }
    if (const auto *s = dynamic_cast<const ChatStateMessage *>(post.payload.get()))
        return "state " + std::to_string(s->state) + " " + jid(s->from.jid) + to(s->to.jid);
    return "unexpected " + post.id.toString().toStdString();
}

PresenceRequest Request(PresenceState state, ContactRole role, const QString &target = {}, const QString &nick = {})
{
    PresenceRequest r;
    r.state = state;
    r.role = role;
    r.target = Jid(target);
    r.nick = nick;
    r.stamp = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC);
    return r;
}

std::string RoleRequest(const std::string &role)
{
    return R"(<message from="agent@chat.local/Ostrel" to="room1@conference.chat.local/v1">
      <x xmlns="jabber:x:data" type="submit">
        <field var="FORM_TYPE"><value>http://jabber.org/protocol/muc#request</value></field>
        <field var="muc#role" type="text-single" label="Requested role"><value>)"
        + role + "</value></field></x></message>";
}

// A contact as one line: state, role, capabilities (voice, share, rich
// text, video), status and nick; the JIDs only when they are not the
// visitor's "v1@chat.local/web".
std::string Contact(int state, int role, const std::string &caps = "", const QString &status = {},
                    const QString &nick = {}, const QString &jids = "v1@chat.local/web v1@chat.local")
{
    return std::to_string(state) + " " + std::to_string(role) + " caps=" + caps + " status=" + status.toStdString()
        + " nick=" + nick.toStdString() + (jids == "v1@chat.local/web v1@chat.local" ? "" : " " + jids.toStdString());
}

std::string Describe(const ChatContact &c)
{
    const std::string caps = std::string(c.voiceCapable ? "v" : "") + (c.shareCapable ? "s" : "")
        + (c.rtfCapable ? "r" : "") + (c.videoCapable ? "V" : "");
    return Contact(c.state, c.role, caps, c.status, c.nick, c.jid.Str() + " " + c.bareJid.Str());
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
         kHead + R"( id="r1"><body>Hello &lt;b&gt; &amp; 'you' é</body><request xmlns="urn:xmpp:receipts"/>)"
             + active},
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
         {"state 1 v1@chat.local/web", "received 0 v1@chat.local/web body=Hi & hello"}},
        {"receipt request answered even without a body", from + R"( id="m7">)" + request + "</message>", true,
         kHead + R"( id="m7">)" + receipt, {}},
        {"receipt request without an id", from + ">" + request + "</message>", true, kHead + ">" + receipt, {}},
        {"receipt reports delivery with the stanza's id", from + R"( id="r1">)" + receipt, true, "",
         {"delivered v1@chat.local/web id=r1"}},
        {"group chat: state first, then the message of type 1",
         R"(<message type="groupchat" from="room1@conference.chat.local/v1"><body>done</body>
              <composing xmlns="http://jabber.org/protocol/chatstates"/></message>)",
         true, "",
         {"state 2 room1@conference.chat.local/v1 to=", "received 1 room1@conference.chat.local/v1 body=done to="}},
        {"group-chat receipt request answered as group chat",
         R"(<message type="groupchat" from="room1@conference.chat.local/v1" id="g1">)" + request + "</message>", true,
         R"(<message type="groupchat" to="room1@conference.chat.local/v1" from="agent@chat.local/Ostrel" id="g1">)"
             + receipt,
         {}},
        {"unknown chat-state name gives state 0",
         from + R"(><dancing xmlns="http://jabber.org/protocol/chatstates"/></message>)", true, "",
         {"state 0 v1@chat.local/web"}},
        {"empty body is still a message", from + "><body/></message>", true, "",
         {"received 0 v1@chat.local/web body="}},
        {"nothing we know: taken, nothing posted", from + "><thread>t1</thread></message>", true, "", {}},
        {"headline left alone", R"(<message type="headline" from="v1@chat.local/web"><body>n</body></message>)",
         false, "", {}},
        {"no type left alone", R"(<message from="v1@chat.local/web"><body>x</body></message>)", false, "", {}},
        {"not a message", R"(<iq type="get" from="v1@chat.local/web"><body>x</body></iq>)", false, "", {}},
        // Hostile and malformed input.
        {"no sender: no receipt, nothing posted",
         R"(<message type="chat" id="x">)" + request + "<body>hi</body></message>", true, "", {}},
        {"children in foreign namespaces count for nothing",
         from + R"( id="f1"><request xmlns="urn:example:receipts"/><received xmlns="urn:xmpp:receipts:v2"/>
              <composing xmlns="urn:example:chatstates"/><body xmlns="urn:example:html">x</body>
              <x xmlns="urn:example"><body>nested</body>)" + request + "</x></message>",
         true, "", {}},
        {"content of a receipt does not matter",
         from + R"( id="q"><received xmlns="urn:xmpp:receipts">junk<a/></received></message>)", true, "",
         {"delivered v1@chat.local/web id=q"}},
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

TEST(PresenceStanzas, Builders)
{
    const QString room = QStringLiteral("room1@conference.chat.local/v1");
    const std::string tail =
        R"(<status/><priority>0</priority><x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)";
    const std::string to = R"(<presence to="room1@conference.chat.local/v1">)";
    const std::string mucUser = R"(<x xmlns="http://jabber.org/protocol/muc#user"/>)";
    const struct
    {
        const char *name;
        PresenceRequest request;
        std::string presence;
        std::string roleRequest; // empty: none
    } cases[] = {
        {"own presence online: no show", Request(PresenceOnline, RoleOther), "<presence>" + tail, ""},
        {"away with the agent's nick", Request(PresenceAway, RoleOther, {}, QStringLiteral("Ann")),
         R"(<presence nick="Ann"><show>away</show>)" + tail, ""},
        {"offline is an available presence without show", Request(PresenceOffline, RoleOther), "<presence>" + tail,
         ""},
        {"own presence never asks for a role", Request(PresenceOnline, RoleParticipant), "<presence>" + mucUser + tail,
         ""},
        {"directed, role 0: unavailable, no request", Request(PresenceOnline, RoleNone, room),
         R"(<presence to="room1@conference.chat.local/v1" type="unavailable">)" + mucUser + "</presence>", ""},
        {"directed, role 1: no muc#user, no request", Request(PresenceOnline, RoleOther, room), to + tail, ""},
        {"directed, role 2", Request(PresenceAway, RoleVisitor, room), to + mucUser + "<show>away</show>" + tail,
         RoleRequest("visitor")},
        {"directed, role 4", Request(PresenceOnline, RoleAdministrator, room), to + mucUser + tail,
         RoleRequest("administrator")},
    };
    for (const auto &c : cases) {
        const PresenceStanzas out = BuildPresence(c.request, kOwnJid);
        EXPECT_TRUE(SameXml(out.presence.get(), c.presence)) << c.name;
        EXPECT_TRUE(SameXml(out.roleRequest.get(), c.roleRequest)) << c.name;
    }
}

TEST(PresenceStanzas, HostileNamesStayInsideTheirAttributes)
{
    // The request is an element, not formatted text: quotes and markup in a
    // resource or nick cannot close the attribute or add elements; no length limit.
    const QString target = QStringLiteral("room1@conference.chat.local/x' to='evil@else'><body>hi</body><x a='")
        + QString(900, QLatin1Char('r'));
    const QString nick = QStringLiteral("A\"nn' <b>&amp;");
    const PresenceStanzas out = BuildPresence(Request(PresenceOnline, RoleVisitor, target, nick), kOwnJid);
    ASSERT_TRUE(out.presence && out.roleRequest);
    const auto presence = ParseXml(out.presence->xml());
    const auto request = ParseXml(out.roleRequest->xml());
    ASSERT_TRUE(presence && request) << out.presence->xml() << out.roleRequest->xml();
    EXPECT_EQ(presence->findAttribute("to"), target.toStdString());
    EXPECT_EQ(presence->findAttribute("nick"), nick.toStdString());
    EXPECT_EQ(request->findAttribute("to"), target.toStdString());
    EXPECT_EQ(request->children().size(), 1u);
}

TEST(PresenceStanzas, Reader)
{
    // A status of 400 bytes whose byte 300 falls inside a two-byte character.
    std::string status400(299, 'a');
    while (status400.size() < 400)
        status400 += "\xC3\xA9";
    const std::string from = "<presence from='v1@chat.local/web'>";
    const std::string muc = "<x xmlns='http://jabber.org/protocol/muc#user'>";
    const std::string caps = "<c xmlns='http://jabber.org/protocol/caps' node='quelvar:ostrel:caps' ext=";
    const struct
    {
        const char *name;
        std::string stanza;
        bool taken;
        std::string contact; // empty: nothing posted
    } cases[] = {
        {"directed presence with nick, show, status, caps and muc#user item",
         R"(<presence from="room1@conference.chat.local/v1" to="agent@chat.local/Ostrel" nick="Visitor One">
              <show>away</show><status>Looking around</status><priority>5</priority>
              <c xmlns="http://jabber.org/protocol/caps" node="quelvar:ostrel:caps" ext="rtf voice-v1 share-v1"/>
              <x xmlns="http://jabber.org/protocol/muc#user"><item role="participant" jid="v1@chat.local/web"/></x>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         true, Contact(PresenceAway, RoleParticipant, "vsr", "Looking around", "Visitor One")},
        {"plain presence: online, role 1", "<presence from='v1@chat.local/web'/>", true,
         Contact(PresenceOnline, RoleOther)},
        {"unavailable: offline, status left at its default",
         "<presence type='unavailable' from='v1@chat.local/web'><show>away</show><status>bye</status></presence>",
         true, Contact(PresenceOffline, RoleOther, "", QStringLiteral("Available"))},
        {"muc#user without item is role none", from + muc + "</x></presence>", true, Contact(PresenceOnline, RoleNone)},
        {"item without role is role none", from + muc + "<item/></x></presence>", true,
         Contact(PresenceOnline, RoleNone)},
        {"an item JID that does not parse keeps the sender",
         from + muc + "<item role='visitor' jid='@/'/></x></presence>", true, Contact(PresenceOnline, RoleVisitor)},
        {"caps of another node: only rich text counts",
         from + "<c xmlns='http://jabber.org/protocol/caps' node='urn:o' ext='voice-v1 share-v1 rtf'/></presence>",
         true, Contact(PresenceOnline, RoleOther, "r")},
        {"capability words count only whole", from + caps + "'voice-v10 xshare-v1 rtf-x'/></presence>", true,
         Contact(PresenceOnline, RoleOther)},
        {"a whole word after a partial one", from + caps + "'voice-v1x&#9;voice-v1&#10;rtfx&#13;rtf'/></presence>",
         true, Contact(PresenceOnline, RoleOther, "vr")},
        {"status cut before the character crossing byte 300", from + "<status>" + status400 + "</status></presence>",
         true, Contact(PresenceOnline, RoleOther, "", QString::fromStdString(status400.substr(0, 299)))},
        {"subscription left alone", "<presence type='subscribe' from='v1@chat.local/web'/>", false, ""},
        {"error left alone", "<presence type='error' from='v1@chat.local/web'/>", false, ""},
        {"not a presence", "<message from='v1@chat.local/web'/>", false, ""},
        // Hostile and malformed input.
        {"no sender: taken, nothing posted", "<presence><show>away</show></presence>", true, ""},
        {"no sender, but a real JID in the item",
         "<presence>" + muc + "<item role='visitor' jid='v1@chat.local/web'/></x></presence>", true,
         Contact(PresenceOnline, RoleVisitor)},
        {"children in foreign namespaces count for nothing",
         from + "<show xmlns='urn:example'>away</show><x xmlns='urn:example:muc#user'><item role='visitor' "
                "jid='evil@chat.local'/></x><c xmlns='urn:example:caps' node='quelvar:ostrel:caps' ext='voice-v1 "
                "rtf'/></presence>",
         true, Contact(PresenceOnline, RoleOther)},
        {"elements inside status are not its text", from + "<status>a<b>c</b>d</status></presence>", true,
         Contact(PresenceOnline, RoleOther, "", QStringLiteral("ad"))},
    };
    for (const auto &c : cases) {
        const auto stanza = ParseXml(c.stanza);
        ASSERT_TRUE(stanza) << c.name;
        const Outcome outcome = ReadPresence(*stanza);
        EXPECT_EQ(outcome.taken, c.taken) << c.name;
        EXPECT_FALSE(outcome.reply) << c.name;
        std::string got;
        for (const BusPost &p : outcome.posts) {
            const auto *msg = dynamic_cast<const QVMessage<ChatContact> *>(p.payload.get());
            got += p.id == MSG_CONTACT_PRESENCE && msg ? Describe(msg->value) : "unexpected post";
        }
        EXPECT_EQ(got, c.contact) << c.name;
    }
}

TEST(PresenceStanzas, StatusCutKeepsWholeCharacters)
{
    const struct
    {
        size_t ascii; // plain bytes before the tail
        std::string tail;
        size_t kept;
    } cases[] = {
        {10, "\xC3\xA9", 12},                    {310, "", 300},
        {299, "\xC3\xA9\xC3\xA9", 299},             {298, "\xE2\x82\xAC\xE2\x82\xAC", 298},
        {297, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 297}, {297, "\xE2\x82\xAC\xE2\x82\xAC", 300},
    };
    for (const auto &c : cases) {
        const std::string text = std::string(c.ascii, 'a') + c.tail;
        EXPECT_EQ(CutUtf8(text, kMaxStatusBytes), text.substr(0, c.kept)) << c.ascii << " + " << c.tail.size();
    }
}
