#pragma once
// Where the editor's status bar learns whether Caps, Num and Scroll Lock are
// on: the X keyboard's indicators, read through XKB on a connection of its
// own, and told when they change. Off X (or without XKB) it knows nothing and
// every lock reads off. User-interface thread only.

#include <QObject>

struct KeyboardLockState
{
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const KeyboardLockState &) const = default;
};

class IKeyboardLocks : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual KeyboardLockState State() = 0;
    // False when this platform cannot tell.
    virtual bool Known() const = 0;

signals:
    void Changed();
};

// The program's one source, made on first use and owned by the application.
IKeyboardLocks *KeyboardLocks();
