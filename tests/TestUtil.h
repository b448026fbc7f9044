#pragma once
// Helpers shared by the tests.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QObject>

#include <functional>

// Pumps events until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

// Counts the events of one type that reach the objects it filters.
struct EventCounter : QObject
{
    explicit EventCounter(QEvent::Type type) : type(type) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        count += e->type() == type;
        return false;
    }
    const QEvent::Type type;
    int count = 0;
};
