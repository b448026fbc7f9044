// The plug-in base class against a fake host: the common-message table, the
// configuration read, the life cycle, the windows and the command routing.

#include "FakeHost.h"

#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/PluginBase.h"

#include <QDomDocument>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

using namespace QVPlugin;
using xmpptest::FakeHost;

namespace {

constexpr int kOwnMode = 10000;
constexpr int kForeignMode = 14000;
constexpr unsigned kCommand = 32800;
constexpr QUuid kTestPluginId{0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0xA, 0xB};

// Writes down the overridable operations it hears and answers as scripted.
class TestPlugin : public CPluginBase
{
public:
    TestPlugin() : CPluginBase(11000, [](unsigned id) { return QStringLiteral("text %1").arg(id); })
    {
        m_modes.push_back(kOwnMode);
    }
    ~TestPlugin() override { if (lastCalls) *lastCalls = calls << "deleted"; }

    using CPluginBase::m_barIcon;

    const QUuid *GetId() const override { return &kTestPluginId; }
    bool OnLoad() override { return calls << "load", loadResult; }
    void OnUnload() override { calls << "unload"; CPluginBase::OnUnload(); }
    void OnRelease() override { calls << "release"; }
    void OnModeActivate(int m) override { calls << "activate " + QString::number(m); CPluginBase::OnModeActivate(m); }
    void OnModeDeactivate(int mode) override { calls << "deactivate " + QString::number(mode); }
    void OnSettingChanged(const QString &key, const QVariant &v) override { calls << key + "=" + v.toString(); }
    void BuildSettingsLayout(QDomDocument *) override { calls << "layout"; }
    int OnCommand(unsigned id) override { return calls << "command " + QString::number(id), ownResult; }
    int OnUpdateCommand(CommandUpdate *u) override { return calls << "update " + QString::number(u->Id()), ownResult; }
    bool CanExit() override { return calls << "canexit", canExit; }
    void OnConnected() override { calls << "connected"; }
    void OnDisconnected() override { calls << "disconnected"; }

    QStringList calls;
    QStringList *lastCalls = nullptr; // gets the calls when the plug-in is deleted
    bool loadResult = true;
    bool canExit = true;
    int ownResult = 0; // of OnCommand and OnUpdateCommand
};

using PluginPtr = std::unique_ptr<TestPlugin, decltype([](TestPlugin *p) { p->Release(); })>;

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
    QVMessage<int> own(kOwnMode), foreign(kForeignMode);
    CmdMsgDetails ownCommand(kOwnMode, kCommand, CommandExecute);
    CmdMsgDetails foreignCommand(kForeignMode, kCommand, CommandExecute);
    QVMessage<QDomDocument *> layout(&doc);
    MsgValue setting(QStringLiteral("agent.nick"), QStringLiteral("Ann"));
    const struct
    {
        const char *name;
        QUuid id;
        IMessage *in;
        bool activeBefore, canExit;
        int result;
        QStringList calls;
        bool activeAfter;
    } cases[] = {
        {"activate owned", MSG_MODE_ACTIVATE, &own, false, true, 2, {"activate 10000"}, true},
        {"activate foreign", MSG_MODE_ACTIVATE, &foreign, false, true, 0, {}, false},
        {"deactivate owned", MSG_MODE_DEACTIVATE, &own, true, true, 2, {"deactivate 10000"}, false},
        {"deactivate foreign keeps active", MSG_MODE_DEACTIVATE, &foreign, true, true, 0, {}, true},
        {"command of owned mode", MSG_COMMAND, &ownCommand, false, true, 7, {"command 32800"}, false},
        {"command of foreign mode", MSG_COMMAND, &foreignCommand, false, true, 0, {}, false},
        {"settings layout", MSG_BUILD_SETTINGS_LAYOUT, &layout, false, true, 2, {"layout"}, false},
        {"setting changed", MSG_SET_SETTING, &setting, false, true, 2, {"agent.nick=Ann"}, false},
        {"query close, may exit", MSG_QUERY_CLOSE, nullptr, false, true, 0, {"canexit"}, false},
        {"query close, refuses", MSG_QUERY_CLOSE, nullptr, false, false, 1, {"canexit"}, false},
        {"connected", MSG_CONNECTED, nullptr, false, true, 2, {"connected"}, false},
        {"disconnected", MSG_DISCONNECTED, nullptr, false, true, 2, {"disconnected"}, false},
        {"unknown message", MSG_LOGIN, nullptr, false, true, 0, {}, false},
    };
    for (const auto &c : cases) {
        FakeHost host;
        PluginPtr p = MakePlugin(host);
        if (c.activeBefore)
            p->OnMessage(MSG_MODE_ACTIVATE, &own, nullptr);
        p->calls.clear();
        p->canExit = c.canExit;
        p->ownResult = 7;
        EXPECT_EQ(p->OnMessage(c.id, c.in, nullptr), c.result) << c.name;
        EXPECT_EQ(p->calls, c.calls) << c.name;
        EXPECT_EQ(p->IsModeActive(), c.activeAfter) << c.name;
    }
}

