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

TEST(ModuleVersion, ProgramAndLibraryRecordsAreEachTheirOwn)
{
    // The data cache's folder test checks the program's company and product.
    const QString project = ProjectVersion().toString();
    CModuleVersion program;
    ASSERT_TRUE(program.ReadVersionInfo());
    EXPECT_EQ(program.GetValue(QStringLiteral("OriginalFilename")),
              QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    EXPECT_EQ(program.ProductVersion(), ProjectVersion());
    EXPECT_EQ(program.GetValue(QStringLiteral("ProductVersion")), project);
    EXPECT_TRUE(program.GetValue(QStringLiteral("NoSuchString")).isEmpty());

    CModuleVersion library;
    ASSERT_TRUE(library.ReadVersionInfo(kFixtures + QStringLiteral("/versioned.so")));
    EXPECT_EQ(library.GetValue(QStringLiteral("FILEVERSION")), QStringLiteral("5.0.592.2"));
    EXPECT_EQ(library.FileVersion(), QVersionNumber({5, 0, 592, 2}));
    EXPECT_EQ(library.GetValue(QStringLiteral("FileDescription")), QStringLiteral("Version \"fixture\""));
    EXPECT_EQ(library.GetValue(QStringLiteral("OriginalFilename")), QStringLiteral("versioned.so"));
    // Unloaded again, and the program's record is still the program's.
    EXPECT_EQ(GetProgramVersion(), project);
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
    const std::pair<const char *, const char *> cases[] = {
        {"5, 0, 592, 2", "5.0.592.2"},
        {"5. 0. 592. 2", "5.0.592.2"},
        {"5.0.592.2", "5.0.592.2"},
        // A point is there, so only ". " goes and ", " stays.
        {"5.0, 592, 2", "5.0, 592, 2"},
        {"5. 0, 592. 2", "5.0, 592.2"},
        {"", ""},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(NormalizeVersionText(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

} // namespace
