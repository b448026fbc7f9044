#include "plugins/chat/model/QuickText.h"

#include "plugins/chat/ChatLog.h"

#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>
#include <memory>

// Resources of a static library are registered by hand.
static void InitQuickTextResources()
{
    Q_INIT_RESOURCE(quicktext);
}

namespace {

constexpr std::size_t kMaxDepth = 64;

// Whether an item belongs to the file of this shared flag and account: the
// items made here (no account key) go into every account's file.
bool InFile(const CQuickTextItem *item, unsigned shared, const QString &accountKey)
{
    return item->Shared() == shared && (item->AccountKey().isEmpty() || item->AccountKey() == accountKey);
}

bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

// Character data that every reader of the file reads back as it was: a CDATA
// section as the file has always held, unless the text would end it early.
QString CharacterData(const QString &text)
{
    QString clean;
    clean.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            clean.append(c).append(text.at(++i));
        } else if (!c.isSurrogate() && IsXmlChar(c.unicode())) {
            clean.append(c);
        }
    }
    // A reader turns a raw carriage return into a line feed, so it goes as a
    // character reference, which CDATA cannot hold.
    if (!clean.contains(QLatin1String("]]>")) && !clean.contains(QLatin1Char('\r')))
        return QLatin1String("<![CDATA[") + clean + QLatin1String("]]>");
    return clean.toHtmlEscaped().replace(QLatin1Char('\r'), QLatin1String("&#13;"));
}

void WriteCategory(const CQuickTextCategory *category, unsigned shared, const QString &accountKey, QString &out)
{
    for (const CQuickTextCategory *child : category->Categories()) {
        QString inner;
        WriteCategory(child, shared, accountKey, inner);
        if (inner.isEmpty())
            continue;
        out += QLatin1String("<QUICKTEXTCATEGORY><TITLE>") + CharacterData(child->Title())
            + QLatin1String("</TITLE>") + inner + QLatin1String("</QUICKTEXTCATEGORY>\n");
    }
    for (const CQuickTextItem *item : category->Items()) {
        if (!InFile(item, shared, accountKey))
            continue;
        out += QLatin1String("<QUICKTEXT><TITLE>") + CharacterData(item->Title())
            + QLatin1String("</TITLE><TEXT>") + CharacterData(item->Text())
            + QLatin1String("</TEXT><SHORTCUT>") + QString::number(item->Shortcut())
            + QLatin1String("</SHORTCUT></QUICKTEXT>\n");
    }
}

void Number(CQuickTextCategory *category, unsigned &next)
{
    for (CQuickTextCategory *child : category->Categories())
        Number(child, next);
    for (CQuickTextItem *item : category->Items())
        item->SetNumber(next++);
}

CQuickTextItem *Find(const CQuickTextCategory *category, unsigned number)
{
    for (const CQuickTextCategory *child : category->Categories()) {
        if (CQuickTextItem *item = Find(child, number))
            return item;
    }
    for (CQuickTextItem *item : category->Items()) {
        if (item->Number() == number)
            return item;
    }
    return nullptr;
}

} // namespace

// ---- item

CQuickTextItem::CQuickTextItem(unsigned shared, const QString &accountKey, const QString &title,
                               const QString &text, unsigned shortcut)
    : m_shared(shared), m_accountKey(accountKey), m_title(title), m_text(text), m_shortcut(shortcut)
{
}

void CQuickTextItem::SetTitle(const QString &title)
{
    if (title == m_title)
        return;
    CQuickTextCategory *category = m_category;
    if (!category) {
        m_title = title;
        return;
    }
    category->RemoveItem(this);
    m_title = title;
    category->AddItem(this);
}

void CQuickTextItem::SetText(const QString &text)
{
    m_text = text;
    NotifyChanged();
}

void CQuickTextItem::SetShortcut(unsigned shortcut)
{
    m_shortcut = shortcut;
    NotifyChanged();
}

