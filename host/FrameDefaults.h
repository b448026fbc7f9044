#pragma once
// The main frame's own resources: its command ids, its menu and accelerator
// table (what every mode starts from) and the texts of the presence pane.

#include "bus/Commands.h"

#include <QString>

enum FrameCommand : unsigned {
    CmdSignIn = 32773,
    CmdSignOut = 32774,
    CmdChangePassword = 32775,
    CmdSelectAll = 32776,
    CmdNoAction = 32778, // accepted and ignored, so its menu items stay enabled
    CmdSettings = 32780,
    CmdHomePage = 32782,
    CmdManageAccount = 32783,
    CmdGettingStarted = 32784,
    CmdTechnicalSupport = 32785,
    CmdFaq = 32786,
    CmdNoAction2 = 312,
    CmdEditCopy = 57634,
    CmdEditCut = 57635,
    CmdEditPaste = 57637,
    CmdEditUndo = 57643,
    CmdAppAbout = 57664,
    CmdAppExit = 57665,
    CmdNextPane = 57680,
    CmdPreviousPane = 57681,
    CmdViewStatusBar = 59393,
    CmdViewToolBar = 59392,
    CmdCustomize = 126, // the customisation dialog
};

// The frame's menu bar as the host defines it, before any plug-in merges.
QVPlugin::MenuSpec DefaultFrameMenu();
// The frame's accelerators as the host defines them.
QVPlugin::AcceleratorTable DefaultFrameAccelerators();

// The presence pane's text for a PresenceState value; unknown values read
// as "Online".
QString PresenceText(int state);
