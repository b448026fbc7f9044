#pragma once
// An Alt key with a letter is a menu's or a control's mnemonic, never text.
// Qt's editors write the letter when no mnemonic took the key, so a letter
// the agent meant as a command went into the text (a chat line, a search).

#include <QObject>

class QKeyEvent;

// Alt (without Ctrl, which AltGr may stand for) and a printable character.
bool IsAltLetter(const QKeyEvent &event);

// A widget with this property set decides about such keys itself: the chat
// input, whose window first looks them up among the quick texts' shortcuts.
inline constexpr char kDecidesAltLetters[] = "decidesAltLetters";

// Drops such keys before they reach an editor of the application; installed
// on the application by its main window. Application filters come before the
// widgets' own, so those that read Alt letters set kDecidesAltLetters.
class CAltLettersAreNoText : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
