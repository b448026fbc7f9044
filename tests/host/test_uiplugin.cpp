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

class UIPlugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
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
    int Send(const QUuid &id, IMessage *in, IMessage *out = nullptr) { return bus->SendMessage(nullptr, id, in, out); }
    template <typename T>
    int SendValue(const QUuid &id, const T &value)
    {
        QVMessage<T> message(value);
        return Send(id, &message);
    }
    static std::vector<unsigned> CommandsOf(const AcceleratorTable &table, const QKeySequence &key)
    {
        std::vector<unsigned> ids;
        for (const AcceleratorEntry &entry : table) {
            if (entry.key == key)
                ids.push_back(entry.id);
        }
        return ids;
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

TEST_F(UIPlugin, ParentWindowsAndSkinSetting)
{
    EXPECT_EQ(frame.menu, DefaultFrameMenu()) << "the host's menu is shown from the start";
    EXPECT_EQ(frame.accelerators, DefaultFrameAccelerators());
    CProbePlugin *probe = AddProbe(QStringLiteral("A"), 1000, 12000);
    ASSERT_EQ(frame.pages.size(), 1u) << "the probe added its page through the plug-in";
    EXPECT_EQ(frame.pages.front()->parentWidget(), &frame.bar);

    const struct
    {
        const char *name;
        int result;
        QWidget *window;
    } names[] = {
        {"UI.ViewParentWnd", 1, &frame.view},
        {"UI.BarParentWnd", 1, &frame.bar},
        {"ui.viewparentwnd", 0, nullptr},
        {"server.address", 0, nullptr},
    };
    for (const auto &n : names) {
        MsgValue in(QLatin1String(n.name), QVariant());
        QVMessage<QVariant> out;
        EXPECT_EQ(bus->SendMessage(nullptr, MSG_GET_SETTING, &in, &out), n.result) << n.name;
        EXPECT_EQ(out.value.value<QWidget *>(), n.window) << n.name;
    }

    probe->heard.clear();
    MsgValue skin(QStringLiteral("ui.skin"), QStringLiteral("standard"));
    EXPECT_EQ(Send(MSG_SET_SETTING, &skin), RESULT_HANDLED_CONTINUE);
    EXPECT_TRUE(probe->heard.contains(QStringLiteral("SET_SETTING"))) << "the other plug-ins hear the skin change";
}

TEST_F(UIPlugin, MenuMessages)
{
    CProbePlugin *probe = AddProbe(QStringLiteral("A"), 1000, 12000);
    const int builds = frame.menuBuilds;

    const MenuSpec chat = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Chat"), {MenuSpec::Command(40000, "Run")})});
    EXPECT_EQ(SendValue(MSG_MENU_ADD, chat), 1);
    EXPECT_EQ(frame.menu.children[4].text, QStringLiteral("&Chat"));
    EXPECT_EQ(SendValue(MSG_MENU_ADD, chat), 1);
    EXPECT_EQ(frame.menuBuilds, builds + 1) << "a merge that changes nothing leaves the menu bar alone";
    EXPECT_EQ(SendValue(MSG_MENU_REPLACE, MenuSpec::Menu({})), -1);

    MenuItemRecord item;
    item.popupPath = QStringLiteral("&Chat");
    item.text = QStringLiteral("Stop");
    item.id = 40001;
    EXPECT_EQ(Send(MSG_MENU_INSERT_ITEM, &item), 1);
    EXPECT_EQ(frame.menu.children[4].children.back().id, 40001u);
    item.popupPath = QStringLiteral("&Nothing");
    EXPECT_EQ(Send(MSG_MENU_INSERT_ITEM, &item), -1);

    probe->heard.clear();
    EXPECT_EQ(SendValue(MSG_MENU_REMOVE_COMMAND, 40000u), 0) << "removed: the plug-ins hear it as well";
    EXPECT_EQ(probe->heard, QStringList{QStringLiteral("MENU_REMOVE_COMMAND")});
    EXPECT_EQ(frame.menu.children[4].children.size(), 1u);
    probe->heard.clear();
    EXPECT_EQ(SendValue(MSG_MENU_REMOVE_COMMAND, 40000u), 1) << "nothing to remove";
    EXPECT_TRUE(probe->heard.isEmpty());
}

TEST_F(UIPlugin, AcceleratorsReplaceAndRestore)
{
    CProbePlugin *a = AddProbe(QStringLiteral("A"), 1000, 12000);
    AddProbe(QStringLiteral("B"), 2000, 13000);
    const QKeySequence ctrlI(QStringLiteral("Ctrl+I"));
    const QKeySequence f2(QStringLiteral("F2"));
    a->accelerators = {{CmdSignIn, f2}};

    ASSERT_TRUE(ui->ActivateMode(1000));
    EXPECT_EQ(CommandsOf(frame.accelerators, f2), std::vector<unsigned>{CmdSignIn});
    EXPECT_TRUE(CommandsOf(frame.accelerators, ctrlI).empty()) << "the plug-in's key replaced the frame's";

    EXPECT_EQ(SendValue(MSG_ACCELERATORS_REMOVE, a->accelerators), 1);
    EXPECT_TRUE(CommandsOf(frame.accelerators, f2).empty());
    EXPECT_EQ(SendValue(MSG_ACCELERATORS_ADD, AcceleratorTable{}), 1);

    ASSERT_TRUE(ui->DeactivateMode());
    ASSERT_TRUE(ui->ActivateMode(2000));
    EXPECT_EQ(frame.accelerators, DefaultFrameAccelerators()) << "a mode change restores the frame's own";

    EXPECT_EQ(SendValue(MSG_ACCELERATORS_REMOVE, DefaultFrameAccelerators()), 1);
    EXPECT_TRUE(frame.accelerators.empty());
}

TEST_F(UIPlugin, ModeSwitchOrderAndVeto)
{
    CProbePlugin *a = AddProbe(QStringLiteral("A"), 1000, 12000);
    CProbePlugin *b = AddProbe(QStringLiteral("B"), 2000, 13000);
    a->menu = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Alpha"), {MenuSpec::Command(40000, "Run")})});
    b->menu = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Beta"), {MenuSpec::Command(40001, "Run")}),
                              MenuSpec::Popup(QStringLiteral("&Gamma"), {MenuSpec::Command(40002, "Run")})});
    EXPECT_TRUE(ui->DeactivateMode()) << "no mode yet: nothing to refuse";
    ASSERT_TRUE(ui->ActivateMode(1000));
    EXPECT_EQ(frame.menu.children[4].text, QStringLiteral("&Alpha"));

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
    EXPECT_EQ(ui->CurrentMode(), 2000);

    b->results[MSG_MODE_DEACTIVATE] = -1;
    EXPECT_FALSE(ui->DeactivateMode()) << "the owner refused";
    b->results[MSG_MODE_DEACTIVATE] = 1;
    EXPECT_TRUE(ui->DeactivateMode()) << "only a negative answer refuses";
    a->results[MSG_MODE_ACTIVATE] = -1;
    EXPECT_FALSE(ui->ActivateMode(1000));
}

