#include "FakeFrame.h"
#include "ProbePlugin.h"

#include "bus/Manager.h"
#include "host/FrameDefaults.h"
#include "host/UIPlugin.h"
#include "shared/Prompt.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace QVPlugin;
using namespace hosttest;

namespace {

// The user-interface plug-in on a real bus, over a recording frame.
class UIPlugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        bus = std::make_unique<CManager>(m_dir.path());
        bus->SetPreDispatchHandler(nullptr);
        ui = new CUIPlugin(&frame);
        ASSERT_TRUE(bus->AddPlugin(ui, PLUGIN_ORDER_UI));
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.push_back(request);
            return QMessageBox::Ok;
        });
    }
    void TearDown() override
    {
        bus.reset();
        CPrompt::SetHandler({});
    }

    CProbePlugin *AddProbe(const QString &name, int mode, int key)
    {
        auto *probe = new CProbePlugin(name, mode, &journal);
        EXPECT_TRUE(bus->AddPlugin(probe, key));
        return probe;
    }
    template <typename T>
    int SendValue(const QUuid &id, const T &value)
    {
        QVMessage<T> message(value);
        return bus->SendMessage(nullptr, id, &message, nullptr);
    }

    QStringList journal;
    FakeFrame frame{&journal};
    std::vector<PromptRequest> prompts;
    std::unique_ptr<CManager> bus;
    CUIPlugin *ui = nullptr;

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(UIPlugin, MenuAndSkinMessages)
{
    CProbePlugin *probe = AddProbe(QStringLiteral("A"), 1000, 12000);
    const int builds = frame.menuBuilds;
    const MenuSpec chat = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Chat"), {MenuSpec::Command(40000, "Run")})});
    EXPECT_EQ(SendValue(MSG_MENU_ADD, chat), 1);
    EXPECT_EQ(SendValue(MSG_MENU_ADD, chat), 1);
    EXPECT_EQ(frame.menuBuilds, builds + 1) << "a merge that changes nothing leaves the menu bar alone";
    EXPECT_EQ(SendValue(MSG_MENU_REPLACE, MenuSpec::Menu({})), -1);

    MenuItemRecord item;
    item.popupPath = QStringLiteral("&Chat");
    item.text = QStringLiteral("Stop");
    item.id = 40001;
    EXPECT_EQ(bus->SendMessage(nullptr, MSG_MENU_INSERT_ITEM, &item, nullptr), 1);
    EXPECT_EQ(frame.menu.children[4].children.back().id, 40001u);

    probe->heard.clear();
    EXPECT_EQ(SendValue(MSG_MENU_REMOVE_COMMAND, 40000u), 0) << "removed: the plug-ins hear it as well";
    EXPECT_EQ(probe->heard, QStringList{QStringLiteral("MENU_REMOVE_COMMAND")});
    EXPECT_EQ(SendValue(MSG_MENU_REMOVE_COMMAND, 40000u), 1) << "nothing left to remove";

    probe->heard.clear();
    MsgValue skin(QStringLiteral("ui.skin"), QStringLiteral("standard"));
    EXPECT_EQ(bus->SendMessage(nullptr, MSG_SET_SETTING, &skin, nullptr), RESULT_HANDLED_CONTINUE);
    EXPECT_EQ(probe->heard, QStringList{QStringLiteral("SET_SETTING")}) << "a skin change reaches the plug-ins too";
}

TEST_F(UIPlugin, ModeSwitchOrderAndVeto)
{
    CProbePlugin *a = AddProbe(QStringLiteral("A"), 1000, 12000);
    CProbePlugin *b = AddProbe(QStringLiteral("B"), 2000, 13000);
    a->menu = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Alpha"), {MenuSpec::Command(40000, "Run")})});
    a->accelerators = {{CmdSignIn, QKeySequence(QStringLiteral("F2"))}};
    b->menu = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Beta"), {MenuSpec::Command(40001, "Run")}),
                              MenuSpec::Popup(QStringLiteral("&Gamma"), {MenuSpec::Command(40002, "Run")})});
    EXPECT_TRUE(ui->DeactivateMode()) << "no mode yet: nothing to refuse";
    ASSERT_TRUE(ui->ActivateMode(1000));
    EXPECT_EQ(frame.menu.children[4].text, QStringLiteral("&Alpha"));
    EXPECT_EQ(frame.accelerators, MergeAccelerators(DefaultFrameAccelerators(), a->accelerators));

    journal.clear();
    const int builds = frame.menuBuilds;
    ASSERT_TRUE(ui->DeactivateMode());
    ASSERT_TRUE(ui->ActivateMode(2000));
    // What the frame did, and the mode messages each owner heard.
    QStringList order;
    for (const QString &entry : journal) {
        if (entry.startsWith(QLatin1String("frame:")) || entry == QLatin1String("A:MODE_DEACTIVATE 1000") ||
            entry == QLatin1String("B:MODE_ACTIVATE 2000"))
            order << entry;
    }
    const QStringList expected = {
        "frame:save Mode-1000", "A:MODE_DEACTIVATE 1000", "frame:redraw off", "frame:load Mode-2000",
        "B:MODE_ACTIVATE 2000", "frame:menu",             "frame:save Mode-2000", "frame:redraw on",
    };
    EXPECT_EQ(order, expected);
    EXPECT_EQ(frame.menuBuilds, builds + 1) << "the owner's two menus are applied at once";
    EXPECT_EQ(frame.menu.children[4].text, QStringLiteral("&Beta")) << "A's menu went with its mode";
    EXPECT_EQ(frame.menu.children[5].text, QStringLiteral("&Gamma"));
    EXPECT_EQ(frame.accelerators, DefaultFrameAccelerators()) << "and so did its keys";

    b->results[MSG_MODE_DEACTIVATE] = -1;
    EXPECT_FALSE(ui->DeactivateMode()) << "the owner refused";
    b->results[MSG_MODE_DEACTIVATE] = 1;
    EXPECT_TRUE(ui->DeactivateMode()) << "only a negative answer refuses";
    a->results[MSG_MODE_ACTIVATE] = -1;
    EXPECT_FALSE(ui->ActivateMode(1000));
}

TEST_F(UIPlugin, ConnectionErrors)
{
    const struct
    {
        int code;
        bool retry;
        bool box;
    } cases[] = {{8, true, false}, {10, false, true}, {3, false, false}};
    for (const auto &c : cases) {
        frame.lost.clear();
        prompts.clear();
        EXPECT_EQ(SendValue(MSG_CONNECTION_ERROR, c.code), 1) << c.code;
        EXPECT_EQ(frame.lost, std::vector<bool>{c.retry}) << c.code;
        ASSERT_EQ(prompts.size(), c.box ? 1u : 0u) << c.code;
        if (c.box) {
            EXPECT_EQ(prompts[0].caption, QStringLiteral("Error"));
            EXPECT_EQ(prompts[0].icon, QMessageBox::Critical);
            EXPECT_EQ(prompts[0].text, QStringLiteral("An error occurred while connecting to the server.  Check your "
                                                      "network connection.  Verify your firewall allows an outgoing "
                                                      "connection on port 5222."));
        }
    }
}
