#pragma once
// The command layer shared by the host's frame and every plug-in.
//
// Commands are numbers. A menu item or tool button is a QAction whose data()
// holds its command id (SetCommandId / CommandIdOf); an accelerator entry maps
// a key sequence to a command id.
//
// Routing, done by the frame on the user-interface thread for every command
// and every update:
//   1. From the focus widget up through its parents to the frame, each widget
//      that implements ICommandTarget (dialogs excepted) may take it.
//   2. Then MSG_COMMAND with a CmdMsgDetails {current mode, id, code, extra,
//      handlerInfo}; only the plug-in that owns the mode answers, and a result
//      other than 0 and 2 means it took the command.
//   3. Then the frame's own handlers.
// Code 0 runs the command. Code -1 asks for its state: extra points to a
// CommandUpdate that the frame made for the QAction, for example before a
// menu shows:
//     CommandUpdate update(CommandIdOf(action));
//     CmdMsgDetails details(mode, update.Id(), CommandUpdateUi, &update);
//     host->SendMessage(MSG_COMMAND, &details, nullptr);
//     update.ApplyTo(action); // only what a handler set
// A probe (code 0 with extra and handlerInfo both set) asks whether anyone
// would run the command, without running it; it is answered like an update.
//
// Menus and accelerators travel by value, so the frame keeps its own copy:
// MSG_MENU_ADD and MSG_MENU_REPLACE carry a QVMessage<MenuSpec>,
// MSG_ACCELERATORS_ADD and _REMOVE a QVMessage<AcceleratorTable>. A mode is
// the id carried by an outlook-bar page's widget (SetModeId / ModeIdOf);
// MSG_MODE_ACTIVATE and _DEACTIVATE carry it as a QVMessage<int>.

#include "bus/Payloads.h"

#include <QKeySequence>
#include <QObject>
#include <QString>

#include <optional>
#include <vector>

class QAction;
class QWidget;

namespace QVPlugin {

enum CommandCode : int {
    CommandExecute = 0,
    CommandUpdateUi = -1,
};

// The state a handler wants for one command's QAction. Only what a handler
// set is applied; the rest of the action stays as it was.
class CommandUpdate
{
public:
    explicit CommandUpdate(unsigned id = 0) : m_id(id) {}

    unsigned Id() const { return m_id; }
    void Enable(bool on = true) { m_enabled = on; }
    void SetCheck(bool on = true) { m_checked = on; }
    void SetText(const QString &text) { m_text = text; }

    const std::optional<bool> &Enabled() const { return m_enabled; }
    const std::optional<bool> &Checked() const { return m_checked; }
    const std::optional<QString> &Text() const { return m_text; }

    // A checked state makes the action checkable.
    void ApplyTo(QAction *action) const;

private:
    unsigned m_id;
    std::optional<bool> m_enabled;
    std::optional<bool> m_checked;
    std::optional<QString> m_text;
};

// Filled in during a probe: the object that would run the command.
struct CommandHandlerInfo
{
    QObject *target = nullptr;
};

// The payload of MSG_COMMAND. The pointers belong to the frame and live for
// the send only (MSG_COMMAND is sent on the user-interface thread).
class CmdMsgDetails : public Payload<CmdMsgDetails>
{
public:
    CmdMsgDetails() = default;
    CmdMsgDetails(int mode_, unsigned id_, int code_, CommandUpdate *extra_ = nullptr,
                  CommandHandlerInfo *handlerInfo_ = nullptr)
        : mode(mode_), id(id_), code(code_), extra(extra_), handlerInfo(handlerInfo_) {}
    const char *GetTypeName() const override { return "CmdMsgDetails"; }

    int mode = -1; // the active mode
    unsigned id = 0;
    int code = CommandExecute;
    CommandUpdate *extra = nullptr;
    CommandHandlerInfo *handlerInfo = nullptr;
};

// Implemented by plug-in windows (and frame windows) that take commands.
// Declare it with Q_INTERFACES so the frame and CPluginBase find it with
// qobject_cast across library boundaries.
class ICommandTarget
{
public:
    virtual ~ICommandTarget() = default;
    // True when the window takes the command: it ran it (code 0), set the
    // update (code -1), or for a probe would run it and named itself in info.
    virtual bool OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info) = 0;
};

// One menu item, or a whole menu. A command has an id; a separator has the
// flag; any other item is a popup whose children are its items. The text may
// end in a tab and the key shown beside it ("Sign In...\tCtrl+I").
//
// MSG_MENU_ADD and MSG_MENU_REPLACE carry a menu whose items go into the
// frame's menu bar; its title is the text of its first item (Title()).
struct MenuSpec
{
    QString text;
    unsigned id = 0;
    bool separator = false;
    std::vector<MenuSpec> children;

    static MenuSpec Command(unsigned id, const QString &text) { return {text, id, false, {}}; }
    static MenuSpec Separator() { return {QString(), 0, true, {}}; }
    static MenuSpec Popup(const QString &text, std::vector<MenuSpec> items) { return {text, 0, false, std::move(items)}; }
    static MenuSpec Menu(std::vector<MenuSpec> items) { return {QString(), 0, false, std::move(items)}; }

    bool IsPopup() const { return !separator && id == 0; }
    QString Title() const { return children.empty() ? QString() : children.front().text; }

    bool operator==(const MenuSpec &other) const = default;
};

// The payload of MSG_MENU_INSERT_ITEM: one command item for the popup that
// popupPath names by its items' texts, "/" between levels ("&Tools/&Chat");
// it goes before the item whose text is insertBefore, or at the end.
class MenuItemRecord : public Payload<MenuItemRecord>
{
public:
    const char *GetTypeName() const override { return "MenuItemRecord"; }

    QString popupPath;
    QString insertBefore;
    QString text;
    unsigned id = 0;
};

struct AcceleratorEntry
{
    unsigned id = 0;
    QKeySequence key;

    bool operator==(const AcceleratorEntry &other) const = default;
};

// A table of accelerators, in the order they were defined.
using AcceleratorTable = std::vector<AcceleratorEntry>;

void SetCommandId(QAction *action, unsigned id);
// 0 when the action carries no command id.
unsigned CommandIdOf(const QAction *action);

// The mode id of a bar pane's widget; -1 when it has none.
void SetModeId(QWidget *widget, int mode);
int ModeIdOf(const QWidget *widget);

} // namespace QVPlugin

#define QVPlugin_ICommandTarget_iid "Quelvar.Ostrel.ICommandTarget/1.0"
Q_DECLARE_INTERFACE(QVPlugin::ICommandTarget, QVPlugin_ICommandTarget_iid)
