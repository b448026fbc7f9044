#pragma once
// What the small account dialogs share: a banner with a title, a subtitle
// and the application icon, their fields, and OK and Cancel below.

class QDialog;
class QLayout;
class QString;

// Lays out dialog with the fields; OK ("c1") accepts and Cancel ("c2")
// rejects it.
void LayOutAccountDialog(QDialog *dialog, QLayout *fields, const QString &title, const QString &subtitle);
