#include "host/MenuMnemonics.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcutEvent>

CMenuMnemonics::CMenuMnemonics(QMenuBar *bar)
    : QObject(bar), m_bar(bar), m_window(bar->window())
{
    bar->installEventFilter(this);
    m_window->installEventFilter(this);
}

bool CMenuMnemonics::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Alt) {
            auto *menu = qobject_cast<QMenu *>(watched);
            m_openAtAlt = event->type() == QEvent::KeyPress && menu && menu->isVisible() ? menu : nullptr;
        }
        return false;
    }
    if (watched != m_bar || event->type() != QEvent::Shortcut)
        return false;
    const auto *shortcut = static_cast<QShortcutEvent *>(event);
    if (!shortcut->isAmbiguous())
        return false;
    QList<QAction *> titles;
    for (QAction *action : m_bar->actions()) {
        if (action->isVisible() && action->isEnabled() && action->menu()
            && QKeySequence::mnemonic(action->text()) == shortcut->key())
            titles << action;
    }
    if (titles.size() < 2)
        return false;
    qsizetype open = -1;
    for (qsizetype i = 0; i < titles.size(); ++i)
        open = titles.at(i)->menu() == m_openAtAlt ? i : open;
    m_openAtAlt = nullptr;
    QAction *title = titles.at((open + 1) % titles.size());
    QMenu *menu = title->menu();
    // Its Alt key goes to the menu while it is open.
    menu->installEventFilter(this);
    // That menu alone, its first command selected (a submenu stays shut), as
    // a mnemonic opens it.
    m_bar->setActiveAction(title);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(menu, &down);
    return true;
}
