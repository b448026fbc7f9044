#include "../TestUtil.h"
#include "FrameTest.h"
#include "ProbePlugin.h"

#include "bus/Manager.h"
#include "host/FrameDefaults.h"
#include "host/OstrelApp.h"
#include "host/OutlookBar.h"
#include "host/SignInDialogs.h"
#include "host/UIPlugin.h"

#include <QDir>
#include <QScreen>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QShortcut>
#include <QTest>
#include <QToolButton>

using namespace QVPlugin;
using namespace hosttest;

namespace {

// Sign-in dialogs that note what the frame asked and answer as scripted.
class FakeDialogs : public ISignInDialogs
{
public:
    explicit FakeDialogs(QStringList *log) : m_log(log) {}
    bool RunLogin(QWidget *, LoginInfo &login) override
    {
        *m_log << QStringLiteral("login");
        login.user = QStringLiteral("agent");
        return true;
    }
    void ShowConnecting(QWidget *) override { *m_log << QStringLiteral("connecting shown"); }
    void CloseConnecting() override { *m_log << QStringLiteral("connecting closed"); }
    void RunChangePassword(QWidget *) override {}

private:
    QStringList *m_log;
};

// The plug-ins in dispatch order, by name.
QStringList Names(const std::vector<IPlugin *> &plugins)
{
    QStringList names;
    for (IPlugin *plugin : plugins) {
        const QUuid id = *plugin->GetId();
        names << (id == kProbeId ? static_cast<CProbePlugin *>(plugin)->Name()
                  : id == PLUGIN_GUID_UI ? QStringLiteral("ui")
                  : id == PLUGIN_GUID_SETTINGS_STORAGE ? QStringLiteral("storage")
                                                        : id.toString());
    }
    return names;
}

class MainFrame : public FrameTest
{
protected:
    // probes: the fixture libraries to load ("probe", "probe2").
    void Start(const QStringList &probes, std::function<IPlugin *()> updateCheck = {})
    {
        for (const QString &probe : probes) {
            ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_HOST_FIXTURES "/") + probe + QStringLiteral(".so"),
                                    QDir(ProgramDir()).filePath(probe + QStringLiteral(".so"))));
        }
        CMainFrame::Options options;
        options.programDir = ProgramDir();
        options.settingsFile = SettingsFile();
        options.makeUpdateCheck = std::move(updateCheck);
        frame = std::make_unique<CMainFrame>(options);
        frame->SetSignInDialogs(std::make_unique<FakeDialogs>(&log));
        ASSERT_TRUE(frame->Create());
        frame->LoadFrame();
        frame->resize(860, 560);
        frame->show();
        QCoreApplication::processEvents();
        log.clear();
    }

    CProbePlugin *Probe(const QString &name) const
    {
        for (IPlugin *plugin : frame->Bus()->Plugins()) {
            if (*plugin->GetId() == kProbeId && static_cast<CProbePlugin *>(plugin)->Name() == name)
                return static_cast<CProbePlugin *>(plugin);
        }
        return nullptr;
    }

    template <typename T>
    void SendValue(const QUuid &id, const T &value)
    {
        QVMessage<T> message(value);
        frame->Bus()->SendMessage(nullptr, id, &message, nullptr);
        QCoreApplication::processEvents();
    }

    // Each popup of the menu bar with its items and their state after an
    // update: "&File: Sign In...[on] | -" ...
    QStringList MenuBar() const
    {
        QStringList lines;
        for (QAction *top : frame->menuBar()->actions()) {
            QMenu *menu = top->menu();
            if (!menu)
                continue;
            emit menu->aboutToShow();
            QStringList items;
            for (QAction *action : menu->actions()) {
                if (action->isSeparator()) {
                    items << QStringLiteral("-");
                    continue;
                }
                items << action->text().section(QLatin1Char('\t'), 0, 0)
                             + (action->isEnabled() ? QStringLiteral("[on]") : QStringLiteral("[off]"))
                             + (action->isChecked() ? QStringLiteral("[checked]") : QString());
            }
            lines << top->text() + QStringLiteral(": ") + items.join(QStringLiteral(" | "));
        }
        return lines;
    }

    QStringList log;
};

} // namespace

