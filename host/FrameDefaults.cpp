#include "host/FrameDefaults.h"

#include "bus/Payloads.h"

using namespace QVPlugin;

MenuSpec DefaultFrameMenu()
{
    return MenuSpec::Menu({
        MenuSpec::Popup(QStringLiteral("&File"), {
            MenuSpec::Command(CmdSignIn, QStringLiteral("Sign In...\tCtrl+I")),
            MenuSpec::Command(CmdSignOut, QStringLiteral("Sign Out...")),
            MenuSpec::Separator(),
            MenuSpec::Command(CmdChangePassword, QStringLiteral("Change Password...")),
            MenuSpec::Separator(),
            MenuSpec::Command(CmdAppExit, QStringLiteral("E&xit")),
        }),
        MenuSpec::Popup(QStringLiteral("&Edit"), {
            MenuSpec::Command(CmdEditUndo, QStringLiteral("&Undo\tCtrl+Z")),
            MenuSpec::Separator(),
            MenuSpec::Command(CmdEditCut, QStringLiteral("Cu&t\tCtrl+X")),
            MenuSpec::Command(CmdEditCopy, QStringLiteral("&Copy\tCtrl+C")),
            MenuSpec::Command(CmdEditPaste, QStringLiteral("&Paste\tCtrl+V")),
            MenuSpec::Separator(),
            MenuSpec::Command(CmdSelectAll, QStringLiteral("Select All\tCtrl+A")),
        }),
        MenuSpec::Popup(QStringLiteral("&View"), {
            MenuSpec::Command(CmdViewStatusBar, QStringLiteral("&Status Bar")),
        }),
        MenuSpec::Popup(QStringLiteral("&Tools"), {
            MenuSpec::Command(CmdSettings, QStringLiteral("&Settings...")),
        }),
        MenuSpec::Popup(QStringLiteral("&Quelvar"), {
            MenuSpec::Command(CmdHomePage, QStringLiteral("Home Page...")),
            MenuSpec::Command(CmdManageAccount, QStringLiteral("Manage Account...")),
            MenuSpec::Command(CmdGettingStarted, QStringLiteral("Getting Started...")),
        }),
        MenuSpec::Popup(QStringLiteral("&Help"), {
            MenuSpec::Command(CmdTechnicalSupport, QStringLiteral("Technical Support...")),
            MenuSpec::Command(CmdFaq, QStringLiteral("Frequently Asked Questions...")),
            MenuSpec::Separator(),
            MenuSpec::Command(CmdAppAbout, QStringLiteral("&About Quelvar...")),
        }),
    });
}

AcceleratorTable DefaultFrameAccelerators()
{
    const auto key = [](const char *text) { return QKeySequence(QString::fromLatin1(text)); };
    return {
        {CmdEditCopy, key("Ctrl+C")},
        {CmdEditCopy, key("Ctrl+Ins")},
        {CmdEditCut, key("Shift+Del")},
        {CmdEditCut, key("Ctrl+X")},
        {CmdEditPaste, key("Ctrl+V")},
        {CmdEditPaste, key("Shift+Ins")},
        {CmdEditUndo, key("Alt+Backspace")},
        {CmdEditUndo, key("Ctrl+Z")},
        {CmdNextPane, key("F6")},
        {CmdPreviousPane, key("Shift+F6")},
        {CmdSignIn, key("Ctrl+I")},
        {CmdSignOut, key("Ctrl+U")},
    };
}

QString PresenceText(int state)
{
    switch (state) {
    case PresenceError:
        return QStringLiteral("Error");
    case PresenceOffline:
        return QStringLiteral("Offline");
    case PresenceConnecting:
        return QStringLiteral("Connecting");
    case PresenceAway:
        return QStringLiteral("Away");
    case PresenceBusy:
        return QStringLiteral("Busy");
    case PresenceBeRightBack:
        return QStringLiteral("Be right back");
    default:
        return QStringLiteral("Online");
    }
}
