#include "shared/UiWait.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

namespace {

// Long enough for the window system's held input to be read and handed on
// (two turns of the loop on X11); short enough never to be felt.
constexpr int kDeliverHeldMs = 50;

} // namespace

CUiWait::CUiWait(QObject *parent) : QObject(parent), m_loop(new QEventLoop(this)) {}

CUiWait::~CUiWait() = default;

void CUiWait::Finish()
{
    m_finished = true;
    QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
}

bool CUiWait::Run(std::chrono::milliseconds limit, bool busy)
{
    QTimer deadline;
    if (limit.count() >= 0) {
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, m_loop, &QEventLoop::quit);
        deadline.start(limit);
    }
    if (busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    // No close filter: on X11 the window manager's close is user input and
    // held with the rest; the program's own closes must go through.
    if (!m_finished)
        m_loop->exec(QEventLoop::ExcludeUserInputEvents);
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    deadline.stop();
    QCoreApplication::processEvents(QEventLoop::AllEvents, kDeliverHeldMs);
    return m_finished;
}
