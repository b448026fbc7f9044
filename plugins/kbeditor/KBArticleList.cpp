#include "plugins/kbeditor/KBArticleList.h"

#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "shared/WrappedText.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QTextDocument>

#include <algorithm>

using namespace QVPlugin;

CKBArticleModel::CKBArticleModel(const CLumoryPlugin *plugin, QObject *parent)
    : QAbstractListModel(parent), m_plugin(plugin)
{
}

int CKBArticleModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_articles.size());
}

QVariant CKBArticleModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    const KBArticle &article = m_articles[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return Utf8ToWide(article.title);
    case Qt::ToolTipRole:
        // A tool tip that looks like markup is shown as rich text.
        return Qt::convertFromPlainText(Utf8ToWide(article.title));
    case ExcerptRole:
        return Utf8ToWide(article.text);
    case CategoryRole:
        return m_plugin ? m_plugin->GetCategoryTitle(article.categoryId) : QString();
    default:
        return QVariant();
    }
}

void CKBArticleModel::Clear()
{
    beginResetModel();
    m_articles.clear();
    endResetModel();
}

void CKBArticleModel::Append(const KBArticle &article)
{
    const int row = rowCount();
    beginInsertRows(QModelIndex(), row, row);
    m_articles.push_back(article);
    endInsertRows();
}

bool CKBArticleModel::Remove(const std::string &id)
{
    const auto it = std::find_if(m_articles.begin(), m_articles.end(),
                                 [&](const KBArticle &a) { return a.id == id; });
    if (it == m_articles.end())
        return false;
    const int row = int(it - m_articles.begin());
    beginRemoveRows(QModelIndex(), row, row);
    m_articles.erase(it);
    endRemoveRows();
    return true;
}

void CKBArticleModel::CategoriesChanged()
{
    if (!m_articles.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {CategoryRole});
}

void CKBArticleDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    painter->save();
    const bool selected = option.state & QStyle::State_Selected;
    QRect rect = option.rect;
    painter->fillRect(rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    rect.adjust(1, 1, -1, -1);
    painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));

    QFont bold = option.font;
    bold.setBold(true);
    painter->setFont(bold);
    const QFontMetrics boldMetrics(bold);
    const int titleHeight = boldMetrics.height();
    const QString title = index.data(Qt::DisplayRole).toString();
    painter->drawText(QRect(rect.left(), rect.top(), rect.width(), titleHeight), Qt::AlignLeft | Qt::AlignTop,
                      boldMetrics.elidedText(title, Qt::ElideRight, rect.width()));

    // The excerpt sits between the title and the category line, a little
    // more than a title's height away from each edge.
    const int gap = 7 * (7 * titleHeight / 6) / 6;
    const QRect excerpt = rect.adjusted(0, gap, 0, -gap);
    painter->setFont(option.font);
    const QFontMetrics metrics(option.font);
    // Excerpts may hold "<" after cleaning: plain text only.
    if (excerpt.height() > 0)
        DrawWrappedText(*painter, excerpt, index.data(CKBArticleModel::ExcerptRole).toString(), Qt::AlignLeft);

    const QRect strip(rect.left(), excerpt.bottom() + 1, rect.width(), rect.bottom() - excerpt.bottom());
    const QString category = index.data(CKBArticleModel::CategoryRole).toString();
    painter->drawText(strip, Qt::AlignLeft | Qt::AlignBottom, metrics.elidedText(category, Qt::ElideRight, rect.width()));

    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize CKBArticleDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), 5 * QFontMetrics(option.font).height());
}

CKBArticleList::CKBArticleList(CLumoryPlugin *plugin, QWidget *parent)
    : QListView(parent), m_plugin(plugin), m_model(new CKBArticleModel(plugin, this))
{
    setModel(m_model);
    setItemDelegate(new CKBArticleDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListView::doubleClicked, this, &CKBArticleList::Preview);
    connect(plugin, &CLumoryPlugin::articleDeleted, this, &CKBArticleList::OnArticleDeleted);
    connect(plugin, &CLumoryPlugin::categoriesChanged, m_model, &CKBArticleModel::CategoriesChanged);
}

void CKBArticleList::Clear()
{
    m_model->Clear();
}

void CKBArticleList::AddArticle(const KBArticle &article)
{
    m_model->Append(article);
    if (m_model->rowCount() == 1)
        setCurrentIndex(m_model->index(0));
}

std::string CKBArticleList::SelectedId() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::string();
    return Articles()[size_t(rows.front().row())].id;
}

void CKBArticleList::Preview()
{
    const std::string id = SelectedId();
    if (!id.empty())
        m_plugin->RequestArticlePreview(id);
}

void CKBArticleList::RunCommand(unsigned id)
{
    const std::string article = SelectedId();
    if (article.empty())
        return;
    if (id == LumoryCommand::ListEditArticle)
        m_plugin->RequestArticleEdit(article);
    else if (id == LumoryCommand::ListDeleteArticle)
        m_plugin->DeleteArticle(window(), article);
}

void CKBArticleList::OnArticleDeleted(const std::string &id)
{
    m_model->Remove(id);
}

std::optional<QPoint> CKBArticleList::ContextMenuPoint(const QPoint &pos, bool fromKeyboard)
{
    if (fromKeyboard) {
        const QModelIndexList rows = selectionModel()->selectedRows();
        if (rows.isEmpty())
            return std::nullopt;
        return visualRect(rows.front()).topLeft();
    }
    const QModelIndex row = indexAt(pos);
    if (!row.isValid())
        return std::nullopt;
    setCurrentIndex(row);
    setFocus(Qt::MouseFocusReason);
    return pos;
}

void CKBArticleList::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    const std::optional<QPoint> at = ContextMenuPoint(event->pos(), event->reason() == QContextMenuEvent::Keyboard);
    if (!at)
        return;
    QMenu menu(this);
    for (unsigned id : {LumoryCommand::ListEditArticle, LumoryCommand::ListDeleteArticle})
        menu.addAction(LumoryString(id))->setData(id);
    if (QAction *chosen = menu.exec(viewport()->mapToGlobal(*at)))
        RunCommand(chosen->data().toUInt());
}
