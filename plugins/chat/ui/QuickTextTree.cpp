#include "plugins/chat/ui/QuickTextTree.h"

#include "bus/Commands.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/ui/ContextMenuKey.h"
#include "plugins/chat/ui/QuickTextDialogs.h"
#include "shared/DialogIcons.h"
#include "shared/Prompt.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QStyle>

#include <memory>

using QVPlugin::CommandIdOf;
using QVPlugin::SetCommandId;

namespace {

enum Role { KindRole = Qt::UserRole, PointerRole };
enum Kind { CategoryNode = 1, ItemNode = 2 };

CQuickTextTree::DialogRunner &Runner()
{
    static CQuickTextTree::DialogRunner runner;
    return runner;
}

} // namespace

CQuickTextTree::CQuickTextTree(QWidget *owner, QWidget *parent) : QTreeWidget(parent), m_owner(owner)
{
    m_categoryIcon = style()->standardIcon(QStyle::SP_DirIcon);
    m_itemIcon = style()->standardIcon(QStyle::SP_FileIcon);
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(true);
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *node) {
        if (ItemOf(node))
            Send();
    });
}

void CQuickTextTree::SetDialogRunner(DialogRunner runner)
{
    Runner() = std::move(runner);
}

void CQuickTextTree::Attach(CQuickTextList *list)
{
    if (m_list)
        disconnect(m_list, nullptr, this, nullptr);
    m_list = list;
    connect(list, &CQuickTextList::CategoryAdded, this, &CQuickTextTree::OnCategoryAdded);
    connect(list, &CQuickTextList::CategoryRemoved, this, &CQuickTextTree::OnCategoryRemoved);
    connect(list, &CQuickTextList::ItemAdded, this, &CQuickTextTree::OnItemAdded);
    connect(list, &CQuickTextList::ItemRemoved, this, &CQuickTextTree::OnItemRemoved);
    connect(list, &CQuickTextList::Reloaded, this, &CQuickTextTree::Rebuild);
    Rebuild();
}

CQuickTextCategory *CQuickTextTree::CategoryOf(const QTreeWidgetItem *node)
{
    if (!node || node->data(0, KindRole).toInt() != CategoryNode)
        return nullptr;
    return reinterpret_cast<CQuickTextCategory *>(node->data(0, PointerRole).value<quintptr>());
}

CQuickTextItem *CQuickTextTree::ItemOf(const QTreeWidgetItem *node)
{
    if (!node || node->data(0, KindRole).toInt() != ItemNode)
        return nullptr;
    return reinterpret_cast<CQuickTextItem *>(node->data(0, PointerRole).value<quintptr>());
}

void CQuickTextTree::Rebuild()
{
    setUpdatesEnabled(false);
    clear();
    m_categoryNodes.clear();
    m_itemNodes.clear();
    // Fetched once per build and shared by every node: a style may hand out
    // a new set of pixmaps per call, which thousands of nodes multiply.
    m_categoryIcon = style()->standardIcon(QStyle::SP_DirIcon);
    m_itemIcon = style()->standardIcon(QStyle::SP_FileIcon);
    if (m_list)
        Fill(invisibleRootItem(), m_list->Root());
    setUpdatesEnabled(true);
}

namespace {
QTreeWidgetItem *MakeNode(const QString &title, int kind, const void *what, const QIcon &icon)
{
    auto *node = new QTreeWidgetItem(QStringList(title));
    node->setData(0, KindRole, kind);
    node->setData(0, PointerRole, QVariant::fromValue(quintptr(what)));
    node->setIcon(0, icon);
    return node;
}
} // namespace

QTreeWidgetItem *CQuickTextTree::NewNode(CQuickTextCategory *category)
{
    QTreeWidgetItem *node = MakeNode(category->Title(), CategoryNode, category, m_categoryIcon);
    m_categoryNodes.insert(category, node);
    return node;
}

QTreeWidgetItem *CQuickTextTree::NewNode(CQuickTextItem *item)
{
    QTreeWidgetItem *node = MakeNode(item->Title(), ItemNode, item, m_itemIcon);
    m_itemNodes.insert(item, node);
    return node;
}

void CQuickTextTree::Fill(QTreeWidgetItem *parentNode, const CQuickTextCategory *category)
{
    // The children are built before they join the tree, in one step: the
    // order is the category's, so nothing needs to be searched for.
    QList<QTreeWidgetItem *> nodes;
    for (CQuickTextCategory *child : category->Categories()) {
        QTreeWidgetItem *node = NewNode(child);
        Fill(node, child);
        nodes.append(node);
    }
    for (CQuickTextItem *item : category->ShownItems(m_list->ShowDuplicates()))
        nodes.append(NewNode(item));
    parentNode->addChildren(nodes);
}

