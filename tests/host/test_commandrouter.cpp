#include "host/CommandRouter.h"

#include <QDialog>
#include <QLineEdit>
#include <QStringList>

#include <gtest/gtest.h>

#include <set>

using namespace QVPlugin;

namespace {

class Target : public QWidget, public ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)

public:
    Target(QStringList *log, QWidget *parent = nullptr) : QWidget(parent), m_log(log) {}
    bool OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *) override
    {
        if (!takes.count(id))
            return false;
        if (update)
            update->Enable();
        else if (code == CommandExecute)
            *m_log << QStringLiteral("panel ran %1").arg(id);
        return true;
    }
    std::set<unsigned> takes;

private:
    QStringList *m_log;
};

// A dialog that would take every command, were it asked.
class TargetDialog : public QDialog, public ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)

public:
    using QDialog::QDialog;
    bool OnCmdMsg(unsigned, int, CommandUpdate *, CommandHandlerInfo *) override
    {
        asked = true;
        return true;
    }
    bool asked = false;
};

} // namespace

TEST(CommandRouter, FocusChainThenBusThenFrame)
{
    QStringList log;
    QWidget frame;
    Target panel(&log, &frame);
    auto *dialog = new TargetDialog(&panel);
    auto *edit = new QLineEdit(dialog);
    Target outside(&log); // not on the focus path, so never asked
    panel.takes = {1};
    outside.takes = {2, 3};

    std::set<unsigned> busTakes = {1, 2};
    CCommandRouter router(&frame, [&](unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *) {
        if (!busTakes.count(id))
            return false;
        if (update)
            update->Enable();
        else if (code == CommandExecute)
            log << QStringLiteral("bus ran %1").arg(id);
        return true;
    });
    bool checked = true;
    router.SetHandler(1, [&] { log << QStringLiteral("frame ran 1"); });
    router.SetHandler(3, [&] { log << QStringLiteral("frame ran 3"); });
    router.SetHandler(5, [&] { log << QStringLiteral("frame ran 5"); }, [](CommandUpdate &u) { u.Enable(false); });
    router.SetHandler(6, [&] { log << QStringLiteral("frame ran 6"); }, [&](CommandUpdate &u) { u.SetCheck(checked); });

    const struct
    {
        unsigned id;
        bool enabled;
        const char *ran;
    } cases[] = {
        {1, true, "panel ran 1"}, // the dialog on the way is passed over
        {2, true, "bus ran 2"},
        {3, true, "frame ran 3"},
        {4, false, nullptr}, // nobody would run it
        {5, false, nullptr}, // the frame's update handler disables it
        {6, true, "frame ran 6"}, // a handler that only sets the check leaves it enabled
    };
    for (const auto &c : cases) {
        log.clear();
        const CommandUpdate state = router.Update(c.id, edit);
        EXPECT_EQ(state.Enabled(), std::optional<bool>(c.enabled)) << c.id;
        EXPECT_EQ(router.Execute(c.id, edit), c.ran != nullptr) << c.id;
        EXPECT_EQ(log, c.ran ? QStringList{QLatin1String(c.ran)} : QStringList()) << c.id;
    }
    EXPECT_FALSE(dialog->asked);
    EXPECT_EQ(router.Update(6, edit).Checked(), std::optional<bool>(true));

    // Without a focus widget the walk starts at the bus.
    log.clear();
    EXPECT_TRUE(router.Execute(1, nullptr));
    EXPECT_EQ(log, QStringList{QStringLiteral("bus ran 1")});
}

#include "test_commandrouter.moc"
