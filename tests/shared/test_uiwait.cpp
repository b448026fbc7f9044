// The user-interface thread's wait on an X display of its own, with real
// input from the window system.

#include "shared/UiWait.h"

#include "tests/TestUtil.h"

#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

namespace {

// A click into another field and keys typed while the wait runs reach that
// field before the wait returns, not whatever the caller opens next.
TEST(UiWait, InputHeldDuringTheWaitReachesItsTargetBeforeItReturns)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *first = new QLineEdit(&window);
    auto *second = new QLineEdit(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.resize(300, 100);
    window.show();
    window.activateWindow();
    first->setFocus();
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow() && first->hasFocus(); }));
    const QPoint at = second->mapTo(&window, second->rect().center());

    CUiWait wait;
    const std::string command = "xdotool mousemove --window " + std::to_string(window.winId()) + " "
                                + std::to_string(at.x()) + " " + std::to_string(at.y())
                                + " click 1 sleep 0.2 type --delay 50 ZZ";
    int status = -1;
    std::thread input([&] {
        status = std::system(command.c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        wait.Finish();
    });
    EXPECT_TRUE(wait.Run(std::chrono::milliseconds(20000)));
    const QString typed = second->text();
    input.join();
    ASSERT_EQ(status, 0);
    EXPECT_EQ(typed, QStringLiteral("ZZ"));
    EXPECT_TRUE(first->text().isEmpty());
}

} // namespace
