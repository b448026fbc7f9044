// The customisation of the main frame's menu bar and toolbars, driven
// through its dialog, kept in the settings and read back by a new frame.

#include "bus/Manager.h"
#include "host/FrameDefaults.h"
#include "host/OutlookBar.h"
#include "host/UIPlugin.h"
#include "shared/CommandBars.h"
#include "shared/CustomizeDialog.h"
#include "tests/host/FrameTest.h"

#include <QAction>
#include <QCoreApplication>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QLabel>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <functional>

using namespace hosttest;
using QVPlugin::CommandIdOf;

namespace {

const QStringList kShippedMenuBar = {"m&File", "m&Edit", "m&View", "m&Tools", "m&Quelvar", "m&Help"};

class Customize : public FrameTest
{
protected:
    void Start()
    {
        CMainFrame::Options options;
        options.programDir = ProgramDir();
        options.settingsFile = SettingsFile();
        frame = std::make_unique<CMainFrame>(options);
        ASSERT_TRUE(frame->Create());
        frame->LoadFrame();
        frame->show();
        QCoreApplication::processEvents();
    }
    void Restart()
    {
        frame->close();
        frame.reset();
        Start();
    }
    CCommandBars *Bars() const { return frame->CommandBars(); }
    QStringList MenuBar() const { return Bars()->Layout(CCommandBars::kMenuBar); }
    // The dialog's commands list at the command.
    static void SelectCommand(CCustomizeDialog &dialog, const QString &category, const QString &text)
    {
        auto *categories = dialog.findChild<QListWidget *>(QStringLiteral("Categories"));
        const QList<QListWidgetItem *> found = categories->findItems(category, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << category.toStdString();
        categories->setCurrentItem(found[0]);
        const QList<QListWidgetItem *> commands = dialog.CommandList()->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(commands.size(), 1) << text.toStdString();
        dialog.CommandList()->setCurrentItem(commands[0]);
    }
    void WriteSaved(const QVariant &value)
    {
        QSettings settings(SettingsFile(), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Workspace/CommandBars"), value);
        settings.setValue(QStringLiteral("Values/ui.kept"), QStringLiteral("yes"));
    }
};

} // namespace

// Each row works the dialog on a running frame; the menu bar (and the
// agent's toolbar, when there is one) must read the same after a restart.
TEST_F(Customize, DialogOperationsApplyAtOnceAndSurviveARestart)
{
    struct Case
    {
        const char *name;
        std::function<void(CCustomizeDialog &)> work;
        QStringList menuBar;
        QStringList toolBar; // the agent's first toolbar; empty = none
        bool toolBarShown = true;
    };
    const Case cases[] = {
        {"add a command after the selected menu",
         [](CCustomizeDialog &d) {
             SelectCommand(d, "Tools", "Settings...");
             d.ItemList()->setCurrentRow(0);
             d.AddSelected();
         },
         {"m&File", "c32780", "m&Edit", "m&View", "m&Tools", "m&Quelvar", "m&Help"}},
        {"remove a menu",
         [](CCustomizeDialog &d) {
             d.ItemList()->setCurrentRow(4);
             d.RemoveSelected();
         },
         {"m&File", "m&Edit", "m&View", "m&Tools", "m&Help"}},
        {"move with the buttons",
         [](CCustomizeDialog &d) {
             d.ItemList()->setCurrentRow(0);
             d.MoveSelected(1);
             d.MoveSelected(1);
             d.MoveSelected(-1);
         },
         {"m&Edit", "m&File", "m&View", "m&Tools", "m&Quelvar", "m&Help"}},
        {"drag an item to another place",
         [](CCustomizeDialog &d) {
             d.ItemList()->model()->moveRow(QModelIndex(), 5, QModelIndex(), 0);
             QCoreApplication::processEvents();
         },
         {"m&Help", "m&File", "m&Edit", "m&View", "m&Tools", "m&Quelvar"}},
        {"reset after changes",
         [](CCustomizeDialog &d) {
             SelectCommand(d, "Help", "Technical Support...");
             d.AddSelected();
             d.ItemList()->setCurrentRow(0);
             d.RemoveSelected();
             d.ResetBar();
         },
         kShippedMenuBar},
        {"a toolbar of the agent's with a separator and a command",
         [](CCustomizeDialog &d) {
             d.ChooseBar(d.parentWidget()->findChild<CCommandBars *>()->AddUserBar(QStringLiteral("Mine")));
             SelectCommand(d, "File", "Sign In...");
             d.AddSelected();
             d.AddSeparator();
             SelectCommand(d, "Quelvar", "Home Page...");
             d.AddSelected();
         },
         kShippedMenuBar,
         {"c32773", "s", "c32782"}},
        {"a hidden toolbar stays hidden",
         [](CCustomizeDialog &d) {
             CCommandBars *bars = d.parentWidget()->findChild<CCommandBars *>();
             const QString name = bars->AddUserBar(QStringLiteral("Mine"));
             d.ChooseBar(name);
             SelectCommand(d, "Tools", "Settings...");
             d.AddSelected();
             bars->SetBarVisible(name, false);
         },
         kShippedMenuBar,
         {"c32780"},
         false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(SettingsFile());
        Start();
        ASSERT_EQ(MenuBar(), kShippedMenuBar);
        {
            CCustomizeDialog dialog(Bars(), frame.get());
            dialog.ChooseBar(CCommandBars::kMenuBar);
            c.work(dialog);
        }
        for (int pass = 0; pass < 2; ++pass) {
            SCOPED_TRACE(pass ? "after the restart" : "at once");
            EXPECT_EQ(MenuBar(), c.menuBar);
            const QStringList bars = Bars()->Bars();
            if (c.toolBar.isEmpty()) {
                EXPECT_EQ(bars, QStringList{CCommandBars::kMenuBar});
            } else {
                ASSERT_EQ(bars.size(), 2);
                EXPECT_EQ(Bars()->Layout(bars[1]), c.toolBar);
                EXPECT_EQ(Bars()->ToolBar(bars[1])->isHidden(), !c.toolBarShown);
                EXPECT_EQ(Bars()->ToolBar(bars[1])->windowTitle(), QStringLiteral("Mine"));
            }
            if (pass == 0)
                Restart();
        }
        frame.reset();
    }
}

TEST_F(Customize, AnAddedCommandRunsAndACustomisedMenuBarSurvivesItsRebuild)
{
    Start();
    Bars()->SetLayout(CCommandBars::kMenuBar, {"c57664", "m&Help", "m&File"});
    QAction *about = frame->menuBar()->actions().value(0);
    ASSERT_TRUE(about);
    EXPECT_EQ(CommandIdOf(about), 57664u);
    EXPECT_EQ(about->text(), QStringLiteral("About Quelvar..."));
    // The frame builds its menu bar anew (a mode change): the agent's order stays.
    frame->UIPlugin()->ActivateMode(1000);
    EXPECT_EQ(MenuBar(), (QStringList{"c57664", "m&Help", "m&File"}));
    EXPECT_EQ(CommandIdOf(frame->menuBar()->actions().value(0)), 57664u);
}

// A saved layout that cannot be trusted is set aside for the shipped one;
// the rest of the settings stay.
TEST_F(Customize, HostileSavedStateIsIgnored)
{
    const QByteArray deep = QByteArray(5000, '[') + QByteArray(5000, ']');
    const struct
    {
        const char *name;
        QVariant saved;
        QStringList menuBar;
    } cases[] = {
        {"not JSON", QByteArray("\x01\x02garbage"), kShippedMenuBar},
        {"huge", QByteArray("{\"bars\":{}, \"x\":\"") + QByteArray(200000, 'a') + "\"}", kShippedMenuBar},
        {"deeply nested", deep, kShippedMenuBar},
        {"bars of the wrong type", QByteArray(R"({"bars":[1,2,3]})"), kShippedMenuBar},
        {"items of the wrong type", QByteArray(R"({"bars":{"MenuBar":{"items":[1,{"a":2}]}}})"), kShippedMenuBar},
        {"not text at all", QVariant(QStringList{"a", "b"}), kShippedMenuBar},
        {"usage out of range", QByteArray(R"({"bars":{},"used":[-5]})"), kShippedMenuBar},
        {"an unknown bar and unknown items are dropped; menus not named follow",
         QByteArray(R"({"bars":{"Nobody":{"items":["c1"]},"MenuBar":{"items":["m&Help","c0","cx","c70000","m&File"]}}})"),
         {"m&Help", "m&File", "m&Edit", "m&View", "m&Tools", "m&Quelvar"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(SettingsFile());
        WriteSaved(c.saved);
        Start();
        EXPECT_EQ(MenuBar(), c.menuBar);
        EXPECT_EQ(frame->Bus()->GetSetting(QStringLiteral("ui.kept"), QString()).toString(), QStringLiteral("yes"));
        frame.reset();
    }
}

TEST_F(Customize, TheCustomizeEntryAndCommandOpenTheDialog)
{
    Start();
    const QVPlugin::CommandUpdate state = frame->CommandState(CmdCustomize);
    EXPECT_TRUE(state.Enabled());
    EXPECT_EQ(frame->menuBar()->contextMenuPolicy(), Qt::CustomContextMenu);
    const QString name = Bars()->AddUserBar(QStringLiteral("Mine"));
    EXPECT_EQ(Bars()->ToolBar(name)->contextMenuPolicy(), Qt::CustomContextMenu);
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto *dialog = frame->findChild<CCustomizeDialog *>()) {
            opened = true;
            dialog->ChooseBar(name);
            SelectCommand(*dialog, "Tools", "Settings...");
            dialog->AddSelected();
            SelectCommand(*dialog, "File", "Sign In...");
            dialog->AddSelected();
            SaveForReview(dialog, QStringLiteral("customize-mainframe.png"));
            dialog->accept();
        }
    });
    EXPECT_TRUE(frame->RunCommand(CmdCustomize));
    EXPECT_TRUE(opened);
}

// Personalised menus on the frame's File menu: Exit is a basic command.
TEST_F(Customize, PersonalisedMenusShowBasicAndUsedCommandsFirst)
{
    Start();
    QMenu *file = frame->menuBar()->actions().value(0)->menu();
    ASSERT_TRUE(file);
    const auto shown = [file] {
        emit file->aboutToShow();
        QStringList texts;
        for (QAction *action : file->actions()) {
            if (action->isVisible() && !action->isSeparator())
                texts << (qobject_cast<QWidgetAction *>(action) ? QStringLiteral("v") : action->text());
        }
        return texts;
    };
    const QStringList all = {"Sign In...\tCtrl+I", "Sign Out...", "Change Password...", "E&xit"};
    const struct
    {
        const char *name;
        std::function<void()> work;
        QStringList shown;
    } steps[] = {
        {"off: everything", [] {}, all},
        {"on: the basic command and the chevron", [this] { Bars()->SetPersonalized(true); }, {"E&xit", "v"}},
        {"a used command joins it",
         [file] {
             for (QAction *action : file->actions()) {
                 if (CommandIdOf(action) == CmdChangePassword)
                     emit file->triggered(action);
             }
         },
         {"Change Password...", "E&xit", "v"}},
        {"reset my usage data", [this] { Bars()->ResetUsage(); }, {"E&xit", "v"}},
        {"off again", [this] { Bars()->SetPersonalized(false); }, all},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        step.work();
        EXPECT_EQ(shown(), step.shown);
    }

    // The chevron shows the rest while the menu stays open.
    Bars()->SetPersonalized(true);
    emit file->aboutToShow();
    QToolButton *chevron = nullptr;
    for (QAction *action : file->actions()) {
        if (auto *widget = qobject_cast<QWidgetAction *>(action))
            chevron = qobject_cast<QToolButton *>(widget->defaultWidget());
    }
    ASSERT_TRUE(chevron);
    chevron->click();
    int visible = 0;
    for (QAction *action : file->actions())
        visible += action->isVisible() && !action->isSeparator();
    EXPECT_EQ(visible, 4);

    // The option and the usage record are the frame's, kept across a start.
    emit file->triggered(file->actions().value(0));
    Restart();
    EXPECT_TRUE(Bars()->Personalized());
    EXPECT_EQ(Bars()->Used(), (std::set<unsigned>{CmdSignIn}));
}

TEST_F(Customize, UserImagesAreCutIntoCellsAndABrokenFileIsIgnored)
{
    QImage strip(48, 16, QImage::Format_RGB32);
    strip.fill(Qt::red);
    const QString bmp = QDir(ProgramDir()).filePath(QStringLiteral("UserImages.bmp"));
    const QString png = QDir(ProgramDir()).filePath(QStringLiteral("UserImages.png"));
    const struct
    {
        const char *name;
        std::function<void()> make;
        int images;
    } cases[] = {
        {"none", [] {}, 0},
        {"a bitmap strip", [&] { strip.save(bmp, "BMP"); }, 3},
        {"a PNG of two rows", [&] { QImage(32, 32, QImage::Format_ARGB32).save(png, "PNG"); }, 4},
        {"a broken bitmap",
         [&] {
             QFile file(bmp);
             file.open(QIODevice::WriteOnly);
             file.write("BM\xff\xff\xff\x7f garbage");
         },
         0},
        {"too large a picture", [&] { QImage(4000, 16, QImage::Format_RGB32).save(png, "PNG"); }, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(bmp);
        QFile::remove(png);
        c.make();
        Start();
        EXPECT_EQ(Bars()->UserImages().size(), c.images);
        frame.reset();
    }
}

// The outlook bar's page change: animated by the profile value, default on,
// and the new page (the mode switch) never waits for the fade.
TEST_F(Customize, OutlookBarFadesOnlyWhenAskedAndSwitchesAtOnce)
{
    const struct
    {
        const char *name;
        QVariant setting; // invalid: not set
        bool animated;
    } cases[] = {
        {"default", QVariant(), true},
        {"on", 1, true},
        {"off", 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(SettingsFile());
        if (c.setting.isValid())
            QSettings(SettingsFile(), QSettings::IniFormat).setValue(QStringLiteral("Values/OutlookAnimation"), c.setting);
        Start();
        CQVOutlookBar *bar = frame->OutlookBar();
        EXPECT_EQ(bar->Animated(), c.animated);
        auto *first = new QWidget(bar);
        auto *second = new QWidget(bar);
        bar->AddPage(first, QStringLiteral("One"), QIcon());
        bar->AddPage(second, QStringLiteral("Two"), QIcon());
        QCoreApplication::processEvents();
        bool changed = false;
        QObject::connect(bar, &CQVOutlookBar::ActivePageChanged, [&] { changed = true; });
        ASSERT_TRUE(bar->SetActivePage(1));
        EXPECT_TRUE(changed);
        EXPECT_TRUE(second->isVisible());
        const auto fading = [bar] { return bar->findChild<QLabel *>(QStringLiteral("OutlookFade")) != nullptr; };
        EXPECT_EQ(fading(), c.animated);
        QTest::qWait(CQVOutlookBar::kFadeMs + 200);
        EXPECT_FALSE(fading());
        frame.reset();
    }
}
