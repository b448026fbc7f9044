#include "bus/Commands.h"
#include "bus/MessageIds.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextStore.h"
#include "plugins/chat/ui/QuickTextDialogs.h"
#include "plugins/chat/ui/QuickTextTree.h"
#include "shared/DialogHeader.h"
#include "shared/Prompt.h"
#include "shared/WrappedText.h"
#include "tests/TestUtil.h"
#include "tests/xmpp/FakeHost.h"

#include <QKeySequenceEdit>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

namespace {

// A window that takes commands, as the chat window does.
class CommandSink : public QWidget, public QVPlugin::ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    bool OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *, QVPlugin::CommandHandlerInfo *) override
    {
        if (code == QVPlugin::CommandExecute)
            commands.push_back(id);
        return true;
    }
    std::vector<unsigned> commands;
};

// Records every prompt and answers with a scripted button.
struct Prompts
{
    explicit Prompts(QMessageBox::StandardButton answer = QMessageBox::Ok)
    {
        CPrompt::SetHandler([this, answer](const PromptRequest &request) {
            texts.push_back(request.text);
            return answer;
        });
    }
    ~Prompts() { CPrompt::SetHandler({}); }
    QStringList texts;
};

// Runs the tree's dialogs with a script instead of exec().
struct Dialogs
{
    explicit Dialogs(std::function<void(QDialog &)> script)
    {
        CQuickTextTree::SetDialogRunner([script](QDialog &dialog) {
            script(dialog);
            return dialog.result();
        });
    }
    ~Dialogs() { CQuickTextTree::SetDialogRunner({}); }
};

QString MenuText(QMenu *menu)
{
    QStringList entries;
    for (QAction *action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-")
                                          : action->text() + (action->isEnabled() ? QString() : QStringLiteral("(off)")));
    delete menu;
    return entries.join(QLatin1Char('|'));
}

// The tree's labels depth-first: "C{A B }Z ".
QString Labels(QTreeWidgetItem *node)
{
    QString out;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem *child = node->child(i);
        out += child->text(0) + (CQuickTextTree::CategoryOf(child) ? QLatin1Char('{') + Labels(child) + QLatin1Char('}')
                                                                 : QStringLiteral(" "));
    }
    return out;
}

struct TreeFixture : ::testing::Test
{
    TreeFixture()
    {
        list.Read(QStringLiteral("<QUICKTEXTCATEGORY><TITLE>C</TITLE>"
                                 "<QUICKTEXT><TITLE>B</TITLE><TEXT>b</TEXT></QUICKTEXT>"
                                 "<QUICKTEXT><TITLE>A</TITLE><TEXT>a</TEXT></QUICKTEXT>"
                                 "<QUICKTEXT><TITLE>A</TITLE><TEXT>a2</TEXT></QUICKTEXT>"
                                 "</QUICKTEXTCATEGORY><QUICKTEXT><TITLE>Z</TITLE><TEXT>z</TEXT></QUICKTEXT>"),
                  0, QString());
        tree.Attach(&list);
        category = list.Root()->Categories().front();
    }
    QString Shown() { return Labels(tree.invisibleRootItem()); }
    void Select(QTreeWidgetItem *node) { tree.setCurrentItem(node); }

    CommandSink owner;
    CQuickTextList list;
    CQuickTextTree tree{&owner, &owner};
    CQuickTextCategory *category = nullptr;
};

} // namespace

TEST_F(TreeFixture, ContextMenusFollowTheNodeKind)
{
    EXPECT_EQ(Shown(), QStringLiteral("C{A B }Z "));
    EXPECT_EQ(MenuText(tree.CreateContextMenu(nullptr)), QStringLiteral("Add a Category...|Add an Item..."));
    EXPECT_EQ(MenuText(tree.CreateContextMenu(tree.NodeOf(category))),
              QStringLiteral("Add a Category...|Add an Item...|-|Edit...|Delete"));
    EXPECT_EQ(MenuText(tree.CreateContextMenu(tree.NodeOf(list.FindItem(4)))),
              QStringLiteral("Send|-|Add a Category...(off)|Add an Item...(off)|-|Edit...|Delete"));
}

TEST_F(TreeFixture, DoubleClickSendsTheCurrentNumber)
{
    CQuickTextItem *z = list.FindItem(4);
    list.Root()->AddCategory(new CQuickTextCategory(QStringLiteral("D")));
    category->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("0"), QStringLiteral("zero")));
    ASSERT_EQ(z->Number(), 5u);
    Select(tree.NodeOf(z));
    emit tree.itemDoubleClicked(tree.NodeOf(z), 0);
    // A category sends nothing.
    Select(tree.NodeOf(category));
    tree.RunCommand(CQuickTextTree::CommandSend);
    Select(tree.NodeOf(list.FindItem(1)));
    tree.RunCommand(CQuickTextTree::CommandSend);
    ASSERT_TRUE(waitUntil([&] { return owner.commands.size() == 2; }));
    EXPECT_EQ(owner.commands, (std::vector<unsigned>{10305, 10301}));
}

