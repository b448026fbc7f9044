// Contact list signals and the message-channel registry.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/MessageChannel.h"

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::Jid;

namespace {

ChatContact Contact(const char *jid, const char *nick, QVPlugin::PresenceState state = QVPlugin::PresenceOnline)
{
    ChatContact c(Jid(QString::fromLatin1(jid)));
    c.nick = QString::fromLatin1(nick);
    c.state = state;
    c.status = QStringLiteral("status of ") + c.nick;
    return c;
}

// Records every signal as "<kind> <nick> <state>", checking that a removed
// contact is still alive when announced.
struct Recorder
{
    explicit Recorder(CContactList &list)
    {
        auto record = [this](const char *kind) {
            return [this, kind](ChatContact *c) {
                events.push_back(QString::fromLatin1(kind) + QLatin1Char(' ') + c->nick + QLatin1Char(' ')
                                 + QString::number(c->state));
            };
        };
        QObject::connect(&list, &CContactList::added, record("added"));
        QObject::connect(&list, &CContactList::changed, record("changed"));
        QObject::connect(&list, &CContactList::removed, record("removed"));
    }
    std::vector<QString> events;
};

} // namespace

TEST(ContactList, PresenceRoadAndSignals)
{
    CContactList list;
    Recorder rec(list);
    list.Update(Contact("ann@x/a", "Ann"));
    list.Update(Contact("bob@x/b", "Bob", QVPlugin::PresenceAway));
    list.Update(Contact("carl@x/c", "Carl", QVPlugin::PresenceOffline)); // unknown and offline
    ChatContact change = Contact("ann@x/a", "", QVPlugin::PresenceBusy);
    change.role = QVPlugin::RoleVisitor;
    list.Update(change);
    ASSERT_EQ(list.Count(), 2);
    const ChatContact *ann = list.Find(Jid(QStringLiteral("ann@x/a")));
    ASSERT_NE(ann, nullptr);
    EXPECT_EQ(ann->nick, QStringLiteral("Ann"));
    EXPECT_EQ(ann->status, QStringLiteral("status of "));
    EXPECT_EQ(ann->role, QVPlugin::RoleNone);
    EXPECT_EQ(list.Find(Jid(QStringLiteral("ann@x/other"))), nullptr);
    EXPECT_EQ(list.FindBare(Jid(QStringLiteral("ann@x/other"))), ann);

    list.Update(Contact("bob@x/b", "", QVPlugin::PresenceOffline));
    list.Update(Contact("dan@x/d", "Dan"));
    list.Update(Contact("eve@x/e", "Eve"));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(rec.events, (std::vector<QString>{
                              "added Ann 3", "added Bob 4", "changed Ann 5", "removed Bob 4",
                              "added Dan 3", "added Eve 3", "removed Ann 5", "removed Dan 3", "removed Eve 3"}));
}

TEST(MessageChannelRegistry, ChannelPerFullJid)
{
    MessageChannelRegistry registry;
    const Jid ann(QStringLiteral("ann@x/a"));
    EXPECT_EQ(registry.Find(ann), nullptr);
    MessageChannel *channel = registry.Get(ann);
    EXPECT_EQ(registry.Get(ann), channel);
    EXPECT_EQ(registry.Find(ann), channel);
    EXPECT_NE(registry.Get(Jid(QStringLiteral("ann@x/b"))), channel);

    std::vector<QString> seen;
    QObject::connect(channel, &MessageChannel::messagePublished,
                     [&](const QVPlugin::ChatMessage &m) { seen.push_back(m.body); });
    QVPlugin::ChatMessage line;
    line.body = QStringLiteral("hello");
    channel->Publish(line);
    ASSERT_EQ(channel->Messages().size(), 1u);
    EXPECT_EQ(channel->Messages().front().body, QStringLiteral("hello"));
    EXPECT_EQ(seen, std::vector<QString>{QStringLiteral("hello")});

    registry.Clear();
    EXPECT_EQ(registry.Find(ann), nullptr);
}
