#include "plugins/chat/model/QuickTextKeys.h"

#include <QKeySequence>

#include <array>

namespace QuickTextKeys {
namespace {

struct KeyEntry
{
    unsigned vk;
    Qt::Key key;
    bool keypad;
    bool extended; // the hot-key control reports these keys with the extended bit
};

constexpr KeyEntry kFixed[] = {
    {0x08, Qt::Key_Backspace, false, false},
    {0x09, Qt::Key_Tab, false, false},
    {0x0D, Qt::Key_Return, false, false},
    {0x13, Qt::Key_Pause, false, false},
    {0x1B, Qt::Key_Escape, false, false},
    {0x20, Qt::Key_Space, false, false},
    {0x21, Qt::Key_PageUp, false, true},
    {0x22, Qt::Key_PageDown, false, true},
    {0x23, Qt::Key_End, false, true},
    {0x24, Qt::Key_Home, false, true},
    {0x25, Qt::Key_Left, false, true},
    {0x26, Qt::Key_Up, false, true},
    {0x27, Qt::Key_Right, false, true},
    {0x28, Qt::Key_Down, false, true},
    {0x2C, Qt::Key_Print, false, true},
    {0x2D, Qt::Key_Insert, false, true},
    {0x2E, Qt::Key_Delete, false, true},
    {0x6A, Qt::Key_Asterisk, true, false},
    {0x6B, Qt::Key_Plus, true, false},
    {0x6D, Qt::Key_Minus, true, false},
    {0x6E, Qt::Key_Period, true, false},
    {0x6F, Qt::Key_Slash, true, true},
    {0x90, Qt::Key_NumLock, false, true},
    {0x91, Qt::Key_ScrollLock, false, false},
    {0xBA, Qt::Key_Semicolon, false, false},
    {0xBB, Qt::Key_Equal, false, false},
    {0xBC, Qt::Key_Comma, false, false},
    {0xBD, Qt::Key_Minus, false, false},
    {0xBE, Qt::Key_Period, false, false},
    {0xBF, Qt::Key_Slash, false, false},
    {0xC0, Qt::Key_QuoteLeft, false, false},
    {0xDB, Qt::Key_BracketLeft, false, false},
    {0xDC, Qt::Key_Backslash, false, false},
    {0xDD, Qt::Key_BracketRight, false, false},
    {0xDE, Qt::Key_Apostrophe, false, false},
};

// What Qt reports for a shifted key of a US keyboard, and the key itself.
constexpr std::array<std::pair<Qt::Key, Qt::Key>, 22> kShifted = {{
    {Qt::Key_Exclam, Qt::Key_1},        {Qt::Key_At, Qt::Key_2},
    {Qt::Key_NumberSign, Qt::Key_3},    {Qt::Key_Dollar, Qt::Key_4},
    {Qt::Key_Percent, Qt::Key_5},       {Qt::Key_AsciiCircum, Qt::Key_6},
    {Qt::Key_Ampersand, Qt::Key_7},     {Qt::Key_Asterisk, Qt::Key_8},
    {Qt::Key_ParenLeft, Qt::Key_9},     {Qt::Key_ParenRight, Qt::Key_0},
    {Qt::Key_Underscore, Qt::Key_Minus}, {Qt::Key_Plus, Qt::Key_Equal},
    {Qt::Key_Colon, Qt::Key_Semicolon}, {Qt::Key_Less, Qt::Key_Comma},
    {Qt::Key_Greater, Qt::Key_Period},  {Qt::Key_Question, Qt::Key_Slash},
    {Qt::Key_AsciiTilde, Qt::Key_QuoteLeft}, {Qt::Key_BraceLeft, Qt::Key_BracketLeft},
    {Qt::Key_Bar, Qt::Key_Backslash},   {Qt::Key_BraceRight, Qt::Key_BracketRight},
    {Qt::Key_QuoteDbl, Qt::Key_Apostrophe}, {Qt::Key_Backtab, Qt::Key_Tab},
}};

// The key and keypad flag of a virtual key; false when it has no mapping.
bool Lookup(unsigned vk, Qt::Key &key, bool &keypad)
{
    keypad = false;
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        key = Qt::Key(vk); // Qt uses the same codes for letters and digits
        return true;
    }
    if (vk >= 0x60 && vk <= 0x69) {
        key = Qt::Key(Qt::Key_0 + (vk - 0x60));
        keypad = true;
        return true;
    }
    if (vk >= 0x70 && vk <= 0x87) {
        key = Qt::Key(Qt::Key_F1 + (vk - 0x70));
        return true;
    }
    for (const KeyEntry &entry : kFixed) {
        if (entry.vk == vk) {
            key = entry.key;
            keypad = entry.keypad;
            return true;
        }
    }
    return false;
}

// The virtual key of a Qt key and whether it carries the extended bit; 0 when none.
unsigned Reverse(Qt::Key key, bool keypad, bool &extended)
{
    extended = false;
    if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9)
        return 0x60 + (key - Qt::Key_0);
    if (!keypad && ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)))
        return unsigned(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 0x70 + (key - Qt::Key_F1);
    if (keypad && key == Qt::Key_Enter) {
        extended = true;
        return 0x0D;
    }
    for (const KeyEntry &entry : kFixed) {
        if (entry.key == key && entry.keypad == keypad) {
            extended = entry.extended;
            return entry.vk;
        }
    }
    // Navigation keys of the keypad: the same virtual keys without the extended bit.
    if (keypad) {
        for (const KeyEntry &entry : kFixed) {
            if (entry.key == key && !entry.keypad)
                return entry.vk;
        }
    }
    return 0;
}

} // namespace

