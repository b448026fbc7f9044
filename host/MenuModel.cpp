#include "host/MenuModel.h"

#include <algorithm>
#include <iterator>
#include <set>

using namespace QVPlugin;

namespace {

// Where unmatched plug-in menus go in: after File, Edit, View and Tools.
constexpr int kPluginMenuPosition = 4;

// Index of the last item with exactly this text, or -1.
int FindFromEnd(const std::vector<MenuSpec> &items, const QString &text)
{
    for (int i = int(items.size()) - 1; i >= 0; --i) {
        if (!items[size_t(i)].separator && items[size_t(i)].text == text)
            return i;
    }
    return -1;
}

// Removes the items with the id below menu, and popups emptied by that.
bool RemoveFrom(MenuSpec &menu, unsigned id)
{
    bool removed = false;
    for (auto it = menu.children.begin(); it != menu.children.end();) {
        MenuSpec &item = *it;
        bool drop = false;
        if (item.IsPopup()) {
            if (RemoveFrom(item, id)) {
                removed = true;
                drop = item.children.empty();
            }
        } else if (!item.separator && item.id == id) {
            drop = true;
            removed = true;
        }
        it = drop ? menu.children.erase(it) : std::next(it);
    }
    return removed;
}

std::set<unsigned> CommandsOf(const AcceleratorTable &table)
{
    std::set<unsigned> ids;
    for (const AcceleratorEntry &entry : table)
        ids.insert(entry.id);
    return ids;
}

} // namespace

int CMenuModel::Merge(const MenuSpec &menu, MergeMode mode, bool *changed)
{
    if (changed)
        *changed = false;
    const QString title = menu.Title();
    if (title.isEmpty())
        return -1;

    auto &items = m_menu.children;
    const int found = FindFromEnd(items, title);
    int position = kPluginMenuPosition;
    if (found > 0) {
        if (mode == KeepExisting)
            return 1;
        items.erase(items.begin() + found);
        position = found;
    }
    position = std::min(position, int(items.size()));
    items.insert(items.begin() + position, menu.children.begin(), menu.children.end());
    if (changed)
        *changed = true;
    return 1;
}

int CMenuModel::InsertItem(const QString &popupPath, const QString &insertBefore, const QString &text,
                           unsigned id, bool *changed)
{
    if (changed)
        *changed = false;
    if (id == 0)
        return -1;
    MenuSpec *menu = &m_menu;
    for (const QString &part : popupPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const int index = FindFromEnd(menu->children, part);
        if (index < 0)
            return -1;
        MenuSpec &item = menu->children[size_t(index)];
        if (!item.IsPopup()) {
            // A command item gets a popup attached and becomes its title.
            item.id = 0;
            item.children.clear();
        }
        menu = &item;
    }

    if (FindFromEnd(menu->children, text) >= 0)
        return 1;
    const int before = insertBefore.isEmpty() ? -1 : FindFromEnd(menu->children, insertBefore);
    const auto where = before < 0 ? menu->children.end() : menu->children.begin() + before;
    menu->children.insert(where, MenuSpec::Command(id, text));
    if (changed)
        *changed = true;
    return 1;
}

bool CMenuModel::RemoveCommand(unsigned id)
{
    return RemoveFrom(m_menu, id);
}

AcceleratorTable MergeAccelerators(const AcceleratorTable &frame, const AcceleratorTable &plugin)
{
    if (plugin.empty())
        return frame;
    AcceleratorTable merged = RemoveAccelerators(frame, plugin);
    merged.insert(merged.end(), plugin.begin(), plugin.end());
    return merged;
}

AcceleratorTable RemoveAccelerators(const AcceleratorTable &frame, const AcceleratorTable &plugin)
{
    const std::set<unsigned> redefined = CommandsOf(plugin);
    AcceleratorTable kept;
    std::copy_if(frame.begin(), frame.end(), std::back_inserter(kept),
                 [&](const AcceleratorEntry &entry) { return !redefined.count(entry.id); });
    return kept;
}
