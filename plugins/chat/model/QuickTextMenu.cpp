#include "plugins/chat/model/QuickTextMenu.h"

#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextKeys.h"

using QVPlugin::AcceleratorTable;
using QVPlugin::MenuSpec;

namespace QuickTextMenu {
namespace {

// Titles are the agent's text: an ampersand is shown, not taken as a mnemonic.
QString Label(const QString &title)
{
    return QString(title).replace(QLatin1Char('&'), QLatin1String("&&"));
}

std::vector<MenuSpec> Fill(const CQuickTextCategory *category, bool duplicates)
{
    std::vector<MenuSpec> entries;
    for (const CQuickTextCategory *child : category->Categories())
        entries.push_back(MenuSpec::Popup(Label(child->Title()), Fill(child, duplicates)));
    for (const CQuickTextItem *item : category->ShownItems(duplicates)) {
        const unsigned command = CQuickTextList::CommandOf(item);
        if (!command)
            continue;
        QString label = Label(item->Title());
        const QString keys = QuickTextKeys::Text(item->Shortcut());
        if (!keys.isEmpty())
            label += QLatin1Char('\t') + keys;
        entries.push_back(MenuSpec::Command(command, label));
    }
    return entries;
}

void Collect(const CQuickTextCategory *category, AcceleratorTable &table)
{
    for (const CQuickTextCategory *child : category->Categories())
        Collect(child, table);
    for (const CQuickTextItem *item : category->ShownItems(false)) {
        const unsigned command = CQuickTextList::CommandOf(item);
        const QKeyCombination key = QuickTextKeys::ToKey(item->Shortcut());
        if (command && item->Shortcut() && key.key() != Qt::Key_unknown)
            table.push_back({command, QKeySequence(key)});
    }
}

} // namespace

MenuSpec Build(const CQuickTextList &list)
{
    return MenuSpec::Menu({MenuSpec::Popup(QStringLiteral("&Quick Text"), Fill(list.Root(), list.ShowDuplicates()))});
}

AcceleratorTable Accelerators(const CQuickTextList &list)
{
    AcceleratorTable table;
    Collect(list.Root(), table);
    return table;
}

} // namespace QuickTextMenu
