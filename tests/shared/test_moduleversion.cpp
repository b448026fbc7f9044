#include "shared/ModuleVersion.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

const QString kFixtures = QStringLiteral(OSTREL_SHARED_FIXTURES);

// The project's version as the record spells it: four numbers.
QVersionNumber ProjectVersion()
{
    QList<int> parts = QVersionNumber::fromString(QStringLiteral(OSTREL_TEST_VERSION)).segments();
    while (parts.size() < 4)
        parts.append(0);
    return QVersionNumber(parts);
}

TEST(ModuleVersion, RunningProgramCarriesTheCompanyProductAndProjectVersion)
{
    CModuleVersion version;
    ASSERT_TRUE(version.ReadVersionInfo());
    EXPECT_EQ(version.GetValue(QStringLiteral("CompanyName")), QStringLiteral("Quelvar"));
    EXPECT_EQ(version.GetValue(QStringLiteral("ProductName")), QStringLiteral("Ostrel"));
    EXPECT_EQ(version.GetValue(QStringLiteral("FileDescription")), QStringLiteral("Shared support tests"));
    EXPECT_EQ(version.GetValue(QStringLiteral("OriginalFilename")),
              QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    EXPECT_EQ(version.ProductVersion(), ProjectVersion());
    EXPECT_EQ(version.FileVersion(), ProjectVersion());
    EXPECT_EQ(version.GetValue(QStringLiteral("ProductVersion")), ProjectVersion().toString());
    EXPECT_EQ(GetProgramVersion(), ProjectVersion().toString());
    EXPECT_TRUE(version.GetValue(QStringLiteral("NoSuchString")).isEmpty());
}

TEST(ModuleVersion, LibraryRecordIsItsOwnAndLeavesTheProgramsAlone)
{
    CModuleVersion version;
    ASSERT_TRUE(version.ReadVersionInfo(kFixtures + QStringLiteral("/versioned.so")));
    EXPECT_EQ(version.GetValue(QStringLiteral("FILEVERSION")), QStringLiteral("5.0.592.2"));
    EXPECT_EQ(version.FileVersion(), QVersionNumber({5, 0, 592, 2}));
    EXPECT_EQ(version.GetValue(QStringLiteral("FileDescription")), QStringLiteral("Version \"fixture\""));
    EXPECT_EQ(version.GetValue(QStringLiteral("OriginalFilename")), QStringLiteral("versioned.so"));

    // Unloaded again, and the program's record is still the program's.
    EXPECT_EQ(GetProgramVersion(), ProjectVersion().toString());
}

TEST(ModuleVersion, FailedReadForgetsThePreviousRecord)
{
    const QString missing[] = {kFixtures + QStringLiteral("/unversioned.so"),
                               kFixtures + QStringLiteral("/nosuchlibrary.so")};
    for (const QString &module : missing) {
        CModuleVersion version;
        ASSERT_TRUE(version.ReadVersionInfo());
        EXPECT_FALSE(version.ReadVersionInfo(module)) << module.toStdString();
        EXPECT_TRUE(version.GetValue(QStringLiteral("ProductName")).isEmpty()) << module.toStdString();
        EXPECT_TRUE(version.FileVersion().isNull()) << module.toStdString();
    }
}

TEST(ModuleVersion, VersionTextSeparators)
{
    const struct
    {
        const char *in;
        const char *out;
    } cases[] = {
        {"5, 0, 592, 2", "5.0.592.2"},
        {"5. 0. 592. 2", "5.0.592.2"},
        {"5.0.592.2", "5.0.592.2"},
        // A point is there, so only ". " goes and ", " stays.
        {"5.0, 592, 2", "5.0, 592, 2"},
        {"5. 0, 592. 2", "5.0, 592.2"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NormalizeVersionText(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
}

} // namespace
