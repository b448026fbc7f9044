#include "bus/Jid.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace QVPlugin;

TEST(Payloads, ClonesAreDeepCopiesWithTheirTypeNames)
{
    MsgValue v(QStringLiteral("agent.nick"), QStringLiteral("Ann"));
    std::unique_ptr<IMessage> c(v.Clone());
    EXPECT_STREQ(c->GetTypeName(), "MsgValue");
    auto *cv = static_cast<MsgValue *>(c.get());
    cv->value = 5;
    c.reset();
    EXPECT_EQ(v.name, QStringLiteral("agent.nick"));
    EXPECT_EQ(v.value.toString(), QStringLiteral("Ann"));

    DataInfo d;
    d.type = 7; // carried unchanged
    d.data = std::string("a\0b\xff", 4);
    std::unique_ptr<IMessage> dc(d.Clone());
    EXPECT_EQ(static_cast<DataInfo *>(dc.get())->type, 7);
    EXPECT_EQ(static_cast<DataInfo *>(dc.get())->data, d.data);

    QVMessage<int> i(3);
    QVMessage<std::string> s("x");
    EXPECT_STREQ(i.GetTypeName(), "QVMessage");
    EXPECT_STREQ(s.GetTypeName(), "QVMessage");

    // A pointer value is copied as the pointer.
    const char *stanza = "<presence/>";
    QVMessage<const char *> p(stanza);
    std::unique_ptr<IMessage> pc(p.Clone());
    EXPECT_EQ(static_cast<QVMessage<const char *> *>(pc.get())->value, stanza);
}

TEST(Payloads, MessageIdsAreDistinct)
{
    const QUuid ids[] = {MSG_GET_SETTING, MSG_SET_SETTING, MSG_DATA_FETCH, MSG_COMMAND, MSG_LOGIN,
                         MSG_CHAT_STATE, MSG_SEND_RAW_STANZA, MSG_KB_FIND, MSG_KB_SEARCH_RESULTS};
    std::set<QString> seen;
    for (const QUuid &id : ids)
        EXPECT_TRUE(seen.insert(id.toString()).second) << id.toString().toStdString();
    EXPECT_EQ(MSG_GET_SETTING.toString(QUuid::WithBraces).toUpper(),
              QStringLiteral("{3C62F197-ABD4-4261-B61C-DE26405040A3}"));
    EXPECT_EQ(PLUGIN_GUID_XMPP.toString(QUuid::WithBraces).toUpper(),
              QStringLiteral("{022A5CA7-12E3-48C3-A8DD-4C836CB61C5B}"));
}

TEST(Jid, ParsesAndCompares)
{
    struct Case
    {
        const char *text;
        bool valid;
        const char *node, *domain, *resource, *full;
    };
    const Case cases[] = {
        {"Agent@LocalHost/Ostrel", true, "agent", "localhost", "Ostrel", "agent@localhost/Ostrel"},
        {"localhost", true, "", "localhost", "", "localhost"},
        {"room@conf.x/Nick/with/slash", true, "room", "conf.x", "Nick/with/slash", "room@conf.x/Nick/with/slash"},
        {"", false, "", "", "", ""},
        {"@x", false, "", "", "", ""},
        {"a@b@c", false, "", "", "", ""},
        {"a@b/", false, "", "", "", ""},
    };
    for (const Case &c : cases) {
        Jid j{QString::fromUtf8(c.text)};
        EXPECT_EQ(j.IsValid(), c.valid) << c.text;
        EXPECT_EQ(j.node(), QString::fromUtf8(c.node)) << c.text;
        EXPECT_EQ(j.domain(), QString::fromUtf8(c.domain)) << c.text;
        EXPECT_EQ(j.resource(), QString::fromUtf8(c.resource)) << c.text;
        EXPECT_EQ(j.Str(), QString::fromUtf8(c.full)) << c.text;
    }
    Jid a(QStringLiteral("a@x/1")), b(QStringLiteral("A@X/2"));
    EXPECT_TRUE(a.BareEquals(b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.BareJid(), b.BareJid());
    EXPECT_EQ(a.BareStr(), QStringLiteral("a@x"));
}
