#pragma once
// Real key and pointer events through the X server (xdotool's XTest), for
// the tests that check where the keys go: they reach whichever window the
// window system gave the focus, as the agent's keys do, not a widget the
// test chose.

#include "tests/TestUtil.h"

#include <QGuiApplication>
#include <QProcess>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <memory>

namespace xkeys {

inline bool OnX()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Whether a window manager manages the screen (the WM test option).
inline bool Managed()
{
    QProcess p;
    p.start(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return p.waitForFinished(5000) && p.readAllStandardOutput().contains("window id");
}

// Runs xdotool while this thread's events go on, so the program's windows
// take the keys as they arrive.
class Xdo
{
public:
    explicit Xdo(const QStringList &arguments)
    {
        m_process.start(QStringLiteral("xdotool"), arguments);
        m_process.waitForStarted(5000);
    }
    bool Wait(int timeoutMs = 30000)
    {
        const bool done = waitUntil([&] { return m_process.state() == QProcess::NotRunning; }, timeoutMs);
        // The last keys' events may still be on their way.
        waitUntil([] { return false; }, 100);
        return done && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }
    ~Xdo()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(1000);
        }
    }

private:
    QProcess m_process;
};

// Starts typing the text into whatever window has the X focus, one key every
// delayMs; Wait() on the result.
inline std::unique_ptr<Xdo> StartTyping(const QString &text, int delayMs = 40)
{
    return std::make_unique<Xdo>(
        QStringList{QStringLiteral("type"), QStringLiteral("--delay"), QString::number(delayMs), QStringLiteral("--"), text});
}

inline bool Type(const QString &text, int delayMs = 20)
{
    return StartTyping(text, delayMs)->Wait();
}

inline bool Key(const QString &key)
{
    return Xdo({QStringLiteral("key"), key}).Wait();
}

// The agent turns to the window: through the window manager when there is
// one, as a click on its title would.
inline bool Activate(QWidget *window)
{
    const QString id = QString::number(window->window()->winId());
    Xdo({QStringLiteral("windowactivate"), QStringLiteral("--sync"), id}).Wait(5000);
    return waitUntil([&] { return window->window()->isActiveWindow(); });
}

// A click of the agent's at the middle of the widget.
inline bool Click(QWidget *widget)
{
    const QPoint at = widget->mapToGlobal(widget->rect().center());
    // No --sync: it would wait for ever when the pointer is already there.
    return Xdo({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
                QStringLiteral("1")})
        .Wait(5000);
}

} // namespace xkeys
