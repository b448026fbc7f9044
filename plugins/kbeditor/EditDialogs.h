#pragma once
// The small dialogs that add or rename a category and an article status.
// OK sends the request through the plug-in; when the service does not take
// it the dialog stays open with the typed text and says so.
// User-interface thread only.

#include "bus/KBPayloads.h"

#include <QDialog>

#include <string>

class CLumoryPlugin;
class QLineEdit;

class CCategoryEditDlg : public QDialog
{
    Q_OBJECT
public:
    CCategoryEditDlg(CLumoryPlugin *plugin, QWidget *parent = nullptr);

    // A category with a non-zero id is renamed instead of added.
    void SetCategory(const QVPlugin::KBCategory &category);
    const QVPlugin::KBCategory &Category() const { return m_category; }

    void accept() override;

private:
    CLumoryPlugin *m_plugin;
    QVPlugin::KBCategory m_category;
    QLineEdit *m_title;
};

class CStatusEditDlg : public QDialog
{
    Q_OBJECT
public:
    CStatusEditDlg(CLumoryPlugin *plugin, QWidget *parent = nullptr);

    // A non-empty old name renames that status instead of adding one.
    void SetStatus(const std::string &oldName, const QVPlugin::KBStatus &status);

    void accept() override;

private:
    CLumoryPlugin *m_plugin;
    std::string m_oldName;
    QLineEdit *m_name;
    QLineEdit *m_description;
};
