#pragma once
// Dialogs take the icons of the application's main window. Each deliverable
// compiles its own copy of this code, so the main window is found by a mark
// on the window itself rather than through a variable of one copy.
// User-interface thread only.

class QWidget;

// The host's main frame calls this once it exists.
void MarkMainWindow(QWidget *window);

// The marked top-level window, or null.
QWidget *FindMainWindow();

// Gives the dialog the main window's icon (its own, else the application's);
// leaves the dialog alone when there is no main window.
void SetDialogIcons(QWidget *dialog);
