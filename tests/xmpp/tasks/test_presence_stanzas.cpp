// The agent's own and directed presence with the role request, and
// contacts' presence read into ChatContact records, against golden XML.

#include "tests/xmpp/tasks/XmlCompare.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/PresenceStanzas.h"
#include "plugins/xmpp/tasks/StanzaText.h"

#include <gtest/gtest.h>

using namespace QVPlugin;
using namespace Stanza;
using xmltest::ParseXml;
using xmltest::SameXml;
using xmltest::kOwnJid;

namespace {

const QDateTime kStamp(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC);

PresenceRequest Request(PresenceState state, ContactRole role, const QString &target = QString(),
                        const QString &nick = QString())
{
    PresenceRequest r;
    r.state = state;
    r.role = role;
    r.target = Jid(target);
    r.nick = nick;
    r.stamp = kStamp;
    return r;
}

const char *const kRoleRequest = R"(
    <message from="agent@chat.local/Ostrel" to="room1@conference.chat.local/v1">
      <x xmlns="jabber:x:data" type="submit">
        <field var="FORM_TYPE"><value>http://jabber.org/protocol/muc#request</value></field>
        <field var="muc#role" type="text-single" label="Requested role"><value>%ROLE%</value></field>
      </x>
    </message>)";

std::string RoleRequest(const std::string &role)
{
    std::string text = kRoleRequest;
    text.replace(text.find("%ROLE%"), 6, role);
    return text;
}

} // namespace

