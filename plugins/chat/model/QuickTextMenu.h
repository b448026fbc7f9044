#pragma once
// The "&Quick Text" menu and the accelerator table of the quick texts: each
// item is the command 10300 + its number. Threading: user-interface thread.

#include "bus/Commands.h"

class CQuickTextList;

namespace QuickTextMenu {

// A menu with one popup "&Quick Text": a sub-popup per category, then the
// category's items (all, or the first of each title), labelled with the
// title and, after a tab, the shortcut.
QVPlugin::MenuSpec Build(const CQuickTextList &list);
// One entry per first item of a title that has a shortcut, depth-first.
QVPlugin::AcceleratorTable Accelerators(const CQuickTextList &list);

} // namespace QuickTextMenu
