#pragma once
// The live-chat workplace's own menus and keys, merged into the frame while
// its mode is active: the "Vi&sitor" and "&Web Status" popups and F2 for
// "Next Response". The commands are handled by the visitor monitor and its
// chat pane. Threading: pure values, any thread.

#include "bus/Commands.h"

namespace TessaryMenu {

enum Command : unsigned {
    CmdOnline = 10201,
    CmdAway = 10202,
    CmdBusy = 10203,
    CmdBeRightBack = 10204,
    CmdInviteVisitor = 10211,
    CmdAcceptChat = 10213,
    CmdRetrieveHistory = 10214,
    CmdPushPage = 10215,
    CmdNextResponse = 10217,
    CmdBlockVisitor = 10219,
    CmdTransfer = 10228,
    CmdEndChat = 10229,
    CmdDetachChat = 10241,
    CmdRejectChat = 10242,
    CmdJoinChat = 10247,
    CmdHtmlMode = 10254,
};

// The menu bar part: "Vi&sitor", then "&Web Status".
QVPlugin::MenuSpec VisitorMenu();
// F2: Next Response.
QVPlugin::AcceleratorTable PluginAccelerators();

} // namespace TessaryMenu