TEST_F(MainFrame, MenusOfAPlugInFreeStart)
{
    Start({});
    const QStringList expected = {
        "&File: Sign In...[on] | Sign Out...[off] | - | Change Password...[on] | - | E&xit[on]",
        "&Edit: &Undo[off] | - | Cu&t[off] | &Copy[off] | &Paste[off] | - | Select All[off]",
        "&View: &Status Bar[on][checked]",
        "&Tools: &Settings...[on]",
        "&Quelvar: Home Page...[on] | Manage Account...[on] | Getting Started...[on]",
        "&Help: Technical Support...[on] | Frequently Asked Questions...[on] | - | &About Quelvar...[on]",
    };
    EXPECT_EQ(MenuBar(), expected);
    EXPECT_EQ(frame->findChildren<QShortcut *>().size(), 12);
    EXPECT_EQ(frame->UIPlugin()->CurrentMode(), -1);
    EXPECT_EQ(frame->minimumSize(), QSize(640, 440));
    SaveForReview(frame.get(), QStringLiteral("mainframe-no-plugins.png"));
}

TEST_F(MainFrame, StartupOrderOfThePlugins)
{
    QSettings(SettingsFile(), QSettings::IniFormat).setValue(QStringLiteral("Values/probe.greeting"), "hello");
    QStringList seenByUpdateCheck;
    Start({QStringLiteral("probe"), QStringLiteral("probe2")}, [&] {
        auto *updateCheck = new CProbePlugin(QStringLiteral("update"), 0);
        updateCheck->addWindows = false;
        updateCheck->onLoad = [&] { seenByUpdateCheck = Names(frame->Bus()->Plugins()); };
        return updateCheck;
    });

    EXPECT_EQ(seenByUpdateCheck, (QStringList{"ui", "probe", "probe2", "storage"})) << "the libraries came first";
    EXPECT_EQ(Names(frame->Bus()->Plugins()), (QStringList{"ui", "probe", "probe2", "storage", "update"}));
    CProbePlugin *probe2 = Probe(QStringLiteral("probe2"));
    ASSERT_TRUE(probe2);
    EXPECT_EQ(Probe(QStringLiteral("probe"))->heard.front(), QStringLiteral("load, view parent set, greeting hello"))
        << "the storage and the user-interface plug-in were there before the libraries";

    // Two pages: the second is shown and left again, so the first page's mode
    // comes in through the page-change notifications. One page needs no toggle.
    EXPECT_EQ(probe2->heard.filter(QStringLiteral("MODE_")),
              (QStringList{"MODE_ACTIVATE 2000", "MODE_DEACTIVATE 2000", "MODE_ACTIVATE 1000"}));
    EXPECT_EQ(frame->UIPlugin()->CurrentMode(), 1000);
    EXPECT_TRUE(frame->ClientView()->findChild<QWidget *>(QStringLiteral("probeView"))->isVisible());
    frame.reset();
    QFile::remove(QDir(ProgramDir()).filePath(QStringLiteral("probe2.so")));
    Start({});
    EXPECT_EQ(Probe(QStringLiteral("probe"))->heard.filter(QStringLiteral("MODE_")),
              QStringList{QStringLiteral("MODE_ACTIVATE 1000")});
    SaveForReview(frame.get(), QStringLiteral("mainframe-probe-page.png"));
}

