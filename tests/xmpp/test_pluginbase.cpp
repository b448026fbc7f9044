#include "FakeHost.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/PluginBase.h"

#include <QDomDocument>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace QVPlugin;
using xmpptest::FakeHost;

namespace {

constexpr int kOwnMode = 10000;
constexpr int kForeignMode = 14000;
constexpr QUuid kTestPluginId{0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA, 0xB};

// Records the overridable operations it hears and answers as scripted.
class TestPlugin : public CPluginBase
{
public:
    // lastCalls receives the journal when the plug-in is deleted.
    explicit TestPlugin(QStringList *lastCalls = nullptr)
        : CPluginBase(11000, [](unsigned id) { return QStringLiteral("text %1").arg(id); }), m_lastCalls(lastCalls)
    {
        m_modes.push_back(kOwnMode);
    }
    ~TestPlugin() override
    {
        if (m_lastCalls)
            *m_lastCalls = calls << QStringLiteral("deleted");
    }

    using CPluginBase::m_barIcon;

    const QUuid *GetId() const override { return &kTestPluginId; }
    bool OnLoad() override { return note("load"), loadResult; }
    void OnUnload() override
    {
        note("unload");
        CPluginBase::OnUnload();
    }
    void OnRelease() override { note("release"); }
    void OnModeActivate(int mode) override
    {
        note("activate", mode);
        CPluginBase::OnModeActivate(mode);
    }
    void OnModeDeactivate(int mode) override { note("deactivate", mode); }
    void OnSettingChanged(const QString &key, const QVariant &value) override
    {
        calls << QStringLiteral("changed %1=%2").arg(key, value.toString());
    }
    int OnGetValue(const QString &key, QVariant *out, const QVariant &) override
    {
        calls << QStringLiteral("get %1").arg(key);
        *out = QStringLiteral("answered");
        return getValueResult;
    }
    void BuildSettingsLayout(QDomDocument *) override { note("layout"); }
    int OnCommand(unsigned id) override { return note("command", int(id)), commandResult; }
    int OnUpdateCommand(CommandUpdate *update) override
    {
        note("update", int(update->Id()));
        return updateResult;
    }
    bool CanExit() override { return note("canexit"), canExit; }
    void OnConnected() override { note("connected"); }
    void OnDisconnected() override { note("disconnected"); }

    void note(const char *what, int arg = -1)
    {
        calls << (arg < 0 ? QString::fromLatin1(what) : QStringLiteral("%1 %2").arg(QLatin1String(what)).arg(arg));
    }

    QStringList calls;
    bool loadResult = true;
    bool canExit = true;
    int getValueResult = 0;
    int commandResult = 0;
    int updateResult = 0;

private:
    QStringList *m_lastCalls;
};

struct PluginDeleter
{
    void operator()(TestPlugin *p) const { p->Release(); }
};
using PluginPtr = std::unique_ptr<TestPlugin, PluginDeleter>;

PluginPtr MakePlugin(FakeHost &host)
{
    PluginPtr p(new TestPlugin);
    EXPECT_TRUE(p->Initialize(&host));
    p->calls.clear();
    return p;
}

} // namespace

