#pragma once
// CKBArticleBar: the article properties above the editor's body: status and
// category lists (each with add and delete buttons), title and keywords.
// The lists follow the plug-in's category and status signals and keep what
// the agent chose across a refresh: a status by its exact name (case
// ignored), a category by its id; a choice the new list no longer has
// leaves the list without a selection. User-interface thread only.

#include "bus/KBPayloads.h"

#include <QWidget>

#include <optional>
#include <vector>

class CLumoryPlugin;
class QComboBox;
class QLineEdit;
class QPushButton;

class CKBArticleBar : public QWidget
{
    Q_OBJECT
public:
    explicit CKBArticleBar(QWidget *parent = nullptr);

    // Follows the plug-in's lists from now on; not owned.
    void SetPlugin(CLumoryPlugin *plugin);
    // Shows the article's title, keywords, status and category.
    void FillFrom(const QVPlugin::KBArticle &article);
    // Status, keywords and category into the article (the title goes through
    // the document). A list without a selection leaves its field alone.
    void PullInto(QVPlugin::KBArticle &article) const;

    void OnCategories(const std::vector<QVPlugin::KBCategory> &categories);
    void OnStatuses(const std::vector<QVPlugin::KBStatus> &statuses);

    QComboBox *StatusBox() const { return m_status; }
    QComboBox *CategoryBox() const { return m_category; }
    QLineEdit *TitleEdit() const { return m_title; }
    QLineEdit *KeywordsEdit() const { return m_keywords; }

private:
    void UpdateButtons();
    void AddStatus();
    void DeleteStatus();
    void AddCategory();
    void DeleteCategory();

    CLumoryPlugin *m_plugin = nullptr;
    QComboBox *m_status;
    QComboBox *m_category;
    QLineEdit *m_title;
    QLineEdit *m_keywords;
    QPushButton *m_deleteStatus;
    QPushButton *m_deleteCategory;
    // What the article names while no list has come yet; once a list came,
    // only the list's own selection counts, so a name that has gone selects
    // nothing.
    std::optional<QString> m_wantedStatus;
    std::optional<int> m_wantedCategory;
    bool m_hasStatus = false; // the article shown names a status
};
