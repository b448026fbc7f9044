#pragma once
// The agent's quick texts: prepared answers kept as a tree of titled
// categories holding titled items, read from and written to the shared
// "quicktext.xml" data files.
//
// A category owns its child categories and items; the list owns the root.
// Every change to a category emits its own signals; the list relays them
// (silently while it reads a file), renumbering the items depth-first on
// every change so that command 10300 + number always names the same item
// as the menu and the tree show.
//
// Threading: user-interface thread only.

#include <QObject>
#include <QString>

#include <vector>

class CQuickTextCategory;

// One quick text.
class CQuickTextItem
{
public:
    CQuickTextItem() = default;
    CQuickTextItem(unsigned shared, const QString &accountKey, const QString &title = QString(),
                   const QString &text = QString(), unsigned shortcut = 0);
    CQuickTextItem(const CQuickTextItem &) = delete;
    CQuickTextItem &operator=(const CQuickTextItem &) = delete;

    unsigned Number() const { return m_number; }
    void SetNumber(unsigned number) { m_number = number; }
    // Null while detached.
    CQuickTextCategory *Category() const { return m_category; }
    unsigned Shared() const { return m_shared; }
    const QString &AccountKey() const { return m_accountKey; }
    const QString &Title() const { return m_title; }
    const QString &Text() const { return m_text; }
    unsigned Html() const { return m_html; }
    // Virtual key in the low byte, modifier bits in the next; 0 = none.
    unsigned Shortcut() const { return m_shortcut; }

    // Moves the item to its new sorted place in its category.
    void SetTitle(const QString &title);
    void SetText(const QString &text);
    void SetShortcut(unsigned shortcut);
    // From the item dialog: assigns what differs; safe on a detached item.
    void Update(unsigned shared, const QString &title, const QString &text, unsigned html, unsigned shortcut);

private:
    friend class CQuickTextCategory;
    friend class CQuickTextList;
    void NotifyChanged();

    unsigned m_number = 0;
    CQuickTextCategory *m_category = nullptr;
    unsigned m_shared = 0;
    QString m_accountKey;
    QString m_title;
    QString m_text;
    unsigned m_html = 0;
    unsigned m_shortcut = 0;
};

class CQuickTextCategory : public QObject
{
    Q_OBJECT
public:
    explicit CQuickTextCategory(const QString &title = QString());
    ~CQuickTextCategory() override;

    const QString &Title() const { return m_title; }
    // Null for the root and while detached.
    CQuickTextCategory *ParentCategory() const { return m_parent; }
    // Ordered by title (case-sensitive); titles are unique among siblings.
    const std::vector<CQuickTextCategory *> &Categories() const { return m_categories; }
    // Ordered by title; items of the same title in the order they came.
    const std::vector<CQuickTextItem *> &Items() const { return m_items; }
    // True when no item of its title comes before it here.
    bool IsFirstOfTitle(const CQuickTextItem *item) const;
    // The items the tree and the menu show: all of them, or the first of each title.
    std::vector<CQuickTextItem *> ShownItems(bool duplicates) const;

    // Takes ownership.
    void AddCategory(CQuickTextCategory *child);
    // Gives ownership back to the caller.
    void RemoveCategory(CQuickTextCategory *child);
    // Takes ownership; detaches the item from its old category first.
    void AddItem(CQuickTextItem *item);
    // Gives ownership back to the caller.
    void RemoveItem(CQuickTextItem *item);
    void SetTitle(const QString &title);
    CQuickTextCategory *FindCategory(const QString &title) const;
    // Deletes every child category and item, without signals.
    void Clear();
    bool IsEmpty() const { return m_categories.empty() && m_items.empty(); }

signals:
    void CategoryAdded(CQuickTextCategory *category);
    void CategoryRemoved(CQuickTextCategory *category);
    void ItemAdded(CQuickTextItem *item);
    void ItemRemoved(CQuickTextItem *item);
    void Changed();

private:
    friend class CQuickTextItem;
    friend class CQuickTextList;

    std::vector<CQuickTextCategory *> m_categories;
    std::vector<CQuickTextItem *> m_items;
    CQuickTextCategory *m_parent = nullptr;
    QString m_title;
};

class CQuickTextList : public QObject
{
    Q_OBJECT
public:
    static constexpr unsigned kFirstCommand = 10300;
    // The chat window takes 10300-10600; later numbers get no command.
    static constexpr unsigned kLastNumber = 300;

    // Holds the built-in default set until the first file is read.
    CQuickTextList();
    ~CQuickTextList() override;

    CQuickTextCategory *Root() { return &m_root; }
    const CQuickTextCategory *Root() const { return &m_root; }
    bool DefaultsLoaded() const { return m_defaultsLoaded; }
    bool ShowDuplicates() const { return m_showDuplicates; }
    void SetShowDuplicates(bool on) { m_showDuplicates = on; }

    // Reads one "quicktext.xml" file into the list. The first file replaces
    // the default set; the items held from the same file (same shared flag,
    // whatever their account key: it may change between sign-ins) are
    // replaced; the rest is merged by title. Bad XML keeps whatever was
    // complete before the fault; false then: the file was not read whole.
    bool Read(const QString &xml, unsigned shared, const QString &accountKey);
    // The items of the shared flag whose account key is empty or equals the
    // given one, as the file's text (no declaration, no root).
    QString Write(unsigned shared, const QString &accountKey) const;

    CQuickTextItem *FindItem(unsigned number) const;
    void Renumber();
    // The command of an item, 0 when it has none.
    static unsigned CommandOf(const CQuickTextItem *item);

signals:
    void Reloaded();
    void Changed();
    void CategoryAdded(CQuickTextCategory *category);
    void CategoryRemoved(CQuickTextCategory *category);
    void ItemAdded(CQuickTextItem *item);
    void ItemRemoved(CQuickTextItem *item);

private slots:
    void OnCategoryAdded(CQuickTextCategory *category);
    void OnCategoryRemoved(CQuickTextCategory *category);
    void OnItemAdded(CQuickTextItem *item);
    void OnItemRemoved(CQuickTextItem *item);
    void OnChanged();

private:
    void Connect(CQuickTextCategory *category);
    void Disconnect(CQuickTextCategory *category);
    void Merge(CQuickTextCategory *into, CQuickTextCategory *from);
    bool RemoveFileItems(CQuickTextCategory *category, unsigned shared);
    // The entries added; whole is false when the reader stopped at a fault.
    int Parse(const QString &xml, unsigned shared, const QString &accountKey, bool *whole = nullptr);

    CQuickTextCategory m_root;
    bool m_defaultsLoaded = false;
    bool m_loading = false;
    bool m_showDuplicates = false;
};