void CQuickTextItem::Update(unsigned shared, const QString &title, const QString &text, unsigned html,
                            unsigned shortcut)
{
    const bool changed = shared != m_shared || text != m_text || html != m_html || shortcut != m_shortcut;
    m_shared = shared;
    m_text = text;
    m_html = html;
    m_shortcut = shortcut;
    if (title != m_title)
        SetTitle(title); // emits through the category when attached
    else if (changed)
        NotifyChanged();
}

void CQuickTextItem::NotifyChanged()
{
    if (m_category)
        emit m_category->Changed();
}

// ---- category

CQuickTextCategory::CQuickTextCategory(const QString &title) : m_title(title) {}

CQuickTextCategory::~CQuickTextCategory()
{
    Clear();
}

void CQuickTextCategory::Clear()
{
    for (CQuickTextCategory *child : m_categories)
        delete child;
    for (CQuickTextItem *item : m_items)
        delete item;
    m_categories.clear();
    m_items.clear();
}

bool CQuickTextCategory::IsFirstOfTitle(const CQuickTextItem *item) const
{
    const auto it = std::lower_bound(m_items.begin(), m_items.end(), item->Title(),
                                     [](const CQuickTextItem *a, const QString &t) { return a->Title() < t; });
    return it != m_items.end() && *it == item;
}

std::vector<CQuickTextItem *> CQuickTextCategory::ShownItems(bool duplicates) const
{
    if (duplicates)
        return m_items;
    std::vector<CQuickTextItem *> shown;
    for (CQuickTextItem *item : m_items) {
        if (shown.empty() || shown.back()->Title() != item->Title())
            shown.push_back(item);
    }
    return shown;
}

void CQuickTextCategory::AddCategory(CQuickTextCategory *child)
{
    child->m_parent = this;
    const auto at = std::upper_bound(m_categories.begin(), m_categories.end(), child,
                                     [](const CQuickTextCategory *a, const CQuickTextCategory *b) {
                                         return a->m_title < b->m_title;
                                     });
    m_categories.insert(at, child);
    emit CategoryAdded(child);
    emit Changed();
}

void CQuickTextCategory::RemoveCategory(CQuickTextCategory *child)
{
    const auto it = std::find(m_categories.begin(), m_categories.end(), child);
    if (it == m_categories.end())
        return;
    m_categories.erase(it);
    child->m_parent = nullptr;
    emit CategoryRemoved(child);
    emit Changed();
}

void CQuickTextCategory::AddItem(CQuickTextItem *item)
{
    if (item->m_category)
        item->m_category->RemoveItem(item);
    item->m_category = this;
    // After the items of the same title, so the first added stays first.
    const auto at = std::upper_bound(m_items.begin(), m_items.end(), item,
                                     [](const CQuickTextItem *a, const CQuickTextItem *b) {
                                         return a->Title() < b->Title();
                                     });
    m_items.insert(at, item);
    emit ItemAdded(item);
    emit Changed();
}

void CQuickTextCategory::RemoveItem(CQuickTextItem *item)
{
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end())
        return;
    m_items.erase(it);
    item->m_category = nullptr;
    emit ItemRemoved(item);
    emit Changed();
}

void CQuickTextCategory::SetTitle(const QString &title)
{
    if (title == m_title)
        return;
    CQuickTextCategory *parent = m_parent;
    if (!parent) {
        m_title = title;
        return;
    }
    parent->RemoveCategory(this);
    m_title = title;
    parent->AddCategory(this);
}

CQuickTextCategory *CQuickTextCategory::FindCategory(const QString &title) const
{
    for (CQuickTextCategory *child : m_categories) {
        if (child->m_title == title)
            return child;
    }
    return nullptr;
}

// ---- list

CQuickTextList::CQuickTextList()
{
    InitQuickTextResources();
    Connect(&m_root);
    QFile defaults(QStringLiteral(":/tessary/quicktext/defaults.xml"));
    if (defaults.open(QIODevice::ReadOnly))
        Parse(QString::fromUtf8(defaults.readAll()), 0, QString());
    else
        qCWarning(lcChat) << "the default quick texts are missing";
    Renumber();
    m_defaultsLoaded = true;
}