TEST(PluginBase, GetValueTakesTheOutValueOnlyForResultsOfOneOrMore)
{
    for (int result : {-1, 0, 1, 2}) {
        FakeHost host;
        host.onSend = [result](const QUuid &id, IMessage *in, IMessage *out) {
            auto *answer = static_cast<QVMessage<QVariant> *>(out);
            EXPECT_EQ(id, MSG_GET_SETTING);
            EXPECT_EQ(static_cast<MsgValue *>(in)->name, "server.address");
            EXPECT_EQ(answer->value, "default") << "out starts as the default";
            answer->value = QStringLiteral("changed");
            return result;
        };
        PluginPtr p = MakePlugin(host);
        EXPECT_EQ(p->GetValue("server.address", "default").toString(), result >= 1 ? "changed" : "default")
            << "result " << result;
    }
}

TEST(PluginBase, LifecycleCallsTheOverridablesInOrder)
{
    QStringList calls;
    auto *p = new TestPlugin;
    p->lastCalls = &calls;
    EXPECT_EQ(p->GetName() + "|" + p->GetDescription(), "text 11000|text 11001");
    EXPECT_FALSE(p->Initialize(nullptr));
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
    CommandWindow(QString name, bool takes) : m_name(std::move(name)), m_takes(takes) {}

    bool OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *) override
    {
        asked << QStringLiteral("%1 %2/%3").arg(m_name).arg(id).arg(code);
        if (m_takes && update)
            update->Enable(false);
        return m_takes;
    }

    static inline QStringList asked;

private:
    QString m_name;
    bool m_takes;
};

// A host with shown parent windows that accepts every view and bar pane.
struct WindowHost
{
    WindowHost()
    {
        viewParent.resize(400, 300);
        viewParent.show();
        barParent.show();
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *out) {
            const auto window = [in] { return static_cast<QVMessage<QWidget *> *>(in)->value; };
            if (id == MSG_GET_SETTING) {
                const bool view = static_cast<MsgValue *>(in)->name == "UI.ViewParentWnd";
                static_cast<QVMessage<QVariant> *>(out)->value = QVariant::fromValue<QWidget *>(
                    view ? &viewParent : &barParent);
            } else if (id == MSG_ADD_BAR_PANE || id == MSG_ADD_VIEW) {
                const auto *add = static_cast<MsgAddWindow *>(in);
                iconsGiven = !add->icon.isNull() && !add->smallIcon.isNull();
                return addResult;
            } else if (id == MSG_SHOW_VIEW) {
                shown = window();
            } else if (id == MSG_REMOVE_BAR_PANE || id == MSG_REMOVE_VIEW) {
                removed.push_back(window());
            }
            return 1;
        };
    }

    QWidget viewParent, barParent;
    FakeHost host;
    int addResult = 1;
    bool iconsGiven = false;
    std::vector<QWidget *> removed;
    QWidget *shown = nullptr;
};

} // namespace

