// The update check: the version comparison, and the plug-in on a bus with a
// fake updater that notes its start in a marker file.

#include "../TestUtil.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "host/UpgradePlugin.h"
#include "shared/Prompt.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

using namespace QVPlugin;

TEST(Upgrade, VersionComparison)
{
    const struct
    {
        const char *own;
        const char *server;
        UpgradeKind expected;
    } cases[] = {
        {"5.0.592.2", "5.1.0.0", UpgradeKind::Mandatory},
        {"5.0.592.2", "6.0.0.0", UpgradeKind::Mandatory},
        {"5.0.592.2", "5.0.600.2", UpgradeKind::None},
        {"5.0.592.2", "5.0.0.3", UpgradeKind::Optional},
        {"5.0.592.2", "5.0", UpgradeKind::None},
        {"5.0", "6.0.0.0", UpgradeKind::None},
        {"5.0.592.2", "4.9.0.9", UpgradeKind::None},
        {"5.0.592.2", "5.0.592.2", UpgradeKind::None},
        // A missing fourth part reads as 0.
        {"5.0.592", "5.0.1.1", UpgradeKind::Optional},
        {"5.0.592.2", "5.0.700", UpgradeKind::None},
        // Empty pieces are skipped, pieces read as their leading digits.
        {"5..0.592.2", "5.0.0.3", UpgradeKind::Optional},
        {"5.0.592.2", "5.1beta.0.0", UpgradeKind::Mandatory},
        {"5.0.592.2", "x.y.z.w", UpgradeKind::None},
        {"5.0.592.2", "", UpgradeKind::None},
        {"5.0.592.2", "5.0.0.99999999999999999999", UpgradeKind::Optional},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CompareVersions(c.own, c.server), c.expected) << c.own << " vs " << c.server;
    EXPECT_EQ(SplitVersion(" 7.-2.3x.."), (QVector<int>{7, -2, 3}));
}

namespace {

class UpgradeCheck : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        bus = std::make_unique<CManager>(m_dir.path());
        bus->SetPreDispatchHandler(nullptr);
        ASSERT_TRUE(bus->AddPlugin(new CUpgradePlugin(&frame, m_dir.path(), "5.0.592.2"), PLUGIN_ORDER_UPGRADE));
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts << request.text;
            return answer;
        });
        frame.show();
    }
    void TearDown() override { CPrompt::SetHandler({}); }

    void InstallUpdater()
    {
        QFile updater(m_dir.filePath("qvupdate"));
        ASSERT_TRUE(updater.open(QIODevice::WriteOnly));
        // Notes how many arguments it got, in one rename.
        updater.write(QStringLiteral("#!/bin/sh\necho $# > '%1.tmp' && mv '%1.tmp' '%1'\n").arg(Marker()).toUtf8());
        updater.close();
        updater.setPermissions(updater.permissions() | QFile::ExeOwner);
    }
    QString Marker() const { return m_dir.filePath("started"); }

    int Announce(const std::string &version)
    {
        QVMessage<std::string> message(version);
        const int result = bus->SendMessage(nullptr, MSG_AGENT_VERSION_INFO, &message, nullptr);
        QCoreApplication::processEvents();
        return result;
    }

    QWidget frame;
    std::unique_ptr<CManager> bus;
    QStringList prompts;
    QMessageBox::StandardButton answer = QMessageBox::Yes;

private:
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(UpgradeCheck, OptionalUpdateStartsTheUpdaterAndCloses)
{
    Announce("5.0.592.2");
    EXPECT_TRUE(prompts.isEmpty());

    InstallUpdater();
    answer = QMessageBox::No;
    Announce("5.0.0.3");
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0], "A newer version of Quelvar is available.  \n\nWould you like to update now?\n\nNote: You "
                          "can also uninstall the current version and download the latest version from "
                          "https://127.0.0.1/");
    EXPECT_TRUE(frame.isVisible());
    EXPECT_FALSE(QFile::exists(Marker()));

    answer = QMessageBox::Yes;
    EXPECT_EQ(Announce("5.0.0.3"), RESULT_HANDLED_CONTINUE);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(Marker()); }));
    QFile marker(Marker());
    ASSERT_TRUE(marker.open(QIODevice::ReadOnly));
    EXPECT_EQ(marker.readAll().trimmed(), "0") << "started without arguments";
    EXPECT_TRUE(waitUntil([&] { return !frame.isVisible(); }));
}

TEST_F(UpgradeCheck, AnUpdaterThatDoesNotStartIsReportedAndTheProgramRuns)
{
    Announce("5.0.0.3");
    ASSERT_EQ(prompts.size(), 2);
    EXPECT_EQ(prompts[1], "The update could not automatically be installed.  You can download the latest version "
                          "on https://127.0.0.1/");
    EXPECT_TRUE(frame.isVisible());
}

TEST_F(UpgradeCheck, MandatoryUpdateClosesWhateverTheAnswer)
{
    answer = QMessageBox::No;
    Announce("5.1.0.0");
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_EQ(prompts[0], "A newer version of Quelvar is available.  \n\nYou must install the newer version in order "
                          "to continue.  Would you like to update now?\n\nNote: You can also download the latest "
                          "version from https://127.0.0.1/");
    EXPECT_TRUE(waitUntil([&] { return !frame.isVisible(); }));
    EXPECT_FALSE(QFile::exists(Marker()));
}
