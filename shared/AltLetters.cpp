#include "shared/AltLetters.h"

#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

bool IsAltLetter(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers held = event.modifiers();
    return (held & Qt::AltModifier) && !(held & Qt::ControlModifier) && !event.text().isEmpty()
        && event.text().front().isPrint();
}

bool CAltLettersAreNoText::eventFilter(QObject *watched, QEvent *event)
{
    // Shortcuts have had the key by now; what is left would be written.
    // Editors are the widgets that take text input; menus take the letter.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->testAttribute(Qt::WA_InputMethodEnabled)
        && !watched->property(kDecidesAltLetters).toBool()
        && IsAltLetter(*static_cast<QKeyEvent *>(event))) {
        event->ignore();
        return true;
    }
    return false;
}
