#include "host/CommandRouter.h"

#include <QDialog>
#include <QWidget>

using namespace QVPlugin;

CCommandRouter::CCommandRouter(QWidget *frame, BusRoute bus) : m_frame(frame), m_bus(std::move(bus)) {}

void CCommandRouter::SetHandler(unsigned id, Handler run, UpdateHandler update)
{
    m_handlers[id] = {std::move(run), std::move(update)};
}

bool CCommandRouter::Route(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info,
                           QWidget *focus) const
{
    for (QWidget *w = focus; w && w != m_frame; w = w->parentWidget()) {
        if (qobject_cast<QDialog *>(w))
            continue;
        if (auto *target = qobject_cast<ICommandTarget *>(w); target && target->OnCmdMsg(id, code, update, info))
            return true;
    }
    if (m_bus && m_bus(id, code, update, info))
        return true;

    const auto it = m_handlers.find(id);
    if (it == m_handlers.end())
        return false;
    const Entry &entry = it->second;
    if (code == CommandUpdateUi) {
        if (!entry.update || !update)
            return false;
        entry.update(*update);
        return true;
    }
    if (update && info) {
        info->target = m_frame;
        return true;
    }
    if (entry.run)
        entry.run();
    return true;
}

CommandUpdate CCommandRouter::Update(unsigned id, QWidget *focus) const
{
    CommandUpdate state(id);
    const bool handled = Route(id, CommandUpdateUi, &state, nullptr, focus);
    if (!handled || !state.Enabled()) {
        // Nobody decided: enabled exactly when someone would run it.
        CommandUpdate probe(id);
        CommandHandlerInfo info;
        state.Enable(Route(id, CommandExecute, &probe, &info, focus));
    }
    return state;
}

bool CCommandRouter::Execute(unsigned id, QWidget *focus) const
{
    if (!Update(id, focus).Enabled().value_or(false))
        return false;
    return Route(id, CommandExecute, nullptr, nullptr, focus);
}