QTreeWidgetItem *CQuickTextTree::ParentNode(const CQuickTextCategory *parent) const
{
    if (!parent || parent == m_list->Root())
        return invisibleRootItem();
    return m_categoryNodes.value(parent);
}

void CQuickTextTree::InsertCategory(CQuickTextCategory *category)
{
    QTreeWidgetItem *parentNode = ParentNode(category->ParentCategory());
    if (!parentNode || m_categoryNodes.contains(category))
        return;
    const auto &siblings = category->ParentCategory()->Categories();
    const int index = int(std::find(siblings.begin(), siblings.end(), category) - siblings.begin());
    QTreeWidgetItem *node = NewNode(category);
    Fill(node, category);
    parentNode->insertChild(std::min(index, parentNode->childCount()), node);
}

void CQuickTextTree::InsertItem(CQuickTextItem *item)
{
    CQuickTextCategory *category = item->Category();
    QTreeWidgetItem *parentNode = category ? ParentNode(category) : nullptr;
    if (!parentNode || m_itemNodes.contains(item))
        return;
    const std::vector<CQuickTextItem *> shown = category->ShownItems(m_list->ShowDuplicates());
    const auto at = std::find(shown.begin(), shown.end(), item);
    if (at == shown.end())
        return;
    // Items come after the category nodes.
    const int index = int(category->Categories().size()) + int(at - shown.begin());
    parentNode->insertChild(std::min(index, parentNode->childCount()), NewNode(item));
}

void CQuickTextTree::Forget(QTreeWidgetItem *node)
{
    for (int i = 0; i < node->childCount(); ++i)
        Forget(node->child(i));
    m_categoryNodes.remove(CategoryOf(node));
    m_itemNodes.remove(ItemOf(node));
}

void CQuickTextTree::OnCategoryAdded(CQuickTextCategory *category)
{
    InsertCategory(category);
}

void CQuickTextTree::OnCategoryRemoved(CQuickTextCategory *category)
{
    QTreeWidgetItem *node = m_categoryNodes.value(category);
    if (!node)
        return;
    Forget(node);
    delete node;
}

void CQuickTextTree::OnItemAdded(CQuickTextItem *item)
{
    InsertItem(item);
}

void CQuickTextTree::OnItemRemoved(CQuickTextItem *item)
{
    QTreeWidgetItem *node = m_itemNodes.take(item);
    if (!node)
        return;
    QTreeWidgetItem *parentNode = node->parent() ? node->parent() : invisibleRootItem();
    delete node;
    // The next item of that title now stands for it.
    CQuickTextCategory *category = parentNode == invisibleRootItem() ? m_list->Root() : CategoryOf(parentNode);
    if (category && !m_list->ShowDuplicates()) {
        for (CQuickTextItem *other : category->ShownItems(false)) {
            if (other->Title() == item->Title())
                InsertItem(other);
        }
    }
}

QTreeWidgetItem *CQuickTextTree::SelectedNode() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

CQuickTextCategory *CQuickTextTree::SelectedCategoryOrRoot() const
{
    QTreeWidgetItem *node = SelectedNode();
    if (!node)
        return m_list->Root();
    return CategoryOf(node);
}

QMenu *CQuickTextTree::CreateContextMenu(QTreeWidgetItem *node)
{
    auto *menu = new QMenu(this);
    auto add = [menu](unsigned id, const QString &text, bool enabled = true) {
        QAction *action = menu->addAction(text);
        SetCommandId(action, id);
        action->setEnabled(enabled);
    };
    const bool item = ItemOf(node) != nullptr;
    if (item) {
        add(CommandSend, tr("Send"));
        menu->addSeparator();
    }
    add(CommandAddCategory, tr("Add a Category..."), !item);
    add(CommandAddItem, tr("Add an Item..."), !item);
    if (node) {
        menu->addSeparator();
        add(CommandEdit, tr("Edit..."));
        add(CommandDelete, tr("Delete"));
    }
    return menu;
}

void CQuickTextTree::keyPressEvent(QKeyEvent *event)
{
    if (!Tessary::OpenContextMenuOnShiftF10(this, event))
        QTreeWidget::keyPressEvent(event);
}

void CQuickTextTree::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_list)
        return;
    QTreeWidgetItem *node = nullptr;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Mouse) {
        node = itemAt(event->pos());
        if (node) {
            setCurrentItem(node);
        } else {
            clearSelection();
            setCurrentItem(nullptr);
        }
    } else {
        node = SelectedNode();
        if (node)
            at = viewport()->mapToGlobal(visualItemRect(node).bottomLeft());
    }
    std::unique_ptr<QMenu> menu(CreateContextMenu(node));
    if (QAction *chosen = menu->exec(at))
        RunCommand(CommandIdOf(chosen));
}

