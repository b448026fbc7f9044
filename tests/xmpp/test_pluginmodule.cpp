#include "../bus/FakePlugin.h"

#include "bus/Commands.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

using namespace QVPlugin;

// The base class compiled into a plug-in library with hidden symbols works
// with payloads and windows made on the host's side of the boundary.
TEST(PluginModule, BaseClassWorksAcrossTheLibraryBoundary)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_XMPP_FIXTURES "/baseplugin.so"), dir.filePath("baseplugin.so")));

    QWidget viewParent;
    QPointer<QWidget> added;
    auto *ui = new bustest::FakePlugin(QStringLiteral("ui"));
    ui->onMessage = [&](const QUuid &id, IMessage *in, IMessage *out) {
        if (id == MSG_GET_SETTING && static_cast<MsgValue *>(in)->name == QLatin1String("UI.ViewParentWnd")) {
            static_cast<QVMessage<QVariant> *>(out)->value = QVariant::fromValue<QWidget *>(&viewParent);
            return 1;
        }
        if (id == MSG_ADD_VIEW) {
            added = static_cast<MsgAddWindow *>(in)->window;
            return 1;
        }
        return 0;
    };

    CManager manager(dir.path());
    ASSERT_TRUE(manager.AddPlugin(ui, PLUGIN_ORDER_UI));
    manager.LoadPluginLibraries();
    ASSERT_EQ(manager.Plugins().size(), 2u) << "the library's plug-in initialised";
    ASSERT_FALSE(added.isNull());
    EXPECT_EQ(added->parentWidget(), &viewParent);

    EXPECT_EQ(manager.GetSetting(QStringLiteral("fixture.name"), QString()).toString(), QStringLiteral("12000"));
    EXPECT_EQ(manager.SendMessage(nullptr, MSG_QUERY_CLOSE, nullptr, nullptr), 1);

    // The frame finds the plug-in's window as a command target.
    ICommandTarget *target = qobject_cast<ICommandTarget *>(added.data());
    ASSERT_NE(target, nullptr);

    viewParent.show();
    CommandUpdate update(1);
    CmdMsgDetails details(10000, 1, CommandUpdateUi, &update);
    EXPECT_EQ(manager.SendMessage(nullptr, MSG_COMMAND, &details, nullptr), 1);
    EXPECT_EQ(update.Text(), std::optional<QString>(QStringLiteral("from the view")));

    manager.Shutdown();
    EXPECT_TRUE(added.isNull()) << "unloading destroyed the view";
}
