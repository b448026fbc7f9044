#pragma once
// One menu per Alt key press when titles of the menu bar share their letter
// ("&Quick Text" and "&Quelvar"). Qt's shortcut map takes turns among equal
// keys for the life of the program, so which menu Alt+Q opened depended on
// the presses before. Here a press opens the first menu of the letter, and
// a press while one of them is open (its Alt closes it first) the next one.

#include <QObject>
#include <QPointer>

class QMenu;
class QMenuBar;

class CMenuMnemonics : public QObject
{
public:
    // Watches bar and its window, and goes with the bar.
    explicit CMenuMnemonics(QMenuBar *bar);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMenuBar *m_bar;
    QPointer<QWidget> m_window;
    // The menu that was open when Alt went down, until Alt comes up.
    QPointer<QMenu> m_openAtAlt;
};