void CQuickTextTree::RunCommand(unsigned id)
{
    if (!m_list)
        return;
    switch (id) {
    case CommandSend:
        return Send();
    case CommandAddCategory:
        return AddCategory();
    case CommandAddItem:
        return AddItem();
    case CommandEdit:
        return Edit();
    case CommandDelete:
        return Delete();
    default:
        return;
    }
}

void CQuickTextTree::Send()
{
    const unsigned command = CQuickTextList::CommandOf(ItemOf(SelectedNode()));
    if (!command)
        return;
    // Posted, as the owner may rebuild this tree while it handles the command.
    QPointer<QWidget> owner = m_owner ? m_owner : QPointer<QWidget>(parentWidget());
    QMetaObject::invokeMethod(
        this,
        [owner, command] {
            for (QWidget *widget = owner; widget; widget = widget->parentWidget()) {
                if (auto *target = qobject_cast<QVPlugin::ICommandTarget *>(widget)) {
                    target->OnCmdMsg(command, QVPlugin::CommandExecute, nullptr, nullptr);
                    return;
                }
            }
        },
        Qt::QueuedConnection);
}

int CQuickTextTree::RunDialog(QDialog &dialog)
{
    return Runner() ? Runner()(dialog) : dialog.exec();
}

QWidget *CQuickTextTree::DialogOwner()
{
    QWidget *main = FindMainWindow();
    return main ? main : window();
}

void CQuickTextTree::AddCategory()
{
    CQuickTextCategory *parent = SelectedCategoryOrRoot();
    if (!parent)
        return;
    auto category = std::make_unique<CQuickTextCategory>();
    CQuickTextCategoryDlg dialog(category.get(), parent, DialogOwner());
    if (RunDialog(dialog) != QDialog::Accepted)
        return;
    CQuickTextCategory *added = category.release();
    parent->AddCategory(added);
    if (QTreeWidgetItem *node = NodeOf(added))
        scrollToItem(node);
}

void CQuickTextTree::AddItem()
{
    CQuickTextCategory *category = SelectedCategoryOrRoot();
    if (!category)
        return;
    auto item = std::make_unique<CQuickTextItem>();
    CQuickTextItemDlg dialog(item.get(), DialogOwner());
    if (RunDialog(dialog) != QDialog::Accepted)
        return;
    CQuickTextItem *added = item.release();
    category->AddItem(added);
    if (QTreeWidgetItem *node = NodeOf(added))
        scrollToItem(node);
}

void CQuickTextTree::Edit()
{
    QTreeWidgetItem *node = SelectedNode();
    if (CQuickTextCategory *category = CategoryOf(node)) {
        // A new title moves the category: its node is made anew.
        QSet<const CQuickTextCategory *> expanded;
        ExpandedUnder(node, expanded);
        CQuickTextCategoryDlg dialog(category, category->ParentCategory(), DialogOwner());
        RunDialog(dialog);
        for (const CQuickTextCategory *open : std::as_const(expanded))
            if (QTreeWidgetItem *moved = NodeOf(open))
                moved->setExpanded(true);
        Reselect(NodeOf(category));
    } else if (CQuickTextItem *item = ItemOf(node)) {
        CQuickTextItemDlg dialog(item, DialogOwner());
        RunDialog(dialog);
        Reselect(NodeOf(item));
    }
}

void CQuickTextTree::ExpandedUnder(QTreeWidgetItem *node, QSet<const CQuickTextCategory *> &expanded) const
{
    const CQuickTextCategory *category = CategoryOf(node);
    if (!category || !node->isExpanded())
        return;
    expanded.insert(category);
    for (int i = 0; i < node->childCount(); ++i)
        ExpandedUnder(node->child(i), expanded);
}

void CQuickTextTree::Reselect(QTreeWidgetItem *node)
{
    // The node edited stays the one a following command acts on; an item
    // hidden behind another of its new title leaves nothing selected.
    if (node) {
        setCurrentItem(node);
        scrollToItem(node);
    } else {
        clearSelection();
        setCurrentItem(nullptr);
    }
}

void CQuickTextTree::Delete()
{
    QTreeWidgetItem *node = SelectedNode();
    if (CQuickTextCategory *category = CategoryOf(node)) {
        PromptRequest request;
        request.text = tr("All items under this category will be deleted.\n\nDo you want to continue?");
        request.icon = QMessageBox::Question;
        request.buttons = QMessageBox::Yes | QMessageBox::No;
        if (CPrompt::Show(request, this) != QMessageBox::Yes)
            return;
        if (CQuickTextCategory *parent = category->ParentCategory())
            parent->RemoveCategory(category);
        delete category;
    } else if (CQuickTextItem *item = ItemOf(node)) {
        if (CQuickTextCategory *owner = item->Category())
            owner->RemoveItem(item);
        delete item;
    }
}