TEST_F(UIPlugin, CommandsReachOnlyTheOwnerOfTheActiveMode)
{
    CProbePlugin *a = AddProbe(QStringLiteral("A"), 1000, 12000);
    CProbePlugin *b = AddProbe(QStringLiteral("B"), 2000, 13000);
    a->commands = {40000};
    b->commands = {40000};
    ASSERT_TRUE(ui->ActivateMode(2000));

    journal.clear();
    EXPECT_TRUE(ui->RouteCommand(40000, CommandExecute, nullptr, nullptr));
    EXPECT_EQ(journal, (QStringList{"A:COMMAND 40000 mode 2000 code 0", "B:COMMAND 40000 mode 2000 code 0",
                                    "B:ran 40000"}))
        << "A comes first in order but does not own the mode";

    EXPECT_FALSE(ui->RouteCommand(40001, CommandExecute, nullptr, nullptr)) << "the owner passes it on";
    CommandUpdate update(40000);
    EXPECT_TRUE(ui->RouteCommand(40000, CommandUpdateUi, &update, nullptr));
    EXPECT_EQ(update.Enabled(), std::optional<bool>(true));

    a->results[MSG_QUERY_CLOSE] = 1;
    EXPECT_FALSE(ui->QueryClose());
    a->results.erase(MSG_QUERY_CLOSE);
    EXPECT_TRUE(ui->QueryClose());
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

TEST_F(UIPlugin, ViewsPresenceAlertsAndErrors)
{
    AddProbe(QStringLiteral("A"), 1000, 12000);
    AddProbe(QStringLiteral("B"), 2000, 13000);
    auto *viewA = frame.view.findChild<QWidget *>(QStringLiteral("AView"));
    auto *viewB = frame.view.findChild<QWidget *>(QStringLiteral("BView"));
    ASSERT_TRUE(viewA && viewB);
    EXPECT_EQ(SendValue<QWidget *>(MSG_SHOW_VIEW, viewB), 1);
    EXPECT_FALSE(viewA->isVisibleTo(&frame.view));
    EXPECT_TRUE(viewB->isVisibleTo(&frame.view));
    EXPECT_EQ(SendValue<QWidget *>(MSG_SHOW_VIEW, nullptr), -1);

    MsgAddWindow none;
    EXPECT_EQ(Send(MSG_ADD_BAR_PANE, &none), -1);
    EXPECT_EQ(Send(MSG_ADD_VIEW, &none), -1);

    EXPECT_EQ(SendValue(MSG_PRESENCE_STATE, PresenceConnecting), RESULT_HANDLED_CONTINUE);
    EXPECT_EQ(frame.state, int(PresenceConnecting));

    AlertInfo alert;
    alert.kind = 2;
    EXPECT_EQ(Send(MSG_ALERT, &alert), 1);
    EXPECT_EQ(SendValue(MSG_SET_FLASHING, true), 1);
    EXPECT_EQ(frame.alerts, std::vector<int>{2});
    EXPECT_EQ(frame.flashing, std::vector<bool>{true});

    EXPECT_EQ(SendValue(MSG_SHOW_ERROR, QStringLiteral("<b>Not bold</b>")), 1);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, QStringLiteral("<b>Not bold</b>"));
    EXPECT_EQ(prompts[0].icon, QMessageBox::Critical);
}
