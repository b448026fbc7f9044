#include "plugins/chat/TessaryMenu.h"

using QVPlugin::AcceleratorTable;
using QVPlugin::MenuSpec;

namespace TessaryMenu {

MenuSpec VisitorMenu()
{
    return MenuSpec::Menu({
        MenuSpec::Popup(QStringLiteral("Vi&sitor"),
                        {
                            MenuSpec::Command(CmdAcceptChat, QStringLiteral("&Accept Chat")),
                            MenuSpec::Command(CmdRejectChat, QStringLiteral("&Reject Chat")),
                            MenuSpec::Command(CmdJoinChat, QStringLiteral("&Join Chat")),
                            MenuSpec::Command(CmdInviteVisitor, QStringLiteral("&Invite Visitor to Chat")),
                            MenuSpec::Separator(),
                            MenuSpec::Command(CmdEndChat, QStringLiteral("&End Chat")),
                            MenuSpec::Command(CmdTransfer, QStringLiteral("&Transfer...")),
                            MenuSpec::Command(CmdPushPage, QStringLiteral("&Push Page...")),
                            MenuSpec::Command(CmdDetachChat, QStringLiteral("&Detach Chat")),
                            MenuSpec::Separator(),
                            MenuSpec::Command(CmdRetrieveHistory, QStringLiteral("Retrieve &History")),
                            MenuSpec::Command(CmdBlockVisitor, QStringLiteral("&Block Visitor...")),
                            MenuSpec::Separator(),
                            MenuSpec::Command(CmdHtmlMode, QStringLiteral("HTML Mode")),
                            MenuSpec::Separator(),
                            MenuSpec::Command(CmdNextResponse, QStringLiteral("&Next Response\tF2")),
                        }),
        MenuSpec::Popup(QStringLiteral("&Web Status"),
                        {
                            MenuSpec::Command(CmdOnline, QStringLiteral("&Online")),
                            MenuSpec::Command(CmdAway, QStringLiteral("&Away")),
                            MenuSpec::Command(CmdBusy, QStringLiteral("&Busy")),
                            MenuSpec::Command(CmdBeRightBack, QStringLiteral("&Be right back")),
                        }),
    });
}

AcceleratorTable PluginAccelerators()
{
    return {{CmdNextResponse, QKeySequence(Qt::Key_F2)}};
}

} // namespace TessaryMenu