TEST(PluginBase, CommonMessageTable)
{
    QDomDocument doc;
    struct Case
    {
        const char *name;
        QUuid id;
        std::function<std::unique_ptr<IMessage>()> in;
        std::function<void(TestPlugin &)> script;
        int result;
        QStringList calls;
        bool modeActiveAfter;
    };
    auto mode = [](int m) { return [m] { return std::make_unique<QVMessage<int>>(m); }; };
    auto command = [](int m) { return [m] { return std::make_unique<CmdMsgDetails>(m, 32800, CommandExecute); }; };
    auto none = [] { return std::unique_ptr<IMessage>(); };
    auto nothing = [](TestPlugin &) {};
    const Case cases[] = {
        {"activate owned", MSG_MODE_ACTIVATE, mode(kOwnMode), nothing, 2, {"activate 10000"}, true},
        {"activate foreign", MSG_MODE_ACTIVATE, mode(kForeignMode), nothing, 0, {}, false},
        {"deactivate owned", MSG_MODE_DEACTIVATE, mode(kOwnMode), [](TestPlugin &p) { p.OnMessage(MSG_MODE_ACTIVATE, std::make_unique<QVMessage<int>>(kOwnMode).get(), nullptr); p.calls.clear(); }, 2, {"deactivate 10000"}, false},
        {"deactivate foreign keeps active", MSG_MODE_DEACTIVATE, mode(kForeignMode), [](TestPlugin &p) { p.OnMessage(MSG_MODE_ACTIVATE, std::make_unique<QVMessage<int>>(kOwnMode).get(), nullptr); p.calls.clear(); }, 0, {}, true},
        {"command of owned mode", MSG_COMMAND, command(kOwnMode), [](TestPlugin &p) { p.commandResult = 7; }, 7, {"command 32800"}, false},
        {"command of foreign mode", MSG_COMMAND, command(kForeignMode), [](TestPlugin &p) { p.commandResult = 7; }, 0, {}, false},
        {"settings layout", MSG_BUILD_SETTINGS_LAYOUT, [&doc] { return std::make_unique<QVMessage<QDomDocument *>>(&doc); }, nothing, 2, {"layout"}, false},
        {"setting changed", MSG_SET_SETTING, [] { return std::make_unique<MsgValue>(QStringLiteral("agent.nick"), QStringLiteral("Ann")); }, nothing, 2, {"changed agent.nick=Ann"}, false},
        {"query close, may exit", MSG_QUERY_CLOSE, none, nothing, 0, {"canexit"}, false},
        {"query close, refuses", MSG_QUERY_CLOSE, none, [](TestPlugin &p) { p.canExit = false; }, 1, {"canexit"}, false},
        {"connected", MSG_CONNECTED, none, nothing, 2, {"connected"}, false},
        {"disconnected", MSG_DISCONNECTED, none, nothing, 2, {"disconnected"}, false},
        {"unknown message", MSG_LOGIN, none, nothing, 0, {}, false},
    };
    for (const Case &c : cases) {
        FakeHost host;
        PluginPtr p = MakePlugin(host);
        c.script(*p);
        auto in = c.in();
        EXPECT_EQ(p->OnMessage(c.id, in.get(), nullptr), c.result) << c.name;
        EXPECT_EQ(p->calls, c.calls) << c.name;
        EXPECT_EQ(p->IsModeActive(), c.modeActiveAfter) << c.name;
    }
}

TEST(PluginBase, GetValueTakesTheOutValueOnlyForResultsOfOneOrMore)
{
    for (int result : {-1, 0, 1, 2}) {
        FakeHost host;
        host.onSend = [result](const QUuid &id, IMessage *in, IMessage *out) {
            EXPECT_EQ(id, MSG_GET_SETTING);
            auto *request = static_cast<MsgValue *>(in);
            auto *answer = static_cast<QVMessage<QVariant> *>(out);
            EXPECT_EQ(request->name, QStringLiteral("server.address"));
            EXPECT_EQ(answer->value, request->value) << "out starts as the default";
            answer->value = QStringLiteral("changed");
            return result;
        };
        PluginPtr p = MakePlugin(host);
        const QString expected = result >= 1 ? QStringLiteral("changed") : QStringLiteral("default");
        EXPECT_EQ(p->GetValue(QStringLiteral("server.address"), QStringLiteral("default")).toString(), expected)
            << "result " << result;
    }
}

TEST(PluginBase, LifecycleCallsTheOverridablesInOrder)
{
    QStringList calls;
    auto *p = new TestPlugin(&calls);
    EXPECT_EQ(p->GetName(), QStringLiteral("text 11000"));
    EXPECT_EQ(p->GetDescription(), QStringLiteral("text 11001"));
    EXPECT_EQ(p->GetVersion(), 1000);
    EXPECT_FALSE(p->Initialize(nullptr));
    EXPECT_TRUE(p->calls.isEmpty());

    FakeHost host;
    p->loadResult = false;
    EXPECT_FALSE(p->Initialize(&host));
    p->loadResult = true;
    EXPECT_TRUE(p->Initialize(&host));
    p->Uninitialize();
    p->Release();
    EXPECT_EQ(calls, QStringList({"load", "unload", "load", "unload", "release", "deleted"}));
}