CQuickTextList::~CQuickTextList()
{
    // The root's children go first, while the list can still hear them.
    m_loading = true;
    m_root.Clear();
}

void CQuickTextList::Connect(CQuickTextCategory *category)
{
    connect(category, &CQuickTextCategory::CategoryAdded, this, &CQuickTextList::OnCategoryAdded, Qt::UniqueConnection);
    connect(category, &CQuickTextCategory::CategoryRemoved, this, &CQuickTextList::OnCategoryRemoved,
            Qt::UniqueConnection);
    connect(category, &CQuickTextCategory::ItemAdded, this, &CQuickTextList::OnItemAdded, Qt::UniqueConnection);
    connect(category, &CQuickTextCategory::ItemRemoved, this, &CQuickTextList::OnItemRemoved, Qt::UniqueConnection);
    connect(category, &CQuickTextCategory::Changed, this, &CQuickTextList::OnChanged, Qt::UniqueConnection);
    for (CQuickTextCategory *child : category->Categories())
        Connect(child);
}

void CQuickTextList::Disconnect(CQuickTextCategory *category)
{
    disconnect(category, nullptr, this, nullptr);
}

void CQuickTextList::OnCategoryAdded(CQuickTextCategory *category)
{
    Connect(category);
    if (!m_loading)
        emit CategoryAdded(category);
}

void CQuickTextList::OnCategoryRemoved(CQuickTextCategory *category)
{
    Disconnect(category);
    if (!m_loading)
        emit CategoryRemoved(category);
}

void CQuickTextList::OnItemAdded(CQuickTextItem *item)
{
    if (!m_loading)
        emit ItemAdded(item);
}

void CQuickTextList::OnItemRemoved(CQuickTextItem *item)
{
    if (!m_loading)
        emit ItemRemoved(item);
}

void CQuickTextList::OnChanged()
{
    if (m_loading)
        return;
    Renumber();
    emit Changed();
}

void CQuickTextList::Renumber()
{
    unsigned next = 1;
    Number(&m_root, next);
}

CQuickTextItem *CQuickTextList::FindItem(unsigned number) const
{
    return number ? Find(&m_root, number) : nullptr;
}

unsigned CQuickTextList::CommandOf(const CQuickTextItem *item)
{
    return item && item->Number() >= 1 && item->Number() <= kLastNumber ? kFirstCommand + item->Number() : 0;
}

QString CQuickTextList::Write(unsigned shared, const QString &accountKey) const
{
    QString out;
    WriteCategory(&m_root, shared, accountKey, out);
    return out;
}

bool CQuickTextList::RemoveFileItems(CQuickTextCategory *category, unsigned shared)
{
    bool removed = false;
    for (std::size_t i = category->m_categories.size(); i-- > 0;) {
        CQuickTextCategory *child = category->m_categories[i];
        if (RemoveFileItems(child, shared) && child->IsEmpty()) {
            category->m_categories.erase(category->m_categories.begin() + i);
            delete child;
            removed = true;
        }
    }
    auto &items = category->m_items;
    for (std::size_t i = items.size(); i-- > 0;) {
        if (items[i]->Shared() == shared) {
            delete items[i];
            items.erase(items.begin() + i);
            removed = true;
        }
    }
    return removed;
}

bool CQuickTextList::Read(const QString &xml, unsigned shared, const QString &accountKey)
{
    m_loading = true;
    bool removed = false;
    if (m_defaultsLoaded) {
        removed = !m_root.IsEmpty();
        m_root.Clear();
        m_defaultsLoaded = false;
    } else {
        // A repeated answer for the same file replaces what it brought last
        // time, even when it comes under another account key (the key is
        // empty until the account data arrives after a new sign-in).
        removed = RemoveFileItems(&m_root, shared);
    }
    bool whole = true;
    const int added = xml.isEmpty() ? 0 : Parse(xml, shared, accountKey, &whole);
    m_loading = false;
    // The tree holds pointers to what was removed, so it must rebuild then too.
    if (added > 0 || removed) {
        Renumber();
        emit Reloaded();
    }
    return whole;
}

