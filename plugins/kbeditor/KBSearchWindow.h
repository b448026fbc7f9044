#pragma once
// CKBSearchWindow: the category and status choices, the search text, the
// search button and the result list. The choices are editable and refill
// whenever the plug-in hands out its lists, keeping what the agent typed.
// A search's results come only to the window whose search the service took
// last. User-interface thread only.

#include "bus/KBPayloads.h"

#include <QWidget>

#include <vector>

class CDialogResizer;
class CKBArticleList;
class CLumoryPlugin;
class QComboBox;
class QLineEdit;
class CQVButton;

class CKBSearchWindow : public QWidget
{
    Q_OBJECT
public:
    // Control ids; each control's objectName is "c" + id.
    enum Control { CategoryCombo = 100, StatusCombo = 101, SearchEdit = 103, SearchButton = 104, ResultList = 105 };

    // plugin: not owned, outlives the window.
    explicit CKBSearchWindow(CLumoryPlugin *plugin, QWidget *parent = nullptr);

    // The parameters the choices and the search text make now.
    QVPlugin::KBSearchParams SearchParams() const;
    void Search();

    QComboBox *CategoryBox() const { return m_category; }
    QComboBox *StatusBox() const { return m_status; }
    QLineEdit *SearchText() const { return m_text; }
    CKBArticleList *List() const { return m_list; }

private:
    void OnCategories(const std::vector<QVPlugin::KBCategory> &categories);
    void OnStatuses(const std::vector<QVPlugin::KBStatus> &statuses);
    void OnResults(const std::vector<QVPlugin::KBArticle> &articles, QObject *target);

    CLumoryPlugin *m_plugin;
    QComboBox *m_category;
    QComboBox *m_status;
    QLineEdit *m_text;
    CQVButton *m_search;
    CKBArticleList *m_list;
    CDialogResizer *m_resizer;
};
