#pragma once
// The quick texts as a tree in the plug-in's bar: categories as folders,
// items as leaves. It follows the list only through the list's signals, so
// a change made anywhere shows at once. Double-click or "Send" hands the
// item's command (10300 + number) to the owner's command routing; the
// context menus add, edit and delete through the quick-text dialogs.
//
// Threading: user-interface thread only.

#include <QHash>
#include <QIcon>
#include <QSet>
#include <QPointer>
#include <QTreeWidget>

#include <functional>

class CQuickTextCategory;
class CQuickTextItem;
class CQuickTextList;
class QDialog;
class QMenu;

class CQuickTextTree : public QTreeWidget
{
    Q_OBJECT
public:
    enum Command : unsigned {
        CommandAddCategory = 10243,
        CommandAddItem = 10244,
        CommandEdit = 10245,
        CommandDelete = 10246,
        CommandSend = 10247,
    };

    // owner: the window whose command routing takes "Send"; not owned.
    explicit CQuickTextTree(QWidget *owner, QWidget *parent = nullptr);

    // list: not owned, outlives the tree.
    void Attach(CQuickTextList *list);

    QTreeWidgetItem *NodeOf(const CQuickTextCategory *category) const { return m_categoryNodes.value(category); }
    QTreeWidgetItem *NodeOf(const CQuickTextItem *item) const { return m_itemNodes.value(item); }
    // Null when the node is not of that kind (or null).
    static CQuickTextCategory *CategoryOf(const QTreeWidgetItem *node);
    static CQuickTextItem *ItemOf(const QTreeWidgetItem *node);

    // The menu for a node, or for the empty tree space; the caller owns it.
    QMenu *CreateContextMenu(QTreeWidgetItem *node);
    // Runs one of the tree's commands on the selected node.
    void RunCommand(unsigned id);

    // How the tree runs its dialogs; tests script them. Empty restores exec().
    using DialogRunner = std::function<int(QDialog &)>;
    static void SetDialogRunner(DialogRunner runner);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Rebuild();
    QTreeWidgetItem *NewNode(CQuickTextCategory *category);
    QTreeWidgetItem *NewNode(CQuickTextItem *item);
    void Fill(QTreeWidgetItem *parentNode, const CQuickTextCategory *category);
    void ExpandedUnder(QTreeWidgetItem *node, QSet<const CQuickTextCategory *> &expanded) const;
    void Reselect(QTreeWidgetItem *node);
    void InsertCategory(CQuickTextCategory *category);
    void InsertItem(CQuickTextItem *item);
    void Forget(QTreeWidgetItem *node);
    QTreeWidgetItem *ParentNode(const CQuickTextCategory *parent) const;
    QTreeWidgetItem *SelectedNode() const;
    CQuickTextCategory *SelectedCategoryOrRoot() const;

    void OnCategoryAdded(CQuickTextCategory *category);
    void OnCategoryRemoved(CQuickTextCategory *category);
    void OnItemAdded(CQuickTextItem *item);
    void OnItemRemoved(CQuickTextItem *item);

    void Send();
    void AddCategory();
    void AddItem();
    void Edit();
    void Delete();
    int RunDialog(QDialog &dialog);
    QWidget *DialogOwner();

    QPointer<QWidget> m_owner;
    CQuickTextList *m_list = nullptr;
    QIcon m_categoryIcon;
    QIcon m_itemIcon;
    QHash<const CQuickTextCategory *, QTreeWidgetItem *> m_categoryNodes;
    QHash<const CQuickTextItem *, QTreeWidgetItem *> m_itemNodes;
};
