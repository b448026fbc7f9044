#include "host/FrameDefaults.h"
#include "host/MenuModel.h"

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

// The titles of the menu bar, without mnemonics: "File Edit View ...".
QString Titles(const MenuSpec &menu)
{
    QStringList titles;
    for (const MenuSpec &item : menu.children)
        titles << QString(item.text).remove(QLatin1Char('&'));
    return titles.join(QLatin1Char(' '));
}

MenuSpec PluginMenu(const QString &title, unsigned firstId, int popups = 1)
{
    std::vector<MenuSpec> items;
    for (int i = 0; i < popups; ++i) {
        items.push_back(MenuSpec::Popup(i == 0 ? title : title + QString::number(i),
                                        {MenuSpec::Command(firstId + unsigned(i), QStringLiteral("Run"))}));
    }
    return MenuSpec::Menu(items);
}

const MenuSpec *Popup(const MenuSpec &menu, const QString &title)
{
    for (const MenuSpec &item : menu.children) {
        if (item.text == title)
            return &item;
    }
    return nullptr;
}

} // namespace

TEST(MenuModel, MergeRules)
{
    const QString host = QStringLiteral("File Edit View Tools Quelvar Help");
    const struct
    {
        const char *name;
        std::vector<std::pair<MenuSpec, CMenuModel::MergeMode>> merges;
        int lastResult;
        bool lastChanged;
        const char *titles;
    } cases[] = {
        {"a new menu goes in before Quelvar", {{PluginMenu("&Chat", 1), CMenuModel::KeepExisting}}, 1, true,
         "File Edit View Tools Chat Quelvar Help"},
        {"a menu named like the first popup is not merged",
         {{PluginMenu("&File", 1), CMenuModel::KeepExisting}}, 1, true, "File Edit View Tools File Quelvar Help"},
        {"adding an existing menu changes nothing", {{PluginMenu("&Help", 1), CMenuModel::KeepExisting}}, 1, false,
         "File Edit View Tools Quelvar Help"},
        {"adding twice leaves one popup",
         {{PluginMenu("&Chat", 1), CMenuModel::KeepExisting}, {PluginMenu("&Chat", 2), CMenuModel::KeepExisting}}, 1,
         false, "File Edit View Tools Chat Quelvar Help"},
        {"replace takes the old one's place",
         {{PluginMenu("&Help", 1), CMenuModel::ReplaceExisting}}, 1, true, "File Edit View Tools Quelvar Help"},
        {"replace of a missing menu adds it",
         {{PluginMenu("&Chat", 1), CMenuModel::ReplaceExisting}}, 1, true, "File Edit View Tools Chat Quelvar Help"},
        {"every popup of the menu goes in, in order", {{PluginMenu("&Chat", 1, 3), CMenuModel::KeepExisting}}, 1, true,
         "File Edit View Tools Chat Chat1 Chat2 Quelvar Help"},
        {"no title", {{MenuSpec::Menu({}), CMenuModel::KeepExisting}}, -1, false, "File Edit View Tools Quelvar Help"},
        {"a separator first has no title",
         {{MenuSpec::Menu({MenuSpec::Separator(), MenuSpec::Popup(QStringLiteral("&Chat"), {})}),
           CMenuModel::KeepExisting}},
         -1, false, "File Edit View Tools Quelvar Help"},
    };
    for (const auto &c : cases) {
        CMenuModel model(DefaultFrameMenu());
        ASSERT_EQ(Titles(model.Menu()), host);
        int result = 0;
        bool changed = false;
        for (const auto &[menu, mode] : c.merges)
            result = model.Merge(menu, mode, &changed);
        EXPECT_EQ(result, c.lastResult) << c.name;
        EXPECT_EQ(changed, c.lastChanged) << c.name;
        EXPECT_EQ(Titles(model.Menu()), QLatin1String(c.titles)) << c.name;
    }
}

TEST(MenuModel, ReplacedPopupsTakeTheirNewItems)
{
    CMenuModel model(DefaultFrameMenu());
    model.Merge(PluginMenu("&Chat", 100), CMenuModel::KeepExisting);
    model.Merge(PluginMenu("&Chat", 200), CMenuModel::ReplaceExisting);
    model.Merge(PluginMenu("&Help", 300), CMenuModel::ReplaceExisting);
    EXPECT_EQ(Popup(model.Menu(), "&Chat")->children.front().id, 200u);
    EXPECT_EQ(Popup(model.Menu(), "&Help")->children.size(), 1u) << "the host's Help items went with it";
}

