// The live-chat plug-in on a bus with the XMPP plug-in, signed in to Prosody,
// and the chat-service simulator playing the service and a web visitor.

#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/Visitor.h"
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

// Creates a visitor from its first tracking data, as the router does.
class TrackedVisitors : public CTessaryPlugin::IVisitors
{
public:
    explicit TrackedVisitors(CTessaryPlugin &plugin) : m_plugin(plugin) {}
    CVisitor *FindVisitorByJid(const Jid &jid) override
    {
        for (auto &v : m_visitors)
            if (v->jid() == jid)
                return v.get();
        return nullptr;
    }
    CVisitor *FindVisitorById(const std::string &id) override
    {
        for (auto &v : m_visitors)
            if (v->id() == id)
                return v.get();
        return nullptr;
    }
    bool AnyVisitorWaiting() const override { return false; }
    void OnServerMessage(const ServerMessage &m) override
    {
        if (m.type == "qv-visitor-tracking" && !FindVisitorById(m.sessionId))
            m_visitors.push_back(std::make_unique<CVisitor>(
                std::make_unique<NameValueCollection>(QByteArray::fromStdString(m.text)), m_plugin.Self().jid));
    }

private:
    CTessaryPlugin &m_plugin;
    std::vector<std::unique_ptr<CVisitor>> m_visitors;
};

} // namespace

TEST(TessaryProsody, AccountDataAndAVisitorArriveAndTheAgentsReplyOpensTheChat)
{
    if (!ProsodyFixture::Installed())
        GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
    ProsodyFixture server;
    ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
    ChatServiceSimulator service({"127.0.0.1", server.Port(), server.Jid("sim"), server.PasswordOf("sim")});
    ASSERT_TRUE(service.Start()) << service.ErrorText().toStdString();

    // The plug-in's view keeps its window state in a scratch store.
    QTemporaryDir stateDir;
    CQVSettingsHelpers::SetStoreFile(stateDir.filePath("Quelvar.conf"));
    struct RestoreStore
    {
        ~RestoreStore() { CQVSettingsHelpers::SetStoreFile(QString()); }
    } restoreStore;
    xmpptest::WirlamBus bus;
    auto *plugin = new CTessaryPlugin;
    ASSERT_TRUE(bus.manager->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT));
    TrackedVisitors tracked(*plugin);
    plugin->SetVisitors(&tracked);
    ASSERT_TRUE(bus.SignIn(server));

    // Coming online, the plug-in asks for its quick texts: the service learns
    // the agent's address from that request.
    const auto fetch = service.ExpectIq("quelvar:data", 10000);
    ASSERT_TRUE(fetch);
    const std::string agent = fetch->findAttribute("from");

    visitors::Account account{"acc-9", "Ann <Agent>", "k", "", "http://127.0.0.1:1/qvx/", "", ""};
    service.Send(*visitors::NoticeStanza(agent, visitors::AccountData(account)));
    visitors::Page page{"http://shop.test/?a=1&b=2", "shop", "Shop & more", "", "p1", 0};
    service.Send(*visitors::NoticeStanza(agent, visitors::Tracking("v-7", "h7", "Vic", page)));
    ASSERT_TRUE(waitUntil([&] { return tracked.FindVisitorById("v-7") != nullptr; }, 10000));
    EXPECT_EQ(plugin->Self().nick, "Ann <Agent>");
    EXPECT_EQ(plugin->WebModuleUrl(), "http://127.0.0.1:1/qvx/");
    EXPECT_EQ(bus.manager->GetSetting(QStringLiteral("agent.account.id"), QVariant()).toString(), "acc-9");

    ChatMessage reply;
    reply.to = tracked.FindVisitorById("v-7")->jid();
    reply.body = QStringLiteral("Hello & welcome <b>");
    EXPECT_TRUE(plugin->SendAgentMessage(reply));
    const auto stanza = service.Expect(visitors::IsCommand("open-visitor-chat"), 10000);
    ASSERT_TRUE(stanza);
    const std::optional<visitors::Command> command = visitors::ReadCommand(*stanza);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->sessionId, "v-7");
    EXPECT_EQ(command->text, "Hello & welcome <b>");
    EXPECT_EQ(command->from, agent);
    EXPECT_FALSE(command->query);
}
