#pragma once
// The two small dialogs that name a quick-text category and edit a quick
// text. Each changes the model only when OK passes its checks; a refused OK
// tells the agent why and leaves the dialog open on the field to fix.
// Modal, one edit each. User-interface thread only.

#include <QDialog>

class CQuickTextCategory;
class CQuickTextItem;
class QCheckBox;
class QKeySequenceEdit;
class QLineEdit;
class QPlainTextEdit;

class CQuickTextCategoryDlg : public QDialog
{
    Q_OBJECT
public:
    // category: the one being named, not owned. parent: where names must be
    // unique; the category's own parent when it has one.
    CQuickTextCategoryDlg(CQuickTextCategory *category, CQuickTextCategory *parent, QWidget *owner = nullptr);

    void accept() override;

private:
    CQuickTextCategory *m_category;
    CQuickTextCategory *m_parent;
    QLineEdit *m_name;
};

class CQuickTextItemDlg : public QDialog
{
    Q_OBJECT
public:
    // item: not owned; may still be detached (a new item).
    explicit CQuickTextItemDlg(CQuickTextItem *item, QWidget *owner = nullptr);

    void accept() override;
    // The stored value of the key in the hot-key field, 0 for none.
    unsigned Shortcut() const;

private:
    void KeepFirstKey();

    CQuickTextItem *m_item;
    QLineEdit *m_title;
    QPlainTextEdit *m_text;
    QCheckBox *m_html;
    QCheckBox *m_shared;
    QKeySequenceEdit *m_key;
};
