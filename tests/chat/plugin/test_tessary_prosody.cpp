// The live-chat plug-in and its visitor monitor on a bus with the XMPP
// plug-in, signed in to Prosody, and the chat-service simulator playing the
// service and a web visitor.

#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/ui/SitePathListCtrl.h"
#include "plugins/chat/ui/TessaryView.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "skins/QVSettingsHelpers.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/VisitorScript.h"
#include "tests/xmpp/WirlamBus.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace QVPlugin;
using harness::ChatServiceSimulator;
using harness::ProsodyFixture;
namespace visitors = harness::visitors;

class TessaryProsody : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        service = std::make_unique<ChatServiceSimulator>(
            ChatServiceSimulator::Config{"127.0.0.1", server.Port(), server.Jid("sim"), server.PasswordOf("sim")});
        ASSERT_TRUE(service->Start()) << service->ErrorText().toStdString();

        // The view keeps its window state in a scratch store.
        CQVSettingsHelpers::SetStoreFile(stateDir.filePath("Quelvar.conf"));
        bus = std::make_unique<xmpptest::WirlamBus>();
        plugin = new CTessaryPlugin;
        ASSERT_TRUE(bus->manager->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT));
        ASSERT_EQ(plugin->ViewWindows().size(), 1u);
        view = qobject_cast<CTessaryView *>(plugin->ViewWindows()[0].data());
        ASSERT_TRUE(view);
        ASSERT_TRUE(bus->SignIn(server));

        // Coming online, the plug-in asks for its quick texts: the service
        // learns the agent's address from that request.
        const auto fetch = service->ExpectIq("quelvar:data", 10000);
        ASSERT_TRUE(fetch);
        agent = fetch->findAttribute("from");
    }
    void TearDown() override
    {
        bus.reset();
        CQVSettingsHelpers::SetStoreFile(QString());
    }

    void Send(const visitors::Notice &notice) { service->Send(*visitors::NoticeStanza(agent, notice)); }
    CVisitorListModel &List() const { return *view->List()->Model(); }

    ProsodyFixture server;
    std::unique_ptr<ChatServiceSimulator> service;
    QTemporaryDir stateDir;
    std::unique_ptr<xmpptest::WirlamBus> bus;
    CTessaryPlugin *plugin = nullptr; // owned by the manager
    CTessaryView *view = nullptr;     // owned by the plug-in's view parent
    std::string agent;
};

} // namespace

TEST_F(TessaryProsody, AccountDataAndAVisitorArriveAndTheAgentsReplyOpensTheChat)
{
    visitors::Account account{"acc-9", "Ann <Agent>", "k", "", "http://127.0.0.1:1/qvx/", "", ""};
    Send(visitors::AccountData(account));
    visitors::Page page{"http://shop.test/?a=1&b=2", "shop", "Shop & more", "", "p1", 0};
    Send(visitors::Tracking("v-7", "h7", "Vic", page));
    ASSERT_TRUE(waitUntil([&] { return view->FindVisitorById("v-7") != nullptr; }, 10000));
    EXPECT_EQ(plugin->Self().nick, "Ann <Agent>");
    EXPECT_EQ(plugin->WebModuleUrl(), "http://127.0.0.1:1/qvx/");
    EXPECT_EQ(bus->manager->GetSetting(QStringLiteral("agent.account.id"), QVariant()).toString(), "acc-9");

    ChatMessage reply;
    reply.to = view->FindVisitorById("v-7")->jid();
    reply.body = QStringLiteral("Hello & welcome <b>");
    EXPECT_TRUE(plugin->SendAgentMessage(reply));
    const auto stanza = service->Expect(visitors::IsCommand("open-visitor-chat"), 10000);
    ASSERT_TRUE(stanza);
    const std::optional<visitors::Command> command = visitors::ReadCommand(*stanza);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->sessionId, "v-7");
    EXPECT_EQ(command->text, "Hello & welcome <b>");
    EXPECT_EQ(command->from, agent);
    EXPECT_FALSE(command->query);
}

TEST_F(TessaryProsody, TheListFollowsAVisitorWhoWalksAsksForAChatAndLeaves)
{
    const visitors::Page pages[] = {
        {"http://shop.test/", "home", "Home", "http://search.test/?q=a&b", "p1", 0},
        {"http://shop.test/boots", "boots", "Boots <new>", "http://shop.test/", "p2", 0},
        {"http://shop.test/cart?x=1", "cart", "Cart & pay", "http://shop.test/boots", "p3", 0},
    };
    const auto walked = [&](size_t count) {
        const CVisitor *v = view->FindVisitorById("v-1");
        return v && v->Tracking().size() == count;
    };
    for (size_t i = 0; i < std::size(pages); ++i) {
        Send(visitors::Tracking("v-1", "h1", "Vera", pages[i]));
        ASSERT_TRUE(waitUntil([&] { return walked(i + 1); }, 10000)) << i;
    }
    ASSERT_EQ(List().rowCount(), 1);
    ASSERT_EQ(List().RowOf("v-1"), 0);
    const auto cell = [&](int column) { return List().index(0, column).data().toString(); };
    EXPECT_EQ(cell(CVisitorListModel::ColumnVisitor), "Vera");
    EXPECT_EQ(cell(CVisitorListModel::ColumnStatus), "Browsing");
    EXPECT_EQ(cell(CVisitorListModel::ColumnPageTitle), "Cart & pay");
    EXPECT_EQ(cell(CVisitorListModel::ColumnCurrentPage), "http://shop.test/cart?x=1");
    EXPECT_EQ(List().ImageAt(0), CVisitorListModel::ImageBrowsing);

    // The site path: one row per page, oldest first, as the service sent it.
    CSitePathListCtrl path([](const QString &, const QString &fallback) { return fallback; });
    path.Fill(view->FindVisitorById("v-1"));
    ASSERT_EQ(path.Model()->rowCount(), int(std::size(pages)));
    for (int row = 0; row < int(std::size(pages)); ++row) {
        const auto text = [&](int column) { return path.Model()->index(row, column).data().toString(); };
        EXPECT_EQ(text(CSitePathModel::ColumnPage).toStdString(), pages[row].url) << row;
        EXPECT_EQ(text(CSitePathModel::ColumnTitle).toStdString(), pages[row].title) << row;
        EXPECT_EQ(text(CSitePathModel::ColumnReferrer).toStdString(), pages[row].referrer) << row;
        EXPECT_FALSE(text(CSitePathModel::ColumnTimeAccessed).isEmpty()) << row;
    }

    Send(visitors::StateChange("v-1", CVisitor::StateRequestingChat));
    ASSERT_TRUE(waitUntil([&] { return cell(CVisitorListModel::ColumnStatus) == "Requesting Chat"; }, 10000));
    EXPECT_GE(List().ImageAt(0), CVisitorListModel::ImageRequestingFirst);
    EXPECT_LE(List().ImageAt(0), CVisitorListModel::ImageRequestingLast);

    Send(visitors::StateChange("v-1", CVisitor::StateLeft));
    ASSERT_TRUE(waitUntil([&] { return List().rowCount() == 0; }, 10000));
    EXPECT_FALSE(view->FindVisitorById("v-1"));
}
