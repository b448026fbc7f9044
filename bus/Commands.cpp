#include "bus/Commands.h"

#include <QAction>
#include <QVariant>
#include <QWidget>

namespace QVPlugin {

namespace {
// The property that carries a bar pane's mode id for the frame.
constexpr const char *kModeIdProperty = "qvModeId";
} // namespace

void CommandUpdate::ApplyTo(QAction *action) const
{
    if (!action)
        return;
    if (m_enabled)
        action->setEnabled(*m_enabled);
    if (m_checked) {
        action->setCheckable(true);
        action->setChecked(*m_checked);
    }
    if (m_text)
        action->setText(*m_text);
}

void SetCommandId(QAction *action, unsigned id)
{
    if (action)
        action->setData(id);
}

unsigned CommandIdOf(const QAction *action)
{
    if (!action)
        return 0;
    bool ok = false;
    const unsigned id = action->data().toUInt(&ok);
    return ok ? id : 0;
}

void SetModeId(QWidget *widget, int mode)
{
    if (widget)
        widget->setProperty(kModeIdProperty, mode);
}

int ModeIdOf(const QWidget *widget)
{
    if (!widget)
        return -1;
    bool ok = false;
    const int mode = widget->property(kModeIdProperty).toInt(&ok);
    return ok ? mode : -1;
}

} // namespace QVPlugin
