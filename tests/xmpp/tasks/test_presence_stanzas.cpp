// The agent's own and directed presence with the role request, and
// contacts' presence read into ChatContact records, against golden XML.

#include "tests/xmpp/XmlCompare.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/PresenceStanzas.h"

#include <gtest/gtest.h>

using namespace QVPlugin;
using namespace Stanza;
using xmltest::kOwnJid;
using xmltest::ParseXml;
using xmltest::SameXml;

namespace {

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

// A contact as one line: JID, bare JID, nick, status, state, role and the
// capabilities (voice, share, rich text, video).
std::string Line(const std::string &jid, const std::string &bare, const QString &nick, const QString &status,
                 int state, int role, const std::string &caps)
{
    return jid + " " + bare + " nick=" + nick.toStdString() + " status=" + status.toStdString() + " state="
        + std::to_string(state) + " role=" + std::to_string(role) + " caps=" + caps;
}

std::string Describe(const ChatContact &c)
{
    const std::string caps = std::string(c.voiceCapable ? "v" : "") + (c.shareCapable ? "s" : "")
        + (c.rtfCapable ? "r" : "") + (c.videoCapable ? "V" : "");
    return Line(c.jid.Str().toStdString(), c.bareJid.Str().toStdString(), c.nick, c.status, c.state, c.role, caps);
}

// The visitor "v1@chat.local/web" as the reader should see it.
std::string Contact(int state, int role, const std::string &caps = "", const QString &status = {},
                    const QString &nick = {})
{
    return Line("v1@chat.local/web", "v1@chat.local", nick, status, state, role, caps);
}

} // namespace

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
              <c xmlns="http://jabber.org/protocol/caps" node="quelvar:ostrel:caps" ver="5.0" ext="rtf voice-v1 share-v1"/>
              <x xmlns="http://jabber.org/protocol/muc#user"><item role="participant" jid="v1@chat.local/web"/></x>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         true,
         Contact(PresenceAway, RoleParticipant, "vsr", QStringLiteral("Looking around"), QStringLiteral("Visitor One"))},
        {"plain presence: online, role 1", "<presence from='v1@chat.local/web'/>", true,
         Contact(PresenceOnline, RoleOther)},
        {"unavailable: offline, status left at its default",
         "<presence type='unavailable' from='v1@chat.local/web'><show>away</show><status>bye</status></presence>",
         true, Contact(PresenceOffline, RoleOther, "", QStringLiteral("Available"))},
        {"muc#user without item is role none", from + muc + "</x></presence>", true, Contact(PresenceOnline, RoleNone)},
        {"item without role is role none", from + muc + "<item/></x></presence>", true,
         Contact(PresenceOnline, RoleNone)},
        {"an item JID that does not parse keeps the sender", from + muc + "<item role='visitor' jid='@/'/></x></presence>",
         true, Contact(PresenceOnline, RoleVisitor)},
        {"caps of another node: only rich text counts",
         from + "<c xmlns='http://jabber.org/protocol/caps' node='http://o/caps' ext='voice-v1 share-v1 rtf'/></presence>",
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
        {10, "\xC3\xA9", 12},
        {310, "", 300},
        {299, "\xC3\xA9\xC3\xA9", 299},
        {298, "\xE2\x82\xAC\xE2\x82\xAC", 298},
        {297, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 297},
        {297, "\xE2\x82\xAC\xE2\x82\xAC", 300},
    };
    for (const auto &c : cases) {
        const std::string text = std::string(c.ascii, 'a') + c.tail;
        EXPECT_EQ(CutUtf8(text, kMaxStatusBytes), text.substr(0, c.kept)) << c.ascii << " + " << c.tail.size();
    }
}