QKeyCombination ToKey(unsigned shortcut)
{
    Qt::Key key;
    bool keypad = false;
    if (!Lookup(shortcut & 0xFF, key, keypad))
        return QKeyCombination(Qt::Key_unknown);
    const unsigned bits = (shortcut >> 8) & 0xFF;
    Qt::KeyboardModifiers modifiers;
    if (bits & Shift)
        modifiers |= Qt::ShiftModifier;
    if (bits & Control)
        modifiers |= Qt::ControlModifier;
    if (bits & Alt)
        modifiers |= Qt::AltModifier;
    if (keypad)
        modifiers |= Qt::KeypadModifier;
    if (key == Qt::Key_Return && (bits & Extended))
        return QKeyCombination(modifiers | Qt::KeypadModifier, Qt::Key_Enter);
    return QKeyCombination(modifiers, key);
}

unsigned FromKey(QKeyCombination combination)
{
    Qt::Key key = combination.key();
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (modifiers.testFlag(Qt::ShiftModifier) && !keypad) {
        for (const auto &[shifted, base] : kShifted) {
            if (shifted == key) {
                key = base;
                break;
            }
        }
    }
    if (key == Qt::Key_Enter && !keypad)
        key = Qt::Key_Return;
    bool extended = false;
    const unsigned vk = Reverse(key, keypad, extended);
    if (!vk)
        return 0;
    unsigned bits = extended ? unsigned(Extended) : 0u;
    if (modifiers.testFlag(Qt::ShiftModifier))
        bits |= Shift;
    if (modifiers.testFlag(Qt::ControlModifier))
        bits |= Control;
    if (modifiers.testFlag(Qt::AltModifier))
        bits |= Alt;
    return vk | (bits << 8);
}

QString Text(unsigned shortcut)
{
    const QKeyCombination combination = ToKey(shortcut);
    if (!shortcut || combination.key() == Qt::Key_unknown)
        return QString();
    const unsigned bits = (shortcut >> 8) & 0xFF;
    QString text;
    if (bits & Control)
        text += QLatin1String("Ctrl + ");
    if (bits & Shift)
        text += QLatin1String("Shift + ");
    if (bits & Alt)
        text += QLatin1String("Alt + ");
    const Qt::KeyboardModifiers keypad = combination.keyboardModifiers() & Qt::KeypadModifier;
    return text + QKeySequence(QKeyCombination(keypad, combination.key())).toString(QKeySequence::NativeText);
}

} // namespace QuickTextKeys