TEST_F(TreeFixture, AddEditAndCancelThroughTheDialogs)
{
    bool accept = true;
    QString name = QStringLiteral("New");
    Dialogs dialogs([&](QDialog &dialog) {
        if (auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("c113")))
            edit->setText(name);
        if (auto *title = dialog.findChild<QLineEdit *>(QStringLiteral("c118"))) {
            title->setText(name);
            dialog.findChild<QPlainTextEdit *>(QStringLiteral("c121"))->setPlainText(QStringLiteral("text"));
        }
        accept ? dialog.accept() : dialog.reject();
    });
    Select(tree.NodeOf(category));
    tree.RunCommand(CQuickTextTree::CommandAddCategory);
    tree.RunCommand(CQuickTextTree::CommandAddItem);
    EXPECT_EQ(Shown(), QStringLiteral("C{New{}A B New }Z "));

    accept = false;
    tree.RunCommand(CQuickTextTree::CommandAddItem);
    tree.clearSelection();
    tree.RunCommand(CQuickTextTree::CommandAddCategory);
    EXPECT_EQ(Shown(), QStringLiteral("C{New{}A B New }Z "));

    // Renaming moves the node; a change of letter case is a new name.
    accept = true;
    name = QStringLiteral("c");
    Select(tree.NodeOf(category));
    tree.RunCommand(CQuickTextTree::CommandEdit);
    name = QStringLiteral("Y");
    Select(tree.NodeOf(list.FindItem(3)));
    tree.RunCommand(CQuickTextTree::CommandEdit);
    EXPECT_EQ(Shown(), QStringLiteral("c{New{}A New Y }Z "));
}

TEST_F(TreeFixture, ARenamedNodeStaysSelectedSoDeleteActsOnIt)
{
    QString name = QStringLiteral("X");
    Dialogs dialogs([&](QDialog &dialog) {
        if (auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("c113")))
            edit->setText(name);
        if (auto *title = dialog.findChild<QLineEdit *>(QStringLiteral("c118")))
            title->setText(name);
        dialog.accept();
    });
    tree.NodeOf(category)->setExpanded(true);
    CQuickTextItem *b = list.FindItem(3);
    Select(tree.NodeOf(b));
    tree.RunCommand(CQuickTextTree::CommandEdit);
    EXPECT_EQ(tree.currentItem(), tree.NodeOf(b));
    Select(tree.NodeOf(category));
    tree.RunCommand(CQuickTextTree::CommandEdit);
    ASSERT_EQ(tree.currentItem(), tree.NodeOf(category));
    EXPECT_TRUE(tree.NodeOf(category)->isExpanded());
    Prompts yes(QMessageBox::Yes);
    tree.RunCommand(CQuickTextTree::CommandDelete);
    EXPECT_EQ(Shown(), QStringLiteral("Z "));
}

TEST_F(TreeFixture, EveryNodeOfAKindSharesOneIcon)
{
    const qint64 categoryIcon = tree.NodeOf(category)->icon(0).cacheKey();
    const qint64 itemIcon = tree.NodeOf(list.FindItem(4))->icon(0).cacheKey();
    list.Root()->AddCategory(new CQuickTextCategory(QStringLiteral("D")));
    category->AddItem(new CQuickTextItem(0, QString(), QStringLiteral("0"), QStringLiteral("zero")));
    int nodes = 0;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it, ++nodes)
        EXPECT_EQ((*it)->icon(0).cacheKey(), CQuickTextTree::CategoryOf(*it) ? categoryIcon : itemIcon)
            << (*it)->text(0).toStdString();
    EXPECT_EQ(nodes, 6);
}

TEST_F(TreeFixture, DeletingACategoryAsksFirstAndRemovesEverythingUnderIt)
{
    {
        Prompts no(QMessageBox::No);
        Select(tree.NodeOf(category));
        tree.RunCommand(CQuickTextTree::CommandDelete);
        ASSERT_EQ(no.texts.size(), 1);
        EXPECT_TRUE(no.texts[0].startsWith(QStringLiteral("All items under this category will be deleted.")));
        EXPECT_EQ(Shown(), QStringLiteral("C{A B }Z "));
    }
    Prompts yes(QMessageBox::Yes);
    Select(tree.NodeOf(list.FindItem(4)));
    tree.RunCommand(CQuickTextTree::CommandDelete);
    EXPECT_TRUE(yes.texts.isEmpty()); // an item goes without a question
    Select(tree.NodeOf(category));
    tree.RunCommand(CQuickTextTree::CommandDelete);
    EXPECT_EQ(Shown(), QString());
    EXPECT_EQ(tree.NodeOf(list.FindItem(1)), nullptr);
}

