#pragma once
// What the built-in user-interface plug-in needs from the main frame. The
// frame implements it; tests put a recording fake in its place, so that the
// plug-in's menus, accelerators and modes run without a window.
// User-interface thread only.

#include "bus/Commands.h"

#include <QIcon>
#include <QString>

class QWidget;

namespace QVPlugin {
class AlertInfo;
}

class IUIFrame
{
public:
    virtual ~IUIFrame() = default;

    // The parent of every plug-in view and of every bar pane; owned by the frame.
    virtual QWidget *ViewParent() = 0;
    virtual QWidget *BarParent() = 0;
    // The window message boxes belong to.
    virtual QWidget *Window() = 0;

    // A page of the outlook bar showing window; the window's mode id names
    // the mode the page stands for. False when the page cannot be added.
    virtual bool AddBarPage(QWidget *window, const QString &title, const QIcon &icon, const QIcon &smallIcon) = 0;
    virtual void RemoveBarPage(QWidget *window) = 0;

    // The menu bar and accelerators, rebuilt from these values.
    virtual void SetMenu(const QVPlugin::MenuSpec &menu) = 0;
    virtual void SetAccelerators(const QVPlugin::AcceleratorTable &table) = 0;

    // The frame's layout state in a section of the window-state store:
    // Save clears the section first; Load leaves the layout alone when the
    // section is empty.
    virtual void SaveWorkspace(const QString &section) = 0;
    virtual void LoadWorkspace(const QString &section) = 0;
    // Off while a mode changes, so the frame repaints once at the end.
    virtual void SetRedraw(bool on) = 0;

    virtual void Alert(const QVPlugin::AlertInfo &alert) = 0;
    virtual void SetFlashing(bool on) = 0;

    // The agent's presence state: stored at once, shown on the next turn of
    // the event loop.
    virtual void SetConnectionState(int state) = 0;
    // Posted: the connection is gone; with retryAllowed the frame may sign in
    // once more with the same account.
    virtual void PostConnectionLost(bool retryAllowed) = 0;
};
