#pragma once
// The working copy of the frame's menu bar that plug-ins merge their menus
// into, and the merge rules for accelerator tables. Values only: the frame
// builds its QMenuBar and shortcuts from the results.
//
// Items are looked up by their exact text, from the last item back, so that
// a plug-in's later popup of the same name wins over the host's.

#include "bus/Commands.h"

class CMenuModel
{
public:
    enum MergeMode { KeepExisting, ReplaceExisting };

    explicit CMenuModel(QVPlugin::MenuSpec menu = {}) : m_menu(std::move(menu)) {}

    const QVPlugin::MenuSpec &Menu() const { return m_menu; }
    void Reset(QVPlugin::MenuSpec menu) { m_menu = std::move(menu); }

    // Puts the given menu's items into the menu bar. Its title (the first
    // item's text) names the popup it merges with: found at a position p > 0,
    // KeepExisting changes nothing and ReplaceExisting puts the items in its
    // place; otherwise they go in at position 4 (before the host's "&Quelvar"),
    // so a plug-in menu named like the first popup does not merge with it.
    // 1, or -1 when the menu has no title. *changed tells whether the menu bar
    // changed.
    int Merge(const QVPlugin::MenuSpec &menu, MergeMode mode, bool *changed = nullptr);

    // Adds a command item to the popup named by the path (item texts joined
    // by "/"), making popups of items that have none, before the item named
    // insertBefore or at the end. 1 also when an item of that text is already
    // there (nothing changes); -1 when a part of the path names no item or the
    // id is 0.
    int InsertItem(const QString &popupPath, const QString &insertBefore, const QString &text, unsigned id,
                   bool *changed = nullptr);

    // Removes every item with the id at any depth, and the popups that this
    // leaves empty. False when no item had the id.
    bool RemoveCommand(unsigned id);

private:
    QVPlugin::MenuSpec m_menu;
};

// The frame's entries for every command the plug-in's table binds go, then
// the plug-in's entries are appended. An empty plug-in table changes nothing.
QVPlugin::AcceleratorTable MergeAccelerators(const QVPlugin::AcceleratorTable &frame,
                                             const QVPlugin::AcceleratorTable &plugin);
// The frame's entries for every command the plug-in's table binds go.
QVPlugin::AcceleratorTable RemoveAccelerators(const QVPlugin::AcceleratorTable &frame,
                                              const QVPlugin::AcceleratorTable &plugin);