TEST(MenuModel, InsertItem)
{
    const struct
    {
        const char *name;
        const char *path;
        const char *before;
        const char *text;
        unsigned id;
        int result;
        const char *items; // texts of the target popup afterwards, or null
    } cases[] = {
        {"before a named item", "&Tools", "&Settings...", "&Chat...", 500, 1, "&Chat...|&Settings..."},
        {"at the end without a name", "&Tools", "", "&Chat...", 500, 1, "&Settings...|&Chat..."},
        {"at the end when the name is missing", "&Tools", "Nothing", "&Chat...", 500, 1, "&Settings...|&Chat..."},
        {"an item that is there stays alone", "&Tools", "", "&Settings...", 500, 1, "&Settings..."},
        {"a missing popup", "&Chat", "", "&Run", 500, -1, nullptr},
        {"a missing level", "&Tools/&Chat", "", "&Run", 500, -1, nullptr},
        {"a command gets a popup", "&Tools/&Settings...", "", "&General", 500, 1, "&General"},
        {"no command id", "&Tools", "", "&Run", 0, -1, nullptr},
    };
    for (const auto &c : cases) {
        CMenuModel model(DefaultFrameMenu());
        const MenuSpec before = model.Menu();
        bool changed = false;
        EXPECT_EQ(model.InsertItem(QLatin1String(c.path), QLatin1String(c.before), QLatin1String(c.text), c.id, &changed),
                  c.result)
            << c.name;
        if (!c.items) {
            EXPECT_EQ(model.Menu(), before) << c.name;
            EXPECT_FALSE(changed) << c.name;
            continue;
        }
        const MenuSpec *popup = &model.Menu();
        for (const QString &part : QString::fromLatin1(c.path).split(QLatin1Char('/')))
            popup = popup ? Popup(*popup, part) : nullptr;
        ASSERT_NE(popup, nullptr) << c.name;
        QStringList texts;
        for (const MenuSpec &item : popup->children)
            texts << item.text;
        EXPECT_EQ(texts.join(QLatin1Char('|')), QLatin1String(c.items)) << c.name;
    }
}

TEST(MenuModel, RemoveCommandEverywhere)
{
    CMenuModel model(DefaultFrameMenu());
    model.Merge(MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Chat"),
                                                {MenuSpec::Command(CmdEditCut, QStringLiteral("Cut")),
                                                 MenuSpec::Popup(QStringLiteral("Deeper"),
                                                                 {MenuSpec::Command(CmdSettings, QStringLiteral("S"))}),
                                                 MenuSpec::Popup(QStringLiteral("Empty"), {})})}),
                CMenuModel::KeepExisting);

    EXPECT_TRUE(model.RemoveCommand(CmdSettings));
    EXPECT_EQ(Popup(model.Menu(), "&Tools"), nullptr) << "Tools held only Settings";
    const MenuSpec *chat = Popup(model.Menu(), "&Chat");
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(Popup(*chat, "Deeper"), nullptr) << "a nested popup emptied by the removal goes";
    EXPECT_NE(Popup(*chat, "Empty"), nullptr) << "a popup that was empty before stays";

    EXPECT_TRUE(model.RemoveCommand(CmdEditCut));
    EXPECT_EQ(Popup(model.Menu(), "&Chat")->children.size(), 1u);
    EXPECT_EQ(Popup(model.Menu(), "&Edit")->children.size(), 6u) << "both copies of Cut went";

    EXPECT_FALSE(model.RemoveCommand(CmdEditCut));
    EXPECT_FALSE(model.RemoveCommand(99999));
}

TEST(MenuModel, AcceleratorsReplaceByCommand)
{
    const AcceleratorTable frame = DefaultFrameAccelerators();
    const AcceleratorTable plugin = {{CmdEditCopy, QKeySequence(QStringLiteral("F2"))},
                                     {40000, QKeySequence(QStringLiteral("Ctrl+Shift+A"))}};

    const AcceleratorTable merged = MergeAccelerators(frame, plugin);
    ASSERT_EQ(merged.size(), frame.size() - 2 + 2) << "both Copy keys of the frame went";
    EXPECT_EQ(merged[merged.size() - 2], plugin[0]) << "the plug-in's entries come last, in order";
    EXPECT_EQ(merged.back(), plugin[1]);
    for (size_t i = 0; i + 2 < merged.size(); ++i)
        EXPECT_NE(merged[i].id, unsigned(CmdEditCopy));

    EXPECT_EQ(MergeAccelerators(frame, {}), frame);
    EXPECT_EQ(RemoveAccelerators(merged, plugin).size(), frame.size() - 2);
    EXPECT_TRUE(RemoveAccelerators(plugin, plugin).empty());
}
