#include "../TestUtil.h"
#include "FrameTest.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/FrameAlerts.h"
#include "host/FrameDefaults.h"
#include "host/MinTrayNoticeDlg.h"
#include "host/QVAlertWnd.h"
#include "host/QVTrayIcon.h"
#include "host/SignInDialogs.h"
#include "host/UpgradePlugin.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace QVPlugin;
using namespace hosttest;

namespace {

// The desktop's tray as the test wants it.
struct TrayState
{
    bool available = true;
    bool visible = false;
    QString tip;
    int iconChanges = 0;
    std::function<void()> click;
};

class FakeTrayArea : public ITrayArea
{
public:
    explicit FakeTrayArea(TrayState *state) : m_state(state) {}
    bool IsAvailable() const override { return m_state->available; }
    void SetIcon(const QIcon &) override { ++m_state->iconChanges; }
    void SetToolTip(const QString &tip) override { m_state->tip = tip; }
    void SetVisible(bool visible) override { m_state->visible = visible; }
    void SetClickHandler(std::function<void()> handler) override { m_state->click = std::move(handler); }

private:
    TrayState *m_state;
};

// Signs in at once, so the frame resets its alert clocks.
class AcceptingDialogs : public ISignInDialogs
{
public:
    bool RunLogin(QWidget *, LoginInfo &) override { return true; }
    void ShowConnecting(QWidget *) override {}
    void CloseConnecting() override {}
    void RunChangePassword(QWidget *) override {}
};

// The agent's close of the frame, as the window system delivers it.
void AgentCloses(QWidget *frame)
{
    QCloseEvent close;
    QCoreApplication::sendEvent(frame->windowHandle(), &close);
}

QList<CQVAlertWnd *> OpenAlerts()
{
    QList<CQVAlertWnd *> alerts;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (auto *alert = qobject_cast<CQVAlertWnd *>(window); alert && alert->isVisible())
            alerts << alert;
    }
    return alerts;
}

class Alerts : public FrameTest
{
protected:
    void Start(bool updateCheck = false)
    {
        CMainFrame::Options options;
        options.programDir = ProgramDir();
        options.settingsFile = SettingsFile();
        if (updateCheck)
            options.makeUpdateCheck = [this] { return new CUpgradePlugin(frame.get(), ProgramDir(), "5.0.592.2"); };
        options.makeTrayArea = [this] { return std::make_unique<FakeTrayArea>(&tray); };
        frame = std::make_unique<CMainFrame>(options);
        ASSERT_TRUE(frame->Create());
        frame->SetSignInDialogs(std::make_unique<AcceptingDialogs>());
        frame->LoadFrame();
        frame->setGeometry(100, 80, 800, 520);
        frame->show();
        alerts = frame->Alerts();
        alerts->SetSoundPlayer([this](const QString &path) { sounds << path; });
        alerts->SetNoticeRunner([this](QWidget *) {
            ++notices;
            return tickDoNotShowAgain;
        });
        QObject::connect(frame.get(), &CMainFrame::Closed, [this] { ++closed; });
        QCoreApplication::processEvents();
    }
    void TearDown() override
    {
        for (CQVAlertWnd *alert : OpenAlerts())
            delete alert;
        FrameTest::TearDown();
    }

    void Alert(int kind)
    {
        AlertInfo alert;
        alert.title = QStringLiteral("Ann");
        alert.text = QStringLiteral("hello");
        alert.kind = kind;
        frame->Bus()->SendMessage(nullptr, MSG_ALERT, &alert, nullptr);
    }
    QVariant Setting(const char *key) { return frame->Bus()->GetSetting(QLatin1String(key), QVariant()); }
    void Set(const char *key, const QVariant &value) { frame->Bus()->SetSetting(QLatin1String(key), value); }

    TrayState tray;
    CFrameAlerts *alerts = nullptr;
    QStringList sounds;
    int notices = 0;
    bool tickDoNotShowAgain = false;
    int closed = 0;
};

} // namespace