TEST_F(MainFrame, PagesAreModesAndCommandsReachTheModesOwner)
{
    Start({QStringLiteral("probe"), QStringLiteral("probe2")});
    CProbePlugin *probe = Probe(QStringLiteral("probe"));
    CProbePlugin *probe2 = Probe(QStringLiteral("probe2"));
    CQVOutlookBar *bar = frame->OutlookBar();
    probe2->commands = {40000};
    probe2->menu = MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Probe"), {MenuSpec::Command(40000, "Run")})});

    probe->results[MSG_MODE_DEACTIVATE] = -1;
    auto *button = bar->findChildren<QToolButton *>().at(1);
    button->click();
    EXPECT_EQ(bar->ActivePage(), 0) << "the mode's plug-in refused";
    EXPECT_FALSE(button->isChecked());

    probe->results.erase(MSG_MODE_DEACTIVATE);
    button->click();
    EXPECT_EQ(frame->UIPlugin()->CurrentMode(), 2000);
    EXPECT_TRUE(frame->ClientView()->findChild<QWidget *>(QStringLiteral("probe2View"))->isVisible());
    EXPECT_FALSE(frame->ClientView()->findChild<QWidget *>(QStringLiteral("probeView"))->isVisible());

    EXPECT_TRUE(MenuBar().contains(QStringLiteral("&Probe: Run[on]")));
    EXPECT_TRUE(frame->RunCommand(40000));
    EXPECT_EQ(probe2->heard.last(), QStringLiteral("ran 40000"));
    EXPECT_FALSE(frame->RunCommand(40001)) << "nobody takes it: disabled";

    ASSERT_TRUE(bar->SetActivePage(0));
    EXPECT_FALSE(frame->RunCommand(40000)) << "its mode is no longer active";
    EXPECT_FALSE(MenuBar().join(QLatin1Char('\n')).contains(QStringLiteral("&Probe")));
}

