#include "StoreFixture.h"

#include <QFile>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

#include <memory>
#include <vector>

namespace {

// A list view with the given column widths.
struct List
{
    explicit List(const std::vector<int> &widths) : model(0, int(widths.size()))
    {
        view.setModel(&model);
        view.header()->setStretchLastSection(false);
        view.header()->setMinimumSectionSize(1);
        for (size_t i = 0; i < widths.size(); ++i)
            view.header()->resizeSection(int(i), widths[i]);
    }
    std::vector<int> widths() const
    {
        std::vector<int> result;
        for (int i = 0; i < view.header()->count(); ++i)
            result.push_back(view.header()->sectionSize(i));
        return result;
    }

    QStandardItemModel model;
    QTreeView view;
};

const QString kSection = QStringLiteral("Tessary\\VisitorList");

} // namespace

using ColumnWidths = StoreTest;

TEST_F(ColumnWidths, SavedWidthsLoadIntoFewerAndMoreColumns)
{
    List four({120, 80, 200, 60});
    CQVSettingsHelpers::SaveState(four.view.header(), kSection);

    List three({50, 50, 50});
    CQVSettingsHelpers::LoadState(three.view.header(), kSection);
    EXPECT_EQ(three.widths(), (std::vector<int>{120, 80, 200}));

    List five({50, 50, 50, 50, 50});
    CQVSettingsHelpers::LoadState(five.view.header(), kSection);
    EXPECT_EQ(five.widths(), (std::vector<int>{120, 80, 200, 60, 50}));

    // Another window's section is its own.
    List other({33, 44});
    CQVSettingsHelpers::LoadState(other.view.header(), QStringLiteral("Tessary\\SitePathList"));
    EXPECT_EQ(other.widths(), (std::vector<int>{33, 44}));
}

TEST_F(ColumnWidths, LoadBeforeAnySaveKeepsTheInitialWidths)
{
    List list({70, 90});
    CQVSettingsHelpers::LoadState(list.view.header(), kSection);
    EXPECT_EQ(list.widths(), (std::vector<int>{70, 90}));
    EXPECT_FALSE(QFile::exists(StoreFile()));
}

TEST_F(ColumnWidths, NoColumnsWritesAnEmptyList)
{
    List none({});
    CQVSettingsHelpers::SaveState(none.view.header(), kSection);
    EXPECT_TRUE(Store()->contains(QStringLiteral("Tessary/VisitorList/ColumnWidths")));

    List two({70, 90});
    CQVSettingsHelpers::LoadState(two.view.header(), kSection);
    EXPECT_EQ(two.widths(), (std::vector<int>{70, 90}));
}

TEST_F(ColumnWidths, WidthsThatAreNoPixelCountsAreIgnored)
{
    Store()->setValue(QStringLiteral("Tessary/VisitorList/ColumnWidths"),
                      QStringList{"120", "-5", "abc", "70000", "90"});
    List list({10, 20, 30, 40, 50});
    CQVSettingsHelpers::LoadState(list.view.header(), kSection);
    EXPECT_EQ(list.widths(), (std::vector<int>{120, 20, 30, 40, 90}));
}

TEST_F(ColumnWidths, StoreFileIsOwnerOnly)
{
    List list({70, 90});
    CQVSettingsHelpers::SaveState(list.view.header(), kSection);
    CQVSettingsHelpers::SaveState(list.view.header(), QStringLiteral("Tessary\\SitePathList"));
    ASSERT_TRUE(QFile::exists(StoreFile()));
    EXPECT_EQ(QFile::permissions(StoreFile()) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther
                                                   | QFile::WriteOther),
              QFile::Permissions());
}

TEST(ProfileName, NamesTheSectionPath)
{
    const struct
    {
        QString section;
        QString path;
    } cases[] = {
        {QStringLiteral("Tessary\\VisitorList"), QStringLiteral("Tessary/VisitorList/")},
        {QStringLiteral("Tessary/Chat"), QStringLiteral("Tessary/Chat/")},
        {QStringLiteral("Tessary\\Bar\\"), QStringLiteral("Tessary/Bar/")},
        {QString(), QString()},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CQVSettingsHelpers::GetProfileName(c.section), c.path) << c.section.toStdString();
}