namespace {

// A plug-in window that takes the commands it is given.
class CommandWindow : public QWidget, public ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    explicit CommandWindow(QString name, std::set<unsigned> takes = {}) : m_name(std::move(name)), m_takes(std::move(takes)) {}

    bool OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *) override
    {
        asked << QStringLiteral("%1 %2/%3").arg(m_name).arg(id).arg(code);
        if (!m_takes.count(id))
            return false;
        if (update)
            update->Enable(false);
        return true;
    }

    static QStringList asked;

private:
    QString m_name;
    std::set<unsigned> m_takes;
};
QStringList CommandWindow::asked;

// A host with shown parent windows that accepts every view and bar pane.
struct WindowHost
{
    WindowHost()
    {
        viewParent.resize(400, 300);
        viewParent.show();
        barParent.show();
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *out) {
            if (id == MSG_GET_SETTING) {
                const bool view = static_cast<MsgValue *>(in)->name == QLatin1String("UI.ViewParentWnd");
                static_cast<QVMessage<QVariant> *>(out)->value = QVariant::fromValue<QWidget *>(view ? &viewParent : &barParent);
                return 1;
            }
            if (id == MSG_ADD_BAR_PANE || id == MSG_ADD_VIEW) {
                added.push_back(static_cast<MsgAddWindow *>(in)->window);
                return addResult;
            }
            if (id == MSG_SHOW_VIEW)
                shown = static_cast<QVMessage<QWidget *> *>(in)->value;
            if (id == MSG_REMOVE_BAR_PANE || id == MSG_REMOVE_VIEW)
                removed.push_back(static_cast<QVMessage<QWidget *> *>(in)->value);
            return 1;
        };
    }

    QWidget viewParent, barParent;
    FakeHost host;
    int addResult = 1;
    std::vector<QPointer<QWidget>> added;
    std::vector<QWidget *> removed;
    QWidget *shown = nullptr;
};

} // namespace

TEST(PluginBase, WindowsAreRegisteredShownAndRemoved)
{
    WindowHost wh;
    PluginPtr p = MakePlugin(wh.host);
    p->m_barIcon = QIcon(QPixmap(16, 16));

    auto *bar = new QWidget;
    auto *view = new QWidget;
    ASSERT_TRUE(p->AddBarPane(bar, QStringLiteral("Chat")));
    ASSERT_TRUE(p->AddView(view, QStringLiteral("Visitors")));
    EXPECT_EQ(bar->parentWidget(), &wh.barParent);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->windowTitle(), QStringLiteral("Chat"));
    EXPECT_EQ(ModeIdOf(bar), kOwnMode);
    EXPECT_EQ(view->parentWidget(), &wh.viewParent);
    EXPECT_EQ(view->geometry(), wh.viewParent.rect());

    MsgAddWindow *barMsg = nullptr;
    wh.host.onSend = [&, inner = wh.host.onSend](const QUuid &id, IMessage *in, IMessage *out) {
        if (id == MSG_ADD_BAR_PANE) {
            barMsg = static_cast<MsgAddWindow *>(in);
            EXPECT_FALSE(barMsg->icon.isNull());
            EXPECT_FALSE(barMsg->smallIcon.isNull());
        }
        return inner(id, in, out);
    };

    // A refused pane is deleted.
    wh.addResult = -1;
    QPointer<QWidget> refused = new QWidget;
    EXPECT_FALSE(p->AddBarPane(refused, QStringLiteral("No")));
    EXPECT_NE(barMsg, nullptr);
    EXPECT_TRUE(refused.isNull());
    wh.addResult = 1;

    // Activating the mode shows the first view.
    QVMessage<int> mode(kOwnMode);
    p->OnMessage(MSG_MODE_ACTIVATE, &mode, nullptr);
    EXPECT_EQ(wh.shown, view);

    // Unloading removes bar panes first, then views, and destroys them.
    QPointer<QWidget> barGuard(bar), viewGuard(view);
    p->Uninitialize();
    EXPECT_EQ(wh.removed, (std::vector<QWidget *>{bar, view}));
    EXPECT_TRUE(barGuard.isNull());
    EXPECT_TRUE(viewGuard.isNull());
    EXPECT_TRUE(p->BarWindows().empty());
    EXPECT_TRUE(p->ViewWindows().empty());
}

