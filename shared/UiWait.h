#pragma once
// The one way the user-interface thread waits for an answer it cannot go on
// without (a knowledge-base write, the editing page's body). The windows
// paint and every other event runs meanwhile: a box opened by a message, a
// sign-in dialog, an alert's timer, a close or a quit all work. Only the
// user's input is held, and it reaches its target before the wait returns,
// so that nothing typed during the wait lands in whatever the caller shows
// next (an error box, say). User-interface thread only; Finish() from any.

#include <QObject>

#include <atomic>
#include <chrono>

class QEventLoop;

class CUiWait : public QObject
{
public:
    explicit CUiWait(QObject *parent = nullptr);
    ~CUiWait() override;

    // Ends the wait; safe from any thread, also before Run().
    void Finish();

    // Waits until Finish(), the limit (none when negative) or the program's
    // quit; with busy set the cursor shows it. True when finished in time.
    bool Run(std::chrono::milliseconds limit = std::chrono::milliseconds(-1), bool busy = false);

private:
    QEventLoop *m_loop;
    std::atomic<bool> m_finished{false};
};
