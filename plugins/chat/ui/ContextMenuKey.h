#pragma once
// Shift+F10 asks for a widget's context menu as the Menu key does: the
// widget gets the same keyboard context-menu event, so both open one menu
// at one place. User-interface thread only.

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace Tessary {

// True (and the menu asked for) when the key is Shift+F10.
inline bool OpenContextMenuOnShiftF10(QWidget *widget, const QKeyEvent *event)
{
    if (event->key() != Qt::Key_F10 || event->modifiers() != Qt::ShiftModifier)
        return false;
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), widget->mapToGlobal(QPoint()));
    QCoreApplication::sendEvent(widget, &menu);
    return true;
}

} // namespace Tessary
