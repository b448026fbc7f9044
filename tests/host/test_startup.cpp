#include "../TestUtil.h"

#include "host/OstrelApp.h"
#include "host/SingleInstance.h"
#include "host/UpdaterSwap.h"
#include "shared/Prompt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

bool WriteFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

TEST(Startup, UpdaterSwap)
{
    QTemporaryDir dir;
    std::vector<int> sleeps;
    const auto sleep = [&](int ms) { sleeps.push_back(ms); };
    const QString mvx = dir.filePath(QStringLiteral("qvupdate.mvx"));
    const QString updater = dir.filePath(QStringLiteral("qvupdate"));

    EXPECT_FALSE(SwapInUpdater(dir.path(), sleep)) << "nothing downloaded";
    ASSERT_TRUE(WriteFile(updater, "old") && WriteFile(mvx, "new"));
    EXPECT_TRUE(SwapInUpdater(dir.path(), sleep));
    QFile swapped(updater);
    ASSERT_TRUE(swapped.open(QIODevice::ReadOnly));
    EXPECT_EQ(swapped.readAll(), QByteArray("new"));
    EXPECT_FALSE(QFile::exists(mvx));
    // 0755, as any installed program; the User bits say what this process may do.
    EXPECT_EQ(QFile::permissions(updater) & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                  | QFile::ReadOther | QFile::ExeOther);
    EXPECT_TRUE(sleeps.empty());

    // A folder where the updater should be cannot be replaced: four attempts,
    // a second apart, and start-up goes on.
    ASSERT_TRUE(QFile::remove(updater) && QDir(dir.path()).mkpath(QStringLiteral("qvupdate/busy")));
    ASSERT_TRUE(WriteFile(mvx, "new"));
    EXPECT_FALSE(SwapInUpdater(dir.path(), sleep));
    EXPECT_EQ(sleeps, (std::vector<int>{1000, 1000, 1000}));
    EXPECT_TRUE(QFile::exists(mvx));
}

TEST(Startup, SingleInstance)
{
    QTemporaryDir dir;
    auto first = std::make_unique<CSingleInstance>(dir.path());
    ASSERT_TRUE(first->Lock(0));

    // Holding the lock but not yet listening: a second start waits, then gives up.
    CSingleInstance second(dir.path());
    EXPECT_FALSE(second.ActivateRunningCopy());
    EXPECT_FALSE(second.Lock(COstrelApp::kInstanceWaitMs));

    first.reset();
    EXPECT_TRUE(second.Lock(0)) << "the lock is free once the first copy ends";
    EXPECT_TRUE(second.Listen()) << "and its socket file is taken over";
}

TEST(Startup, FailuresEndTheProgramWithTheirMessage)
{
    QTemporaryDir runtime;
    QTemporaryDir program; // no skins
    std::vector<PromptRequest> prompts;
    CPrompt::SetHandler([&](const PromptRequest &request) {
        prompts.push_back(request);
        return QMessageBox::Ok;
    });

    CSingleInstance holder(runtime.path());
    ASSERT_TRUE(holder.Lock(0));
    {
        COstrelApp app({program.path(), runtime.path(), program.filePath(QStringLiteral("Quelvar.conf")), {}});
        EXPECT_FALSE(app.InitInstance());
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_EQ(prompts[0].text, QStringLiteral("Another instance of Quelvar is running.  \nDouble-click on "
                                                  "the Quelvar icon in the tray (near the clock)."));
        EXPECT_EQ(prompts[0].icon, QMessageBox::Information);
        EXPECT_NE(app.ExitInstance(), 0) << "a script must tell a failed start from a normal end";
    }

    QTemporaryDir otherRuntime;
    prompts.clear();
    COstrelApp app({program.path(), otherRuntime.path(), program.filePath(QStringLiteral("Quelvar.conf")), {}});
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0].text, QStringLiteral("Failed to load skins. Please re-install Quelvar"));
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_NE(app.ExitInstance(), 0);
    CPrompt::SetHandler({});
}