TEST(PluginBase, WindowWithoutParentIsNotAdded)
{
    FakeHost host; // no parent windows, though it would accept the view
    host.results[MSG_ADD_VIEW] = 1;
    PluginPtr p = MakePlugin(host);
    QPointer<QWidget> w = new QWidget;
    EXPECT_FALSE(p->AddView(w, QStringLiteral("View")));
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(host.sent.size() == 1 && host.sent[0].id == MSG_GET_SETTING) << "nothing sent but the parent read";
}

TEST(PluginBase, CommandsGoToThePluginThenTheFirstVisibleViewThenBar)
{
    struct Case
    {
        const char *name;
        int code;
        bool withUpdate;
        int ownResult;                  // of OnCommand or OnUpdateCommand
        std::vector<bool> viewsVisible; // views "v0", "v1"...
        std::set<unsigned> viewTakes;
        bool barVisible;
        std::set<unsigned> barTakes;
        int result;
        QStringList asked;
    };
    const unsigned id = 32800;
    const Case cases[] = {
        {"plug-in runs it", CommandExecute, false, 5, {true}, {id}, true, {id}, 5, {}},
        {"hidden view skipped", CommandExecute, false, 0, {false, true}, {id}, true, {id}, 1, {"v1 32800/0"}},
        {"only the first visible view is asked", CommandExecute, false, 0, {true, true}, {}, true, {id}, 1,
         {"v0 32800/0", "bar 32800/0"}},
        {"hidden bar skipped", CommandExecute, false, 0, {true}, {}, false, {id}, 2, {"v0 32800/0"}},
        {"nobody takes it", CommandExecute, false, 0, {}, {}, false, {}, 2, {}},
        {"update by the plug-in", CommandUpdateUi, true, 1, {true}, {id}, true, {}, 1, {}},
        {"update by a view", CommandUpdateUi, true, 0, {true}, {id}, true, {}, 1, {"v0 32800/-1"}},
        {"probe answered like an update", CommandExecute, true, 0, {true}, {id}, true, {}, 1, {"v0 32800/0"}},
    };
    for (const Case &c : cases) {
        WindowHost wh;
        PluginPtr p = MakePlugin(wh.host);
        for (size_t i = 0; i < c.viewsVisible.size(); ++i) {
            auto *v = new CommandWindow(QStringLiteral("v%1").arg(i), c.viewTakes);
            ASSERT_TRUE(p->AddView(v, QString()));
            v->setVisible(c.viewsVisible[i]);
        }
        auto *bar = new CommandWindow(QStringLiteral("bar"), c.barTakes);
        ASSERT_TRUE(p->AddBarPane(bar, QString()));
        bar->setVisible(c.barVisible);
        p->commandResult = p->updateResult = c.ownResult;
        p->calls.clear();
        CommandWindow::asked.clear();

        CommandUpdate update(id);
        CmdMsgDetails details(kOwnMode, id, c.code, c.withUpdate ? &update : nullptr);
        EXPECT_EQ(p->OnMessage(MSG_COMMAND, &details, nullptr), c.result) << c.name;
        EXPECT_EQ(CommandWindow::asked, c.asked) << c.name;
        const QString own = c.withUpdate ? QStringLiteral("update 32800") : QStringLiteral("command 32800");
        EXPECT_EQ(p->calls, QStringList{own}) << c.name;
        if (c.withUpdate && !c.asked.isEmpty()) {
            EXPECT_EQ(update.Enabled(), std::optional<bool>(false)) << c.name;
        }
    }
}

#include "test_pluginbase.moc"