TEST(AlertWindow, ShowsTextsLiterallyAndCloses)
{
    QPointer<CQVAlertWnd> timed = new CQVAlertWnd(QStringLiteral("<b>x</b>"), QStringLiteral("<i>y</i> & z"));
    timed->Popup(nullptr, 50);
    for (const char *name : {"c1007", "c1011"}) {
        auto *label = timed->findChild<QLabel *>(QLatin1String(name));
        ASSERT_TRUE(label) << name;
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
    }
    EXPECT_EQ(timed->findChild<QLabel *>(QStringLiteral("c1007"))->text(), QStringLiteral("<b>x</b>"));
    EXPECT_TRUE(timed->isVisible());
    EXPECT_FALSE(timed->isActiveWindow()); // never takes the agent's typing
    EXPECT_TRUE(waitUntil([&] { return timed.isNull(); })) << "closes by itself";

    QPointer<CQVAlertWnd> clicked = new CQVAlertWnd(QStringLiteral("New caller"), QStringLiteral("Ann"));
    clicked->Popup();
    QTest::mouseClick(clicked->findChild<QLabel *>(QStringLiteral("c1011")), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return clicked.isNull(); })) << "closes on a click";
}

// Many alerts at once: each has a place of its own, a second column when
// the first is full, and none at all (it waits) when the screen is full.
TEST(AlertWindow, PlacesNeverOverlap)
{
    const QRect area(0, 0, 1024, 800);
    const QSize size(280, 90);
    QList<QRect> taken;
    for (int i = 0; i < 14; ++i) {
        const std::optional<QRect> place = CQVAlertWnd::FreePlace(area, size, taken);
        ASSERT_TRUE(place) << i;
        EXPECT_TRUE(area.contains(*place)) << i;
        for (const QRect &other : taken)
            EXPECT_FALSE(other.intersects(*place)) << i;
        taken << *place;
    }
    EXPECT_LT(taken[13].right(), taken[0].left()) << "the ninth and later start a second column";
    EXPECT_EQ(taken[7].right(), taken[0].right());
    // A freed place is taken again; a full screen leaves none.
    const QRect freed = taken.takeAt(3);
    EXPECT_EQ(CQVAlertWnd::FreePlace(area, size, taken), freed);
    const std::optional<QRect> none = CQVAlertWnd::FreePlace(QRect(0, 0, 300, 200), size, {QRect(0, 0, 300, 200)});
    EXPECT_FALSE(none);
}

TEST(MinTrayNotice, TextPictureAndCheckBox)
{
    CMinTrayNoticeDlg notice;
    EXPECT_EQ(notice.findChild<QLabel *>(QStringLiteral("cText"))->text(), CMinTrayNoticeDlg::kText);
    EXPECT_FALSE(notice.findChild<QLabel *>(QStringLiteral("c314"))->pixmap().isNull());
    EXPECT_FALSE(notice.DoNotShowAgain());
    notice.findChild<QCheckBox *>(QStringLiteral("c1004"))->click();
    EXPECT_TRUE(notice.DoNotShowAgain());
}

TEST_F(Alerts, AlertReachesPopupSoundAndTray)
{
    Start();
    EXPECT_EQ(tray.tip, QStringLiteral("Quelvar"));
    EXPECT_TRUE(tray.visible);

    Alert(1);
    ASSERT_EQ(OpenAlerts().size(), 1);
    EXPECT_EQ(OpenAlerts()[0]->findChild<QLabel *>(QStringLiteral("c1007"))->text(), QStringLiteral("New caller"));
    EXPECT_EQ(sounds, QStringList{QDir(ProgramDir()).filePath(QStringLiteral("newcall.wav"))});
    EXPECT_TRUE(alerts->Tray()->IsAnimating());

    // An absolute sound file is played as given.
    const QString own = QDir(ProgramDir()).filePath(QStringLiteral("elsewhere/ding.wav"));
    Set("application.newmsg.soundfile", own);
    Alert(7);
    EXPECT_EQ(sounds.last(), own);

    // A second caller at once is held back, until the agent signs in again.
    Alert(1);
    EXPECT_EQ(sounds.size(), 2);
    ASSERT_TRUE(frame->RunCommand(CmdSignIn));
    Alert(1);
    EXPECT_EQ(sounds.size(), 3);
}

TEST_F(Alerts, AlertsOpenTogetherCanEachBeRead)
{
    Start();
    for (int i = 0; i < 3; ++i)
        Alert(7);
    const QList<CQVAlertWnd *> open = OpenAlerts();
    ASSERT_EQ(open.size(), 3);
    ASSERT_TRUE(waitUntil([&] { return std::none_of(open.begin(), open.end(), [](auto *a) { return a->IsSliding(); }); },
                          2000));
    for (int i = 0; i < 3; ++i) {
        for (int j = i + 1; j < 3; ++j)
            EXPECT_FALSE(open[i]->geometry().intersects(open[j]->geometry())) << i << " and " << j;
    }
}

