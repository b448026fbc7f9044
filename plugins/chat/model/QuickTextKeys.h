#pragma once
// Quick-text shortcuts as the files store them. The files are shared through
// the server with other clients, so a shortcut stays a hot-key value: the
// Windows virtual-key code in the low byte and the modifier bits (Shift 1,
// Ctrl 2, Alt 4, extended 8) in the next byte. A table maps those keys to
// Qt keys and back; a key without a mapping has no shortcut here, and a Qt
// key code is never stored.
//
// Threading: pure functions, any thread.

#include <QKeyCombination>
#include <QString>

namespace QuickTextKeys {

enum Modifier : unsigned { Shift = 1, Control = 2, Alt = 4, Extended = 8 };

// The combination of a stored shortcut; Qt::Key_unknown when it has none.
QKeyCombination ToKey(unsigned shortcut);
// The stored value of a key combination; 0 when the key has no mapping.
unsigned FromKey(QKeyCombination key);
// "Ctrl + Shift + A"; empty when the shortcut has none.
QString Text(unsigned shortcut);

} // namespace QuickTextKeys
