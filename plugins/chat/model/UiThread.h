#pragma once
// Asserts (in debug builds) that the caller runs on the application's
// user-interface thread.

#include <QCoreApplication>
#include <QThread>

namespace Tessary {

inline void AssertUiThread()
{
    Q_ASSERT(!QCoreApplication::instance() || QThread::currentThread() == QCoreApplication::instance()->thread());
}

} // namespace Tessary
