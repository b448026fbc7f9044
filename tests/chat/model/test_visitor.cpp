// The visitor model against a clock the test steps.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/NetworkText.h"
#include "plugins/chat/model/Visitor.h"

#include <gtest/gtest.h>

using QVPlugin::Jid;

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

class VisitorTest : public ::testing::Test
{
protected:
    std::unique_ptr<CVisitor> Make(const char *tracking)
    {
        return std::make_unique<CVisitor>(std::make_unique<NameValueCollection>(QByteArray(tracking)),
                                          m_agent, [this] { return m_now; });
    }
    static Tessary::FlatXml Info(std::initializer_list<std::pair<const char *, const char *>> items)
    {
        Tessary::FlatXml info;
        for (const auto &[name, text] : items)
            info.insert(QString::fromLatin1(name), QString::fromUtf8(text));
        return info;
    }

    std::int64_t m_now = kStart;
    Jid m_agent{QStringLiteral("agent@chat.example/desk")};
};

} // namespace

TEST_F(VisitorTest, CreatedFromTrackingLine)
{
    auto v = Make("sid=S42&hash=H1&REMOTE_HOST=host.example&REMOTE_ADDR=10.0.0.1&url=http%3A%2F%2Fshop%2Fa"
                  "&Page=a&Title=Home+page&Referrer=http%3A%2F%2Fsearch&qvv!ID=P1&PageSeconds=30&appname=Mozilla");
    EXPECT_EQ(v->id(), "S42");
    EXPECT_EQ(v->jid().Str(), QStringLiteral("visitors.s42@chat.example/S42"));
    EXPECT_EQ(v->hash(), "H1");
    EXPECT_EQ(v->displayName(), QStringLiteral("10.0.0.1"));
    EXPECT_TRUE(v->nameFromAddress());
    EXPECT_TRUE(v->nameFromHost());
    EXPECT_EQ(v->state(), 1);
    EXPECT_EQ(v->onSiteSince(), kStart);
    EXPECT_EQ(v->TrackingValue("APPNAME"), QStringLiteral("Mozilla"));
    ASSERT_EQ(v->Tracking().size(), 1u);
    const VisitorTracking &page = v->Tracking().back();
    EXPECT_EQ(page.url, QStringLiteral("http://shop/a"));
    EXPECT_EQ(page.title, QStringLiteral("Home page"));
    EXPECT_EQ(page.referrer, QStringLiteral("http://search"));
    EXPECT_EQ(page.pageId, "P1");
    EXPECT_EQ(page.time, kStart - 30);

    EXPECT_EQ(Make("sid=1&qvvVID=J%FCrgen")->displayName(), QString::fromLatin1("J\xfcrgen"));
    EXPECT_EQ(Make("sid=1&qvvVID=J%C3%BCrgen&REMOTE_ADDR=1.2.3.4")->displayName(), QString::fromUtf8("J\xc3\xbcrgen"));
    EXPECT_EQ(Make("sid=1")->displayName(), QStringLiteral("Visitor"));
    EXPECT_TRUE(Make("sid=1")->Tracking().empty());
}