TEST(PluginBase, WindowsAreRegisteredShownAndRemoved)
{
    WindowHost wh;
    PluginPtr p = MakePlugin(wh.host);
    p->m_barIcon = QIcon(QPixmap(16, 16));
    QPointer<QWidget> bar = new QWidget, view = new QWidget, refused = new QWidget, orphan = new QWidget;
    ASSERT_TRUE(p->AddBarPane(bar, "Chat"));
    EXPECT_TRUE(wh.iconsGiven);
    ASSERT_TRUE(p->AddView(view, "Visitors"));
    EXPECT_TRUE(bar->parentWidget() == &wh.barParent && bar->isVisible() && bar->windowTitle() == "Chat");
    EXPECT_EQ(ModeIdOf(bar), kOwnMode);
    EXPECT_EQ(view->parentWidget(), &wh.viewParent);
    EXPECT_EQ(view->geometry(), wh.viewParent.rect());
    wh.addResult = -1;
    EXPECT_FALSE(p->AddBarPane(refused, "No"));
    EXPECT_TRUE(refused.isNull()) << "a refused pane is deleted";

    // Activating the mode shows the first view; unloading removes bar panes
    // first, then views, and destroys them.
    QVMessage<int> mode(kOwnMode);
    p->OnMessage(MSG_MODE_ACTIVATE, &mode, nullptr);
    EXPECT_EQ(wh.shown, view);
    const std::vector<QWidget *> windows{bar, view};
    p->Uninitialize();
    EXPECT_EQ(wh.removed, windows);
    EXPECT_TRUE(bar.isNull() && view.isNull() && p->BarWindows().empty() && p->ViewWindows().empty());

    // Without a parent window nothing is added, and the window is deleted.
    FakeHost host;
    host.results[MSG_ADD_VIEW] = 1;
    EXPECT_FALSE(MakePlugin(host)->AddView(orphan, "View"));
    EXPECT_TRUE(orphan.isNull());
    EXPECT_EQ(host.sent, std::vector<QUuid>{MSG_GET_SETTING}) << "only the parent read";
}

TEST(PluginBase, CommandsGoToThePluginThenTheFirstVisibleViewThenBar)
{
    const struct
    {
        const char *name;
        int code;
        bool withUpdate;
        int ownResult; // of OnCommand or OnUpdateCommand
        // Views ("v") and the bar ("b") in order: upper case when visible, "+" when it takes the command.
        const char *windows;
        int result;
        QStringList asked;
    } cases[] = {
        {"plug-in runs it", CommandExecute, false, 5, "V+ B+", 5, {}},
        {"hidden view skipped", CommandExecute, false, 0, "v+ V+ B+", 1, {"v1 32800/0"}},
        {"only the first visible view is asked", CommandExecute, false, 0, "V- V+ B+", 1, {"v0 32800/0", "b2 32800/0"}},
        {"hidden bar skipped", CommandExecute, false, 0, "V- b+", 2, {"v0 32800/0"}},
        {"nobody takes it", CommandExecute, false, 0, "b-", 2, {}},
        {"update by the plug-in", CommandUpdateUi, true, 1, "V+ B-", 1, {}},
        {"update by a view", CommandUpdateUi, true, 0, "V+ B-", 1, {"v0 32800/-1"}},
        {"probe answered like an update", CommandExecute, true, 0, "V+ B-", 1, {"v0 32800/0"}},
    };
    for (const auto &c : cases) {
        WindowHost wh;
        PluginPtr p = MakePlugin(wh.host);
        const QStringList windows = QString(c.windows).split(' ');
        for (int i = 0; i < windows.size(); ++i) {
            const QString &w = windows[i];
            auto *window = new CommandWindow(w.left(1).toLower() + QString::number(i), w.endsWith('+'));
            ASSERT_TRUE(w[0].toLower() == 'v' ? p->AddView(window, {}) : p->AddBarPane(window, {}));
            window->setVisible(w[0].isUpper());
        }
        p->ownResult = c.ownResult;
        p->calls.clear();
        CommandWindow::asked.clear();

        CommandUpdate update(kCommand);
        CmdMsgDetails details(kOwnMode, kCommand, c.code, c.withUpdate ? &update : nullptr);
        EXPECT_EQ(p->OnMessage(MSG_COMMAND, &details, nullptr), c.result) << c.name;
        EXPECT_EQ(CommandWindow::asked, c.asked) << c.name;
        EXPECT_EQ(p->calls, QStringList{c.withUpdate ? "update 32800" : "command 32800"}) << c.name;
        if (c.withUpdate && !c.asked.isEmpty()) {
            EXPECT_EQ(update.Enabled(), std::optional<bool>(false)) << c.name;
        }
    }
}

#include "test_pluginbase.moc"