TEST_F(TreeFixture, DuplicatesFollowTheSetting)
{
    xmpptest::FakeHost host;
    CQuickTextStore store(&host, &list);
    QVPlugin::MsgValue on(QStringLiteral("quicktext.duplicates"), true);
    store.OnMessage(QVPlugin::MSG_SET_SETTING, &on, nullptr);
    EXPECT_EQ(Shown(), QStringLiteral("C{A A B }Z "));
    QVPlugin::MsgValue off(QStringLiteral("quicktext.duplicates"), false);
    store.OnMessage(QVPlugin::MSG_SET_SETTING, &off, nullptr);
    EXPECT_EQ(Shown(), QStringLiteral("C{A B }Z "));
    // The second "A" stands in when the first goes.
    CQuickTextItem *first = list.FindItem(1);
    category->RemoveItem(first);
    delete first;
    EXPECT_EQ(Shown(), QStringLiteral("C{A B }Z "));
    EXPECT_EQ(CQuickTextTree::ItemOf(tree.NodeOf(category)->child(0))->Text(), QStringLiteral("a2"));
}

// The banner's title and subtitle are drawn whole, not cut with an ellipsis.
TEST(QuickTextDialogs, TheCategoryDialogShowsItsBannerWhole)
{
    CQuickTextList list;
    QWidget tree; // the program opens it over the quick-text tree
    CQuickTextCategoryDlg dialog(list.Root()->Categories().front(), nullptr, &tree);
    dialog.show();
    auto *header = dialog.findChild<CDialogHeader *>();
    ASSERT_NE(header, nullptr);
    // The banner shows the dialog's icon, when it has one, beside the texts.
    const QSize icon = dialog.windowIcon().isNull() ? QSize() : header->IconSize();
    const CDialogHeader::Layout layout =
        CDialogHeader::ComputeLayout(header->size(), CDialogHeader::AlignLeft, icon, header->EdgeSize());
    const QFontMetricsF title(FontForCellHeight(QStringLiteral("Tahoma"), CDialogHeader::kTitleHeight, true));
    const QFontMetricsF subtitle(FontForCellHeight(QStringLiteral("Tahoma"), CDialogHeader::kSubtitleHeight, false));
    EXPECT_LE(title.horizontalAdvance(QStringLiteral("Category Information")), layout.title.width());
    EXPECT_LE(subtitle.horizontalAdvance(QStringLiteral("Enter the name of the category")), layout.subtitle.width());
}

TEST(QuickTextDialogs, RefuseIncompleteInputAndStayOnTheField)
{
    Prompts prompts;
    CQuickTextList list;
    CQuickTextCategory *intro = list.Root()->Categories().front();
    CQuickTextCategoryDlg named(intro, nullptr);
    named.show();
    auto *name = named.findChild<QLineEdit *>(QStringLiteral("c113"));
    for (const QString &text : {QString(), QStringLiteral("Miscellaneous")}) {
        name->setText(text);
        named.accept();
        EXPECT_EQ(named.result(), QDialog::Rejected);
        EXPECT_EQ(named.focusWidget(), name);
    }
    EXPECT_EQ(prompts.texts, (QStringList{QStringLiteral("Please enter the category name"),
                                          QStringLiteral("The category name already exists")}));

    // A new item: its update must not need a category.
    prompts.texts.clear();
    CQuickTextItem item;
    CQuickTextItemDlg dialog(&item);
    dialog.show();
    auto *title = dialog.findChild<QLineEdit *>(QStringLiteral("c118"));
    auto *text = dialog.findChild<QPlainTextEdit *>(QStringLiteral("c121"));
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), title);
    title->setText(QStringLiteral("T"));
    dialog.accept();
    EXPECT_EQ(dialog.focusWidget(), text);
    EXPECT_EQ(prompts.texts, (QStringList{QStringLiteral("Please enter the title of the item"),
                                          QStringLiteral("Please enter the item text")}));
    text->setPlainText(QStringLiteral("x"));
    auto *key = dialog.findChild<QKeySequenceEdit *>(QStringLiteral("c122"));
    key->setKeySequence(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A, QKeyCombination(Qt::Key_B)));
    EXPECT_EQ(key->keySequence(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(item.Title(), QStringLiteral("T"));
    EXPECT_EQ(item.Shortcut(), 0x0341u);

    CQuickTextItemDlg again(&item);
    EXPECT_EQ(again.Shortcut(), 0x0341u);
    again.findChild<QPushButton *>(QStringLiteral("c124"))->click();
    again.accept();
    EXPECT_EQ(item.Shortcut(), 0u);
}

#include "test_quicktexttree.moc"
