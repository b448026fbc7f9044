#pragma once
// Windows the program shows or brings back by itself, while the agent may be
// typing into another one: they must take neither the keys nor the pointer.
// User-interface thread only.

class QWidget;

namespace QuietWindow {

// Shows the hidden top-level window without activating it: the window
// manager is told not to focus it (_NET_WM_USER_TIME 0), and the window the
// agent works in stays above it. A minimised window stays in the task bar
// and flashes there.
void Show(QWidget *window);

// Marks the window as wanting the agent's attention (the task bar flashes it).
void Flash(QWidget *window);

// Makes the platform window follow the widget's Qt::WA_ShowWithoutActivating
// now; Qt reads that only when it creates the platform window.
void FollowAttribute(QWidget *window);

} // namespace QuietWindow