TEST_F(Alerts, TrayFlashesUntilTheFrameIsActive)
{
    Start();
    QVMessage<bool> on(true);
    frame->Bus()->SendMessage(nullptr, MSG_SET_FLASHING, &on, nullptr);
    ASSERT_TRUE(alerts->Tray()->IsAnimating());
    EXPECT_GT(alerts->Tray()->FrameCount(), 1);
    const int before = tray.iconChanges;
    EXPECT_TRUE(waitUntil([&] { return tray.iconChanges >= before + 2; }, 3 * CQVTrayIcon::kAnimationMs))
        << "a new frame every " << CQVTrayIcon::kAnimationMs << " ms";

    emit frame->TrayFlashingRequested(false); // as the frame does when it becomes active
    EXPECT_FALSE(alerts->Tray()->IsAnimating());
    EXPECT_EQ(alerts->Tray()->ShownFrame(), 0);

    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    ASSERT_TRUE(waitUntil([&] { return !frame->isActiveWindow(); }));
    frame->Bus()->SendMessage(nullptr, MSG_SET_FLASHING, &on, nullptr);
    QApplication::setActiveWindow(frame.get());
    EXPECT_TRUE(waitUntil([&] { return !alerts->Tray()->IsAnimating(); })) << "stops when the frame gets the focus";
}

TEST_F(Alerts, MinimiseAndCloseIntoTheTray)
{
    Start();
    Set("ui.minimizeToTray", true);
    const QRect placed = frame->geometry();

    frame->showMinimized();
    ASSERT_TRUE(waitUntil([&] { return frame->isHidden(); }));
    EXPECT_TRUE(alerts->IsFrameInTray());
    EXPECT_EQ(notices, 1);
    EXPECT_TRUE(Setting("ui.minimizeToTray.confirmation").toBool()) << "box left clear: the notice stays on";

    tray.click();
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_EQ(frame->geometry(), placed);

    // The agent's close hides it too; ticking the box turns the notice off for good.
    tickDoNotShowAgain = true;
    AgentCloses(frame.get());
    ASSERT_TRUE(waitUntil([&] { return frame->isHidden(); }));
    EXPECT_EQ(notices, 2);
    EXPECT_FALSE(Setting("ui.minimizeToTray.confirmation").toBool());
    EXPECT_EQ(closed, 0);

    frame->Activate(); // a second start of the program
    EXPECT_TRUE(frame->isVisible());
    AgentCloses(frame.get());
    ASSERT_TRUE(waitUntil([&] { return frame->isHidden(); }));
    EXPECT_EQ(notices, 2);
    tray.click();

    // File, Exit ends the program whatever the setting.
    ASSERT_TRUE(frame->RunCommand(CmdAppExit));
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(alerts->IsFrameInTray());
}

TEST_F(Alerts, WithoutATrayTheFrameClosesAsUsual)
{
    tray.available = false;
    Start();
    Set("ui.minimizeToTray", true);
    AgentCloses(frame.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(notices, 0);
}

TEST_F(Alerts, AMandatoryUpdateEndsTheProgramFromTheTrayToo)
{
    Start(true);
    Set("ui.minimizeToTray", true);
    QVMessage<std::string> version("5.1.0.0");
    frame->Bus()->SendMessage(nullptr, MSG_AGENT_VERSION_INFO, &version, nullptr);
    EXPECT_TRUE(waitUntil([&] { return closed == 1; })) << "the answer was No: the program ends all the same";
    EXPECT_EQ(notices, 0);
    EXPECT_FALSE(alerts->IsFrameInTray());
}

// A picture of an alert over the main frame for docs/ (scripts/alert-screenshot.sh
// runs this under Xvfb).
TEST_F(Alerts, PictureOfAnAlertOverTheFrame)
{
    Start();
    frame->setGeometry(frame->screen()->availableGeometry().adjusted(40, 30, 0, 0));
    Alert(1);
    ASSERT_EQ(OpenAlerts().size(), 1);
    CQVAlertWnd *popup = OpenAlerts()[0];
    ASSERT_TRUE(waitUntil([&] { return !popup->IsSliding(); }, 2000));
    EXPECT_TRUE(frame->geometry().contains(popup->geometry())) << "over the frame";
    const QString folder = qEnvironmentVariable("OSTREL_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(popup->screen()->grabWindow(0).save(QDir(folder).filePath(QStringLiteral("alert-popup.png"))));
    }
}
