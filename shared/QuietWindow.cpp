#include "shared/QuietWindow.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace QuietWindow {

void FollowAttribute(QWidget *window)
{
    // The xcb platform maps a window with a user time of 0, which tells the
    // window manager not to focus it, when its QWindow carries this property.
    if (QWindow *handle = window->windowHandle())
        handle->setProperty("_q_showWithoutActivating", window->testAttribute(Qt::WA_ShowWithoutActivating));
}

void Show(QWidget *window)
{
    if (!window)
        return;
    // A window manager activates a window mapped out of the task bar,
    // whatever it was told: the task bar entry flashes instead, and the agent
    // brings it back.
    if (!window->isMinimized()) {
        const QPointer<QWidget> working = QApplication::activeWindow();
        const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->winId();
        FollowAttribute(window);
        window->show();
        window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
        FollowAttribute(window);
        // Without a window manager a mapped window lands on top of the
        // stack, over the window the agent works in.
        if (working && working != window && working->isVisible())
            working->raise();
    }
    Flash(window);
}

void Flash(QWidget *window)
{
    if (window && !window->isActiveWindow())
        QApplication::alert(window);
}

} // namespace QuietWindow
