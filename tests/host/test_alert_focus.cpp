// An alert that brings the frame back from the tray on a real X display:
// the frame comes forward, the agent's typing stays where it was.

#include "../TestUtil.h"
#include "../XKeys.h"
#include "FrameTest.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/FrameAlerts.h"
#include "host/QVTrayIcon.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QWindow>

using namespace QVPlugin;
using namespace hosttest;

namespace {

class AvailableTray : public ITrayArea
{
public:
    bool IsAvailable() const override { return true; }
    void SetIcon(const QIcon &) override {}
    void SetToolTip(const QString &) override {}
    void SetVisible(bool) override {}
    void SetClickHandler(std::function<void()>) override {}
};

class AlertFocus : public FrameTest
{
};

} // namespace

TEST_F(AlertFocus, ANewMessageBringsTheFrameFromTheTrayWithoutTheFocus)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";
    CMainFrame::Options options;
    options.programDir = ProgramDir();
    options.settingsFile = SettingsFile();
    options.makeTrayArea = [] { return std::make_unique<AvailableTray>(); };
    frame = std::make_unique<CMainFrame>(options);
    ASSERT_TRUE(frame->Create());
    frame->LoadFrame();
    frame->setGeometry(100, 80, 800, 520);
    frame->show();
    frame->Alerts()->SetSoundPlayer([](const QString &) {});
    CManager *bus = frame->Bus();
    bus->SetSetting(QStringLiteral("ui.minimizeToTray"), true);
    bus->SetSetting(QStringLiteral("ui.minimizeToTray.confirmation"), false);
    bus->SetSetting(QStringLiteral("application.newmsg.bringwndtotop"), true);
    QCloseEvent close; // the agent's close
    QCoreApplication::sendEvent(frame->windowHandle(), &close);
    ASSERT_TRUE(waitUntil([&] { return frame->Alerts()->IsFrameInTray(); }));

    // The window the agent types in.
    QLineEdit elsewhere;
    elsewhere.setGeometry(150, 150, 300, 40);
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &elsewhere; }));

    AlertInfo alert;
    alert.title = QStringLiteral("Ann");
    alert.kind = 2;
    bus->SendMessage(nullptr, MSG_ALERT, &alert, nullptr);
    EXPECT_TRUE(waitUntil([&] { return frame->isVisible(); }));
    waitUntil([] { return false; }, 500);
    EXPECT_EQ(QApplication::activeWindow(), &elsewhere);
}

// An alert calls the frame from the tray or the task bar while the agent
// types into another window: every key the agent typed arrives there.
TEST_F(AlertFocus, AFrameBroughtBackByAnAlertLeavesTheKeysWhereTheAgentTypes)
{
    if (!xkeys::OnX() || !xkeys::Managed())
        GTEST_SKIP() << "needs an X display with a window manager";
    for (const bool inTray : {true, false}) {
        SCOPED_TRACE(inTray ? "in the tray" : "minimised");
        CMainFrame::Options options;
        options.programDir = ProgramDir();
        options.settingsFile = SettingsFile();
        options.makeTrayArea = [] { return std::make_unique<AvailableTray>(); };
        frame = std::make_unique<CMainFrame>(options);
        ASSERT_TRUE(frame->Create());
        frame->LoadFrame();
        frame->setGeometry(100, 80, 800, 520);
        frame->show();
        ASSERT_TRUE(xkeys::Activate(frame.get()));
        frame->Alerts()->SetSoundPlayer([](const QString &) {});
        CManager *bus = frame->Bus();
        bus->SetSetting(QStringLiteral("ui.minimizeToTray"), inTray);
        bus->SetSetting(QStringLiteral("ui.minimizeToTray.confirmation"), false);
        bus->SetSetting(QStringLiteral("application.newmsg.bringwndtotop"), true);
        if (inTray) {
            QCloseEvent close; // the agent's close
            QCoreApplication::sendEvent(frame->windowHandle(), &close);
            ASSERT_TRUE(waitUntil([&] { return frame->Alerts()->IsFrameInTray(); }));
        } else {
            frame->showMinimized();
            ASSERT_TRUE(waitUntil([&] { return frame->isMinimized(); }));
        }

        // The window the agent types in.
        QLineEdit elsewhere;
        elsewhere.setGeometry(150, 150, 300, 40);
        elsewhere.show();
        ASSERT_TRUE(xkeys::Activate(&elsewhere));

        const QString typed = QStringLiteral("every letter of this line reaches the window it is typed in");
        auto typing = xkeys::StartTyping(typed);
        waitUntil([] { return false; }, 300);
        AlertInfo alert;
        alert.title = QStringLiteral("Ann");
        alert.kind = 2;
        bus->SendMessage(nullptr, MSG_ALERT, &alert, nullptr);
        // From the tray it shows; minimised, it flashes in the task bar.
        EXPECT_TRUE(waitUntil([&] { return frame->isVisible(); }));
        ASSERT_TRUE(typing->Wait());
        EXPECT_EQ(elsewhere.text().toStdString(), typed.toStdString());
        EXPECT_EQ(QApplication::activeWindow(), &elsewhere);
        frame.reset();
    }
}