TEST_F(MainFrame, AcceleratorsRunCommandsOfTheMode)
{
    Start({QStringLiteral("probe")});
    CProbePlugin *probe = Probe(QStringLiteral("probe"));
    probe->commands = {40000};
    probe->accelerators = {{40000, QKeySequence(QStringLiteral("F2"))}, {CmdSignIn, QKeySequence(QStringLiteral("F3"))}};
    // Reactivate the mode so the probe merges its keys.
    ASSERT_TRUE(frame->UIPlugin()->DeactivateMode());
    ASSERT_TRUE(frame->UIPlugin()->ActivateMode(1000));
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));

    QTest::keyClick(frame.get(), Qt::Key_F2);
    EXPECT_EQ(probe->heard.last(), QStringLiteral("ran 40000"));
    QTest::keyClick(frame.get(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_TRUE(log.isEmpty()) << "Ctrl+I no longer signs in: the mode moved Sign In to F3";
    QTest::keyClick(frame.get(), Qt::Key_F3);
    EXPECT_TRUE(log.contains(QStringLiteral("login")));
    SendValue(MSG_PRESENCE_STATE, PresenceConnecting);
    QTest::keyClick(frame.get(), Qt::Key_F3);
    EXPECT_EQ(log.count(QStringLiteral("login")), 1) << "signing in: Sign In is disabled, so is its key";
}

TEST_F(MainFrame, CloseQueryKeepsTheFrameOpen)
{
    Start({QStringLiteral("probe")});
    QStringList journal;
    CProbePlugin *probe = Probe(QStringLiteral("probe"));
    probe->SetJournal(&journal);
    probe->results[MSG_QUERY_CLOSE] = 1;

    EXPECT_FALSE(frame->close());
    EXPECT_TRUE(frame->RunCommand(CmdAppExit)) << "File, Exit asks the same way";
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(journal.contains(QStringLiteral("probe:LOGOUT")));

    probe->results.erase(MSG_QUERY_CLOSE);
    EXPECT_TRUE(frame->close());
    frame.reset();
    EXPECT_EQ(journal.filter(QStringLiteral("QUERY_CLOSE")).size(), 3);
    EXPECT_TRUE(journal.contains(QStringLiteral("probe:LOGOUT"))) << "signed out as the frame went";
}

TEST_F(MainFrame, ALostConnectionSignsInAgainOnce)
{
    Start({QStringLiteral("probe")});
    CProbePlugin *probe = Probe(QStringLiteral("probe"));
    EXPECT_FALSE(frame->RunCommand(CmdSignOut)) << "signed out already";
    EXPECT_TRUE(frame->RunCommand(CmdSignIn));
    EXPECT_EQ(log, (QStringList{"connecting closed", "login", "connecting shown"}));
    SendValue(MSG_PRESENCE_STATE, PresenceOnline);
    EXPECT_FALSE(frame->CommandState(CmdSignIn).Enabled().value());

    // Closed by the server: one automatic sign-in with the same account...
    log.clear();
    SendValue(MSG_CONNECTION_ERROR, 8);
    EXPECT_EQ(log, QStringList{QStringLiteral("connecting shown")});
    EXPECT_EQ(probe->heard.filter(QStringLiteral("LOGIN")).size(), 2);
    // ...and the login dialog the next time.
    log.clear();
    SendValue(MSG_CONNECTION_ERROR, 8);
    EXPECT_TRUE(log.contains(QStringLiteral("login")));
    EXPECT_EQ(frame->ConnectionState(), int(PresenceOffline));
}

TEST_F(MainFrame, PresencePaneAndServiceLinks)
{
    Start({});
    const std::pair<PresenceState, const char *> states[] = {
        {PresenceError, "Error"}, {PresenceOffline, "Offline"}, {PresenceConnecting, "Connecting"},
        {PresenceOnline, "Online"}, {PresenceAway, "Away"}, {PresenceBusy, "Busy"},
        {PresenceBeRightBack, "Be right back"}, {PresenceState(9), "Online"}};
    for (const auto &[state, text] : states) {
        log.clear();
        SendValue(MSG_PRESENCE_STATE, state);
        EXPECT_EQ(frame->findChild<QLabel *>(QStringLiteral("PresencePane"))->text(), QLatin1String(text)) << state;
        EXPECT_EQ(log.contains(QStringLiteral("connecting closed")), state != PresenceConnecting) << state;
    }

    frame->Bus()->SetSetting(QStringLiteral("server.address"), QStringLiteral("127.0.0.1:5222"));
    const std::pair<unsigned, const char *> pages[] = {
        {CmdHomePage, "https://127.0.0.1/"},
        {CmdManageAccount, "https://127.0.0.1/qvx/?t=rd&rd=account"},
        {CmdGettingStarted, "https://127.0.0.1/qvx/?t=rd&rd=gettingstarted"},
        {CmdTechnicalSupport, "https://127.0.0.1/qvx/?t=rd&rd=support"},
        {CmdFaq, "https://127.0.0.1/qvx/?t=rd&rd=faq"},
    };
    for (const auto &[id, url] : pages) {
        links.urls.clear();
        EXPECT_TRUE(frame->RunCommand(id)) << id;
        EXPECT_EQ(links.urls, QList<QUrl>{QUrl(QLatin1String(url))}) << id;
    }
}

TEST(OstrelApp, StartsTheFrameAndSignsIn)
{
    QTemporaryDir program;
    QTemporaryDir runtime;
    const QString skins = program.filePath(QStringLiteral("skins"));
    ASSERT_TRUE(QDir().mkpath(skins));
    for (const QString &file : QDir(QStringLiteral(OSTREL_PROGRAM_DIR "/skins")).entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_PROGRAM_DIR "/skins/") + file, skins + QLatin1Char('/') + file));

    QStringList log;
    static QStringList warnings;
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtWarningMsg)
                warnings << text;
        });
    COstrelApp app({program.path(), runtime.path(), program.filePath(QStringLiteral("Quelvar.conf")), {}});
    const bool started = app.InitInstance();
    qInstallMessageHandler(previous);
    ASSERT_TRUE(started);
    EXPECT_TRUE(warnings.filter("Negative sizes").isEmpty()) << warnings.join('\n').toStdString();
    app.MainFrame()->SetSignInDialogs(std::make_unique<FakeDialogs>(&log));
    EXPECT_TRUE(app.MainFrame()->isVisible());
    // The first start: room for a visitor's chat beside all of the visitor's
    // tabs, within the screen, centred on it.
    const QRect screen = app.MainFrame()->screen()->availableGeometry();
    EXPECT_EQ(app.MainFrame()->size(), QSize(1280, 800).boundedTo(screen.size()).expandedTo(QSize(640, 440)));
    // Within the window frame's margins, which are known only once it shows.
    EXPECT_LE((app.MainFrame()->frameGeometry().center() - screen.center()).manhattanLength(), 8);
    EXPECT_TRUE(waitUntil([&] { return log.contains(QStringLiteral("login")); })) << "Sign In was posted";
    EXPECT_EQ(app.ExitInstance(), 0);
}
