#pragma once
// Routes the frame's commands and command updates: first to the widgets
// from the focus widget up to the frame (each that implements
// ICommandTarget and is not a dialog), then to the plug-in of the active
// mode over the bus, then to the frame's own handlers. A command that no
// step would run is disabled, and a disabled command is never run, whether
// it comes from a menu, an accelerator or a post.
//
// User-interface thread only.

#include "bus/Commands.h"

#include <functional>
#include <map>

class QWidget;

class CCommandRouter
{
public:
    // The bus step: true when a plug-in took the command.
    using BusRoute = std::function<bool(unsigned id, int code, QVPlugin::CommandUpdate *update,
                                        QVPlugin::CommandHandlerInfo *info)>;
    using Handler = std::function<void()>;
    using UpdateHandler = std::function<void(QVPlugin::CommandUpdate &update)>;

    // frame: where the walk from the focus widget stops; not owned.
    CCommandRouter(QWidget *frame, BusRoute bus);

    // The frame's own handler of a command; an update handler decides its
    // state, otherwise a command with a handler is enabled.
    void SetHandler(unsigned id, Handler run, UpdateHandler update = {});

    // The state of a command for its menu item or accelerator; Enabled() is
    // always set.
    QVPlugin::CommandUpdate Update(unsigned id, QWidget *focus) const;
    // Runs the command when it is enabled; true when something ran it.
    bool Execute(unsigned id, QWidget *focus) const;

private:
    bool Route(unsigned id, int code, QVPlugin::CommandUpdate *update, QVPlugin::CommandHandlerInfo *info,
               QWidget *focus) const;

    struct Entry
    {
        Handler run;
        UpdateHandler update;
    };

    QWidget *m_frame;
    BusRoute m_bus;
    std::map<unsigned, Entry> m_handlers;
};
