#include "shared/DialogIcons.h"

#include <QApplication>
#include <QWidget>

namespace {
const char *const kMainWindowProperty = "ostrelMainWindow";
}

void MarkMainWindow(QWidget *window)
{
    if (window)
        window->setProperty(kMainWindowProperty, true);
}

QWidget *FindMainWindow()
{
    const QList<QWidget *> windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->property(kMainWindowProperty).toBool())
            return w;
    }
    return nullptr;
}

void SetDialogIcons(QWidget *dialog)
{
    QWidget *main = FindMainWindow();
    if (!dialog || !main || main == dialog)
        return;
    const QIcon icon = main->windowIcon();
    if (!icon.isNull())
        dialog->setWindowIcon(icon);
}
