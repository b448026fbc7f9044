#pragma once
// The agent's idle time as the desktop knows it: the X screen-saver
// extension under X11, and otherwise (Wayland, offscreen) the time since
// the program's own last keyboard or mouse event. User-interface thread only.

#include "plugins/chat/model/VisitorRouter.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

// Watches the application's input events; idle time is the time since the
// last one (or since construction).
class CInputIdleSource : public QObject, public IIdleSource
{
public:
    explicit CInputIdleSource(QObject *parent = nullptr);
    std::int64_t IdleMilliseconds() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QElapsedTimer m_sinceInput;
};

// The X screen-saver extension when the program runs on X11 and the server
// has it; the program's own input events otherwise. The caller owns the result.
std::unique_ptr<IIdleSource> CreateSystemIdleSource();
