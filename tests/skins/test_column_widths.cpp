#include "StoreFixture.h"

#include <QFile>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTreeView>

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
    std::vector<int> load(const QString &section)
    {
        CQVSettingsHelpers::LoadState(view.header(), section);
        return widths();
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
    EXPECT_EQ(List({50, 50, 50}).load(kSection), (std::vector<int>{120, 80, 200}));
    EXPECT_EQ(List({50, 50, 50, 50, 50}).load(kSection), (std::vector<int>{120, 80, 200, 60, 50}));
    EXPECT_EQ(List({33, 44}).load(QStringLiteral("Tessary\\SitePathList")), (std::vector<int>{33, 44}))
        << "another window's section is its own";

    // The store may also hold the remembered password.
    EXPECT_EQ(QFile::permissions(StoreFile()) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther
                                                   | QFile::WriteOther),
              QFile::Permissions());
}

TEST_F(ColumnWidths, LoadBeforeAnySaveKeepsTheInitialWidths)
{
    EXPECT_EQ(List({70, 90}).load(kSection), (std::vector<int>{70, 90}));
    EXPECT_FALSE(QFile::exists(StoreFile()));

    // Saved from a list without columns: an empty list, still nothing to load.
    CQVSettingsHelpers::SaveState(List({}).view.header(), kSection);
    EXPECT_TRUE(Store()->contains(QStringLiteral("Tessary/VisitorList/ColumnWidths")));
    EXPECT_EQ(List({70, 90}).load(kSection), (std::vector<int>{70, 90}));
}

TEST_F(ColumnWidths, WidthsThatAreNoPixelCountsAreIgnored)
{
    Store()->setValue(QStringLiteral("Tessary/VisitorList/ColumnWidths"),
                      QStringList{"120", "-5", "abc", "70000", "90"});
    EXPECT_EQ(List({10, 20, 30, 40, 50}).load(kSection), (std::vector<int>{120, 20, 30, 40, 90}));
}
