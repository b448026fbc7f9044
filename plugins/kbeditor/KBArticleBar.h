#pragma once
// CKBArticleBar: the article properties above the editor's body: status and
// category lists (each with add and delete buttons), title and keywords.
// The lists follow the plug-in's category and status signals and keep what
// the agent chose across a refresh: a status by its exact name (case
// ignored), a category by its id. User-interface thread only.

#include "bus/KBPayloads.h"

#include <QWidget>

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
    // What the article names until the lists can show it.
    QString m_wantedStatus;
    int m_wantedCategory = 0;
};