void CQuickTextList::Merge(CQuickTextCategory *into, CQuickTextCategory *from)
{
    CQuickTextCategory *same = into->FindCategory(from->Title());
    if (!same) {
        Connect(from);
        into->AddCategory(from);
        return;
    }
    while (!from->m_items.empty())
        same->AddItem(from->m_items.front());
    std::vector<CQuickTextCategory *> children;
    children.swap(from->m_categories);
    for (CQuickTextCategory *child : children) {
        child->m_parent = nullptr;
        Merge(same, child);
    }
    delete from;
}

int CQuickTextList::Parse(const QString &text, unsigned shared, const QString &accountKey, bool *whole)
{
    QStringView body(text);
    if (body.startsWith(QChar(0xFEFF)))
        body = body.mid(1);
    QXmlStreamReader reader;
    if (body.startsWith(QLatin1String("<?xml")))
        reader.addData(body.toString());
    else
        reader.addData(QLatin1String("<?xml version=\"1.0\"?><qt>") + body.toString() + QLatin1String("</qt>"));

    enum class Field { None, Title, Text, Shortcut };
    const bool wasLoading = m_loading;
    m_loading = true;
    std::vector<std::unique_ptr<CQuickTextCategory>> open; // the root is the implicit bottom
    std::unique_ptr<CQuickTextItem> item;
    Field field = Field::None;
    QString value;
    int added = 0;
    auto top = [&]() { return open.empty() ? &m_root : open.back().get(); };
    auto closeCategory = [&]() {
        std::unique_ptr<CQuickTextCategory> category = std::move(open.back());
        open.pop_back();
        if (category->Title().isEmpty())
            return;
        Merge(top(), category.release());
        ++added;
    };

    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            reader.raiseError(QStringLiteral("document type declarations are not accepted"));
            break;
        case QXmlStreamReader::StartElement: {
            const QStringView name = reader.name();
            field = Field::None;
            if (name == QLatin1String("QUICKTEXTCATEGORY")) {
                // The file is shared by every agent; nesting must not exhaust the stack.
                if (open.size() >= kMaxDepth) {
                    reader.raiseError(QStringLiteral("categories nested too deeply"));
                    break;
                }
                open.push_back(std::make_unique<CQuickTextCategory>());
            } else if (name == QLatin1String("QUICKTEXT")) {
                item = std::make_unique<CQuickTextItem>(shared, accountKey);
            } else if (name == QLatin1String("TITLE")) {
                field = Field::Title;
            } else if (name == QLatin1String("TEXT")) {
                field = Field::Text;
            } else if (name == QLatin1String("SHORTCUT")) {
                field = Field::Shortcut;
            }
            value.clear();
            break;
        }
        case QXmlStreamReader::Characters:
            // CDATA and escaped text may come in several pieces.
            value += reader.text();
            if (field == Field::Title) {
                if (item)
                    item->m_title = value;
                else if (!open.empty())
                    open.back()->m_title = value;
            } else if (field == Field::Text && item) {
                item->m_text = value;
            } else if (field == Field::Shortcut && item) {
                bool ok = false;
                const uint shortcut = value.trimmed().toUInt(&ok);
                item->m_shortcut = ok ? shortcut : 0;
            }
            break;
        case QXmlStreamReader::EndElement: {
            const QStringView name = reader.name();
            field = Field::None;
            if (name == QLatin1String("QUICKTEXT") && item) {
                if (!item->Title().isEmpty()) {
                    top()->AddItem(item.release());
                    ++added;
                }
                item.reset();
            } else if (name == QLatin1String("QUICKTEXTCATEGORY") && !open.empty()) {
                closeCategory();
            }
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError()) {
        qCWarning(lcChat) << "quick texts read up to line" << reader.lineNumber() << "column"
                          << reader.columnNumber() << ":" << reader.errorString();
        // Keep the complete items of the categories still open at the fault.
        while (!open.empty())
            closeCategory();
    }
    if (whole)
        *whole = !reader.hasError();
    m_loading = wasLoading;
    return added;
}
