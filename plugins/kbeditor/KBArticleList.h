#pragma once
// CKBArticleList: the search results, one three-part row per article (bold
// title, the search excerpt wrapped and cut with an ellipsis, the category
// title at the bottom). Double-click previews the article; the context menu
// edits or deletes it. Rows hold copies of the articles and leave when the
// plug-in reports an article deleted. User-interface thread only.

#include "bus/KBPayloads.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include <optional>
#include <string>
#include <vector>

class CLumoryPlugin;

// The articles of a result list in row order (row i shows article i).
class CKBArticleModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { ExcerptRole = Qt::UserRole + 1, CategoryRole };

    // plugin: names the categories; not owned.
    explicit CKBArticleModel(const CLumoryPlugin *plugin, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void Clear();
    void Append(const QVPlugin::KBArticle &article);
    // Removes the first row with the id; false when none has it.
    bool Remove(const std::string &id);
    const std::vector<QVPlugin::KBArticle> &Articles() const { return m_articles; }
    // After the category titles changed.
    void CategoriesChanged();

private:
    const CLumoryPlugin *m_plugin;
    std::vector<QVPlugin::KBArticle> m_articles;
};

// Draws a row: row height is five lines of the list's text.
class CKBArticleDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

class CKBArticleList : public QListView
{
    Q_OBJECT
public:
    CKBArticleList(CLumoryPlugin *plugin, QWidget *parent = nullptr);

    void Clear();
    // The first row added is selected.
    void AddArticle(const QVPlugin::KBArticle &article);
    const std::vector<QVPlugin::KBArticle> &Articles() const { return m_model->Articles(); }
    // Empty when no row is selected.
    std::string SelectedId() const;

    // The list's own commands (edit and delete the selected article).
    void RunCommand(unsigned id);
    // Where the context menu opens, in list coordinates; none when it does
    // not open. A mouse click on a row selects that row first.
    std::optional<QPoint> ContextMenuPoint(const QPoint &pos, bool fromKeyboard);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void Preview();
    void OnArticleDeleted(const std::string &id);

    CLumoryPlugin *m_plugin;
    CKBArticleModel *m_model;
};