TEST(PresenceStanzas, Builders)
{
    const QString room = QStringLiteral("room1@conference.chat.local/v1");
    const struct
    {
        const char *name;
        PresenceRequest request;
        std::string presence;
        std::string roleRequest; // empty: none
    } cases[] = {
        {"own presence online: no show", Request(PresenceOnline, RoleOther),
         R"(<presence><status/><priority>0</priority><x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
        {"own presence away with the agent's nick", Request(PresenceAway, RoleOther, QString(), QStringLiteral("Ann")),
         R"(<presence nick="Ann"><show>away</show><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
        {"busy is dnd", Request(PresenceBusy, RoleOther),
         R"(<presence><show>dnd</show><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
        {"be right back is xa", Request(PresenceBeRightBack, RoleOther),
         R"(<presence><show>xa</show><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
        {"offline is still an available presence without show", Request(PresenceOffline, RoleOther),
         R"(<presence><status/><priority>0</priority><x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
        {"directed, role 0: unavailable and no request", Request(PresenceOnline, RoleNone, room),
         R"(<presence to="room1@conference.chat.local/v1" type="unavailable">
              <x xmlns="http://jabber.org/protocol/muc#user"/></presence>)",
         ""},
        {"directed, role 2: available and a request for visitor", Request(PresenceAway, RoleVisitor, room),
         R"(<presence to="room1@conference.chat.local/v1">
              <x xmlns="http://jabber.org/protocol/muc#user"/><show>away</show><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         RoleRequest("visitor")},
        {"directed, role 3", Request(PresenceOnline, RoleParticipant, room),
         R"(<presence to="room1@conference.chat.local/v1">
              <x xmlns="http://jabber.org/protocol/muc#user"/><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         RoleRequest("participant")},
        {"directed, role 4", Request(PresenceOnline, RoleAdministrator, room),
         R"(<presence to="room1@conference.chat.local/v1">
              <x xmlns="http://jabber.org/protocol/muc#user"/><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         RoleRequest("administrator")},
        {"directed, role 1: no muc#user element, no request", Request(PresenceOnline, RoleOther, room),
         R"(<presence to="room1@conference.chat.local/v1"><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
        {"own presence never asks for a role", Request(PresenceOnline, RoleParticipant),
         R"(<presence><x xmlns="http://jabber.org/protocol/muc#user"/><status/><priority>0</priority>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)",
         ""},
    };
    for (const auto &c : cases) {
        const PresenceStanzas out = BuildPresence(c.request, kOwnJid);
        EXPECT_TRUE(SameXml(out.presence.get(), c.presence)) << c.name;
        EXPECT_TRUE(SameXml(out.roleRequest.get(), c.roleRequest)) << c.name;
    }
}

TEST(PresenceStanzas, HostileNamesStayInsideTheirAttributes)
{
    // A resource or nick with quotes and markup cannot close the attribute or
    // add elements to the stream: the request is an element, not text.
    const QString target = QStringLiteral("room1@conference.chat.local/x' to='evil@else'><body>hi</body><x a='");
    const QString nick = QStringLiteral("A\"nn' <b>&amp;");
    const PresenceStanzas out = BuildPresence(Request(PresenceOnline, RoleVisitor, target, nick), kOwnJid);
    ASSERT_TRUE(out.presence && out.roleRequest);

    const auto presence = ParseXml(out.presence->xml());
    ASSERT_TRUE(presence);
    EXPECT_EQ(presence->findAttribute("to"), target.toStdString());
    EXPECT_EQ(presence->findAttribute("nick"), nick.toStdString());

    const auto request = ParseXml(out.roleRequest->xml());
    ASSERT_TRUE(request) << out.roleRequest->xml();
    EXPECT_EQ(request->findAttribute("to"), target.toStdString());
    EXPECT_EQ(request->children().size(), 1u);
    EXPECT_FALSE(request->findChild("body"));

    // No length limit either.
    const QString longTarget = QStringLiteral("room1@conference.chat.local/") + QString(1000, QLatin1Char('r'));
    const PresenceStanzas longOut = BuildPresence(Request(PresenceOnline, RoleParticipant, longTarget), kOwnJid);
    ASSERT_TRUE(longOut.roleRequest);
    EXPECT_EQ(ParseXml(longOut.roleRequest->xml())->findAttribute("to"), longTarget.toStdString());
}

TEST(PresenceStanzas, Reader)
{
    struct Expected
    {
        QString jid;
        QString bareJid;
        QString nick;
        QString status;
        PresenceState state;
        ContactRole role;
        bool voice = false;
        bool share = false;
        bool rtf = false;
    };
    const QString v1 = QStringLiteral("v1@chat.local/web");
    const QString v1Bare = QStringLiteral("v1@chat.local");
    const QString available = QStringLiteral("Available");
    // A status of 400 bytes whose byte 300 falls inside a two-byte character.
    std::string status400(299, 'a');
    while (status400.size() < 400)
        status400 += "\xC3\xA9";
    const struct
    {
        const char *name;
        std::string stanza;
        bool taken;
        std::optional<Expected> contact;
    } cases[] = {
        {"visitor's directed presence with nick, show, status, caps and muc#user item",
         R"(<presence from="room1@conference.chat.local/v1" to="agent@chat.local/Ostrel" nick="Visitor One">
              <show>away</show><status>Looking around</status><priority>5</priority>
              <c xmlns="http://jabber.org/protocol/caps" node="quelvar:ostrel:caps" ver="5.0" ext="rtf voice-v1 share-v1"/>
              <x xmlns="http://jabber.org/protocol/muc#user"><item role="participant" jid="v1@chat.local/web"/></x>
              <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/>
            </presence>)",
         true,
         Expected{v1, v1Bare, QStringLiteral("Visitor One"), QStringLiteral("Looking around"), PresenceAway,
                  RoleParticipant, true, true, true}},
        {"plain presence: online, role 1, empty status", R"(<presence from="v1@chat.local/web"/>)", true,
         Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther}},
        {"show chat is online", R"(<presence from="v1@chat.local/web"><show>chat</show></presence>)", true,
         Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther}},
        {"unknown show is online", R"(<presence from="v1@chat.local/web"><show>sleeping</show></presence>)", true,
         Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther}},
        {"dnd and xa", R"(<presence from="v1@chat.local/web"><show>dnd</show></presence>)", true,
         Expected{v1, v1Bare, QString(), QString(), PresenceBusy, RoleOther}},
        {"xa", R"(<presence from="v1@chat.local/web"><show>xa</show></presence>)", true,
         Expected{v1, v1Bare, QString(), QString(), PresenceBeRightBack, RoleOther}},
        {"unavailable: offline, status left at its default",
         R"(<presence type="unavailable" from="v1@chat.local/web"><show>away</show><status>bye</status></presence>)",
         true, Expected{v1, v1Bare, QString(), available, PresenceOffline, RoleOther}},
        {"muc#user without item is role none",
         R"(<presence from="v1@chat.local/web"><x xmlns="http://jabber.org/protocol/muc#user"/></presence>)", true,
         Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleNone}},
        {"item without role is role none",
         R"(<presence from="v1@chat.local/web"><x xmlns="http://jabber.org/protocol/muc#user"><item/></x></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleNone}},
        {"incoming administrator reads as participant",
         R"(<presence from="v1@chat.local/web"><x xmlns="http://jabber.org/protocol/muc#user">
              <item role="administrator"/></x></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleParticipant}},
        {"visitor role",
         R"(<presence from="v1@chat.local/web"><x xmlns="http://jabber.org/protocol/muc#user">
              <item role="visitor"/></x></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleVisitor}},
        {"another XMPP role is role 1",
         R"(<presence from="v1@chat.local/web"><x xmlns="http://jabber.org/protocol/muc#user">
              <item role="moderator"/></x></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther}},
        {"an item JID that does not parse keeps the sender",
         R"(<presence from="v1@chat.local/web"><x xmlns="http://jabber.org/protocol/muc#user">
              <item role="visitor" jid="@/"/></x></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleVisitor}},
        {"caps of another node: only rich text counts",
         R"(<presence from="v1@chat.local/web">
              <c xmlns="http://jabber.org/protocol/caps" node="http://other/caps" ext="voice-v1 share-v1 rtf"/></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther, false, false, true}},
        {"capability words count only whole, separated by blanks",
         "<presence from='v1@chat.local/web'><c xmlns='http://jabber.org/protocol/caps' node='quelvar:ostrel:caps'"
         " ext='voice-v10 xshare-v1 rtf-x'/></presence>",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther}},
        {"a later whole word counts after a partial one",
         "<presence from='v1@chat.local/web'><c xmlns='http://jabber.org/protocol/caps' node='quelvar:ostrel:caps'"
         " ext='voice-v1x&#9;voice-v1&#10;rtfx&#13;rtf'/></presence>",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther, true, false, true}},
        {"status of 400 bytes cut before the character crossing byte 300",
         "<presence from='v1@chat.local/web'><status>" + status400 + "</status></presence>", true,
         Expected{v1, v1Bare, QString(), QString::fromStdString(status400.substr(0, 299)), PresenceOnline, RoleOther}},
        {"subscription requests are left alone", R"(<presence type="subscribe" from="v1@chat.local/web"/>)", false,
         std::nullopt},
        {"errors are left alone", R"(<presence type="error" from="v1@chat.local/web"/>)", false, std::nullopt},
        {"not a presence", R"(<message from="v1@chat.local/web"/>)", false, std::nullopt},
        // Hostile and malformed input.
        {"no sender: taken, nothing posted", R"(<presence><show>away</show></presence>)", true, std::nullopt},
        {"no sender, but a real JID in the item",
         R"(<presence><x xmlns="http://jabber.org/protocol/muc#user"><item role="visitor" jid="v1@chat.local/web"/></x></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleVisitor}},
        {"children in foreign namespaces count for nothing",
         R"(<presence from="v1@chat.local/web"><show xmlns="urn:example">away</show>
              <x xmlns="urn:example:muc#user"><item role="visitor" jid="evil@chat.local"/></x>
              <c xmlns="urn:example:caps" node="quelvar:ostrel:caps" ext="voice-v1 rtf"/></presence>)",
         true, Expected{v1, v1Bare, QString(), QString(), PresenceOnline, RoleOther}},
        {"nested elements inside status are not its text",
         R"(<presence from="v1@chat.local/web"><status>a<b>c</b>d</status></presence>)", true,
         Expected{v1, v1Bare, QString(), QStringLiteral("ad"), PresenceOnline, RoleOther}},
    };
    for (const auto &c : cases) {
        const std::unique_ptr<gloox::Tag> stanza = ParseXml(c.stanza);
        ASSERT_TRUE(stanza) << c.name;
        const Outcome outcome = ReadPresence(*stanza);
        EXPECT_EQ(outcome.taken, c.taken) << c.name;
        EXPECT_FALSE(outcome.reply) << c.name;
        if (!c.contact) {
            EXPECT_TRUE(outcome.posts.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(outcome.posts.size(), 1u) << c.name;
        EXPECT_EQ(outcome.posts[0].id, MSG_CONTACT_PRESENCE) << c.name;
        const auto *msg = dynamic_cast<const QVMessage<ChatContact> *>(outcome.posts[0].payload.get());
        ASSERT_TRUE(msg) << c.name;
        const ChatContact &got = msg->value;
        const Expected &want = *c.contact;
        EXPECT_EQ(got.jid.Str(), want.jid) << c.name;
        EXPECT_EQ(got.bareJid.Str(), want.bareJid) << c.name;
        EXPECT_EQ(got.nick, want.nick) << c.name;
        EXPECT_EQ(got.status, want.status) << c.name;
        EXPECT_EQ(got.state, want.state) << c.name;
        EXPECT_EQ(got.role, want.role) << c.name;
        EXPECT_EQ(got.voiceCapable, want.voice) << c.name;
        EXPECT_EQ(got.shareCapable, want.share) << c.name;
        EXPECT_EQ(got.rtfCapable, want.rtf) << c.name;
        EXPECT_FALSE(got.videoCapable) << c.name;
    }
}

TEST(PresenceStanzas, StatusCutKeepsWholeCharacters)
{
    const struct
    {
        const char *name;
        size_t ascii; // plain bytes before the tail
        std::string tail;
        size_t kept;
    } cases[] = {
        {"short text is kept", 10, "\xC3\xA9", 12},
        {"ascii over the limit", 310, "", 300},
        {"two bytes across", 299, "\xC3\xA9\xC3\xA9", 299},
        {"three bytes across", 298, "\xE2\x82\xAC\xE2\x82\xAC", 298},
        {"four bytes across", 297, "\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 297},
        {"three bytes ending at the limit", 297, "\xE2\x82\xAC\xE2\x82\xAC", 300},
    };
    for (const auto &c : cases) {
        const std::string text = std::string(c.ascii, 'a') + c.tail;
        const std::string cut = CutUtf8(text, kMaxStatusBytes);
        EXPECT_EQ(cut.size(), c.kept) << c.name;
        EXPECT_EQ(text.compare(0, cut.size(), cut), 0) << c.name;
    }
}
