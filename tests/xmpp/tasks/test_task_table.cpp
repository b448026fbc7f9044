// Which stanzas each sender message of the bus becomes, and which reader
// takes an incoming stanza.

#include "tests/xmpp/tasks/XmlCompare.h"

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/ChatTasks.h"

#include <gtest/gtest.h>

#include <functional>

using namespace QVPlugin;
using namespace Stanza;
using xmltest::ParseXml;
using xmltest::SameXml;

namespace {
SenderContext Context()
{
    return {"agent@chat.local/Ostrel", QStringLiteral("Ann"), QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC)};
}

const Jid kVisitor(QStringLiteral("v1@chat.local/web"));
} // namespace

TEST(ChatTasks, SenderTable)
{
    ChatMessage message;
    message.to = kVisitor;
    message.body = QStringLiteral("hi");
    ChatStateMessage state;
    state.to = ChatContact(kVisitor);
    state.state = ChatStatePaused;
    VisitorMessage invitation;
    invitation.room = Jid(QStringLiteral("room1@conference.chat.local"));
    invitation.user = kVisitor;
    QVMessage<PresenceState> away(PresenceAway);
    ChatContact room(Jid(QStringLiteral("room1@conference.chat.local/v1")));
    room.role = RoleVisitor;
    QVMessage<ChatContact> directed(room);

    const struct
    {
        const char *name;
        QUuid id;
        const IMessage *in;
        std::vector<const char *> firstPath; // per stanza, in order: the names down its first children
    } cases[] = {
        {"chat message", MSG_SEND_CHAT_MESSAGE, &message, {"message/body"}},
        {"chat state", MSG_CHAT_STATE, &state, {"message/paused"}},
        {"invitation", MSG_SEND_MUC_INVITE, &invitation, {"message/x/invite/reason"}},
        {"decline", MSG_SEND_MUC_DECLINE, &invitation, {"message/x/decline/reason"}},
        {"own presence", MSG_PRESENCE_STATE, &away, {"presence/show"}},
        {"directed presence and role request", MSG_SEND_DIRECTED_PRESENCE, &directed,
         {"presence/x", "message/x/field/value"}},
        {"wrong payload", MSG_SEND_CHAT_MESSAGE, &state, {}},
        {"no payload", MSG_SEND_MUC_INVITE, nullptr, {}},
        {"a record where a value is expected", MSG_PRESENCE_STATE, &message, {}},
        {"not a sender", MSG_CHAT_MESSAGE_RECEIVED, &message, {}},
    };
    for (const auto &c : cases) {
        const auto stanzas = StanzasFor(c.id, c.in, Context());
        ASSERT_EQ(stanzas.size(), c.firstPath.size()) << c.name;
        for (size_t i = 0; i < stanzas.size(); ++i) {
            std::string path;
            for (const gloox::Tag *t = stanzas[i].get(); t; t = t->children().empty() ? nullptr : t->children().front())
                path += (path.empty() ? "" : "/") + t->name();
            EXPECT_EQ(path, c.firstPath[i]) << c.name << " stanza " << i;
        }
    }

    // The agent's own presence carries the nick and no group-chat role.
    EXPECT_TRUE(SameXml(OwnPresence(PresenceOnline, Context()).get(),
                        R"(<presence nick="Ann"><status/><priority>0</priority>
                             <x xmlns="jabber:x:delay" stamp="20240305T07:08:09"/></presence>)"));
}

TEST(ChatTasks, ReadersShareStanzas)
{
    const struct
    {
        const char *name;
        const char *stanza;
        bool taken;
        std::vector<QUuid> posts;
    } cases[] = {
        {"chat message", R"(<message type="chat" from="v1@chat.local/web"><body>x</body></message>)", true,
         {MSG_CHAT_MESSAGE_RECEIVED}},
        {"presence", R"(<presence from="v1@chat.local/web"/>)", true, {MSG_CONTACT_PRESENCE}},
        {"a headline is someone else's", R"(<message type="headline" from="v1@chat.local/web"/>)", false, {}},
        {"an iq is someone else's", R"(<iq type="result" id="qv-system-message" from="chat.local"/>)", false, {}},
    };
    for (const auto &c : cases) {
        const auto stanza = ParseXml(c.stanza);
        ASSERT_TRUE(stanza) << c.name;
        const Outcome outcome = ReadStanza(*stanza, "agent@chat.local/Ostrel", 0);
        EXPECT_EQ(outcome.taken, c.taken) << c.name;
        std::vector<QUuid> posts;
        for (const BusPost &p : outcome.posts)
            posts.push_back(p.id);
        EXPECT_EQ(posts, c.posts) << c.name;
    }
}