TEST_F(VisitorTest, PageRecords)
{
    auto v = Make("sid=1&url=u1&qvv!ID=p1");
    m_now += 10;
    v->AppendTracking(NameValueCollection("url=u1&QVVPID=P1"));  // same page, other case
    EXPECT_EQ(v->Tracking().size(), 1u);
    EXPECT_EQ(v->lastTracked(), kStart + 10);
    v->AppendTracking(NameValueCollection("qvv!ID=p2"));          // no url
    EXPECT_EQ(v->Tracking().size(), 1u);
    v->AppendTracking(NameValueCollection("url=u2&qvv!ID=p2&PageSeconds=-5"));
    v->AppendTracking(NameValueCollection("url=u1&qvv!ID=p1&PageSeconds=0"));
    ASSERT_EQ(v->Tracking().size(), 3u);
    EXPECT_EQ(v->Tracking()[1].time, kStart + 10);
    EXPECT_EQ(v->Tracking()[2].url, QStringLiteral("u1"));

    for (int i = 0; i < 2000; ++i)
        v->AppendTracking(NameValueCollection("url=" + QByteArray::number(i) + "&qvv!ID=f" + QByteArray::number(i)));
    ASSERT_EQ(v->Tracking().size(), size_t(CVisitor::kMaxTrackingRecords));
    EXPECT_EQ(v->Tracking().front().url, QStringLiteral("1000"));
    EXPECT_EQ(v->Tracking().back().url, QStringLiteral("1999"));

    v->AppendTracking(NameValueCollection("url=" + QByteArray(100'000, 'x')));
    EXPECT_EQ(v->Tracking().back().url.size(), Tessary::kMaxFieldLength);
}

TEST_F(VisitorTest, InfoAndSurvey)
{
    auto v = Make("sid=S7&REMOTE_ADDR=10.0.0.1&url=u&qvv!ID=p");
    m_now += 100;
    v->ApplyInfo(Info({{"hash", "H2"}, {"survey", "qvvDEPT=Sales&qvvVID=Ann+Lee"}, {"state", "8"},
                       {"time-on-site", "60"}, {"time-on-page", "20"}, {"agents", "a@chat.example,me@chat.example"},
                       {"group-chat-id", "room7@conference.chat.example"}}));
    EXPECT_EQ(v->hash(), "H2");
    EXPECT_EQ(v->department(), QStringLiteral("Sales"));
    EXPECT_EQ(v->displayName(), QStringLiteral("Ann Lee"));
    EXPECT_FALSE(v->nameFromAddress());
    EXPECT_EQ(v->state(), 8);
    EXPECT_EQ(v->onSiteSince(), kStart + 40);
    EXPECT_EQ(v->Tracking().back().time, kStart + 80);
    EXPECT_EQ(v->jid().Str(), QStringLiteral("room7@conference.chat.example/S7"));
    EXPECT_EQ(v->jid().BareStr(), QStringLiteral("room7@conference.chat.example"));
    EXPECT_TRUE(v->chatRequested());
    EXPECT_EQ(v->chatRequestedAt(), kStart + 100);

    // A partial info, and the empty one a page report carries, change only
    // what they carry: the wait, the time on site and on the page, the
    // survey and the agents stay. A survey without a name keeps the name.
    m_now += 50;
    v->ApplyInfo(Info({{"state", "8"}, {"time-chat-requested", "5"}, {"display-name", ""}}));
    v->ApplyInfo(Info({}));
    EXPECT_EQ(v->chatRequestedAt(), kStart + 100);
    EXPECT_EQ(v->onSiteSince(), kStart + 40);
    EXPECT_EQ(v->Tracking().back().time, kStart + 80);
    EXPECT_EQ(v->survey(), "qvvDEPT=Sales&qvvVID=Ann+Lee");
    EXPECT_EQ(v->agents(), QStringLiteral("a@chat.example,me@chat.example"));
    v->ApplyInfo(Info({{"survey", ""}, {"agents", ""}}));
    EXPECT_TRUE(v->survey().empty());
    EXPECT_EQ(v->agents(), QString());
    v->ApplySurvey("qvvDEPT=Support");
    EXPECT_EQ(v->displayName(), QStringLiteral("Ann Lee"));
    EXPECT_EQ(v->department(), QStringLiteral("Support"));

    v->ClearChatRequested();
    v->ApplyInfo(Info({{"state", "8"}, {"time-chat-requested", "30"}, {"group-chat-id", "@@"}}));
    EXPECT_EQ(v->chatRequestedAt(), kStart + 120);
    EXPECT_EQ(v->jid().BareStr(), QStringLiteral("room7@conference.chat.example"));
}

TEST_F(VisitorTest, LabelsAndAgents)
{
    struct Case { int state; const char *label; bool inChat, chatting, waiting; } cases[] = {
        {0, "Browsing", false, false, false},       {3, "Chat Invitation Sent", true, false, true},
        {6, "Chatting", true, true, false},         {8, "Requesting Chat", true, false, true},
        {10, "Chat Ended", false, false, false},    {12, "Chatting", true, true, false},
        {13, "", false, false, false},              {14, "Visitor", false, false, false},
        {15, "", false, false, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(CVisitor::StateLabel(c.state), QLatin1String(c.label)) << c.state;
        EXPECT_EQ(CVisitor::IsInChatState(c.state), c.inChat) << c.state;
        EXPECT_EQ(CVisitor::IsChattingState(c.state), c.chatting) << c.state;
        EXPECT_EQ(CVisitor::IsWaitingState(c.state), c.waiting) << c.state;
    }

    CContactList contacts;
    QVPlugin::ChatContact bob(Jid(QStringLiteral("bob@chat.example/desk")));
    bob.nick = QStringLiteral("Bob");
    contacts.Update(bob);
    auto v = Make("sid=1");
    v->ApplyInfo(Info({{"agents", "bob@chat.example,stranger@chat.example,agent@chat.example/other"}}));
    EXPECT_EQ(v->AgentsText(contacts, m_agent, QStringLiteral("Me")), QStringLiteral("Bob, Me"));
}
