#pragma once
// CCustomizeDialog: the "Customize..." window of a frame. Commands: the
// frame's menu commands by category, put on a toolbar or the menu bar (drag
// them, or Add), taken off, moved (drag, or Move Up / Move Down), given a
// user image; Reset brings a bar back as shipped. Toolbars: show, hide, make
// and delete the agent's own. Options: personalised menus and the record of
// used commands. Every change applies at once.

#include <QDialog>

class CCommandBars;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;

class CCustomizeDialog : public QDialog
{
    Q_OBJECT
public:
    CCustomizeDialog(CCommandBars *bars, QWidget *parent);

    // The bar the Commands page edits.
    void ChooseBar(const QString &bar);
    void ChooseCategory(int row);
    // The selected command onto the edited bar, after its selected item.
    void AddSelected();
    void RemoveSelected();
    void MoveSelected(int by);
    void AddSeparator();
    void ResetBar();
    void SetImage(int image);

    QListWidget *CommandList() const { return m_commands; }
    QListWidget *ItemList() const { return m_items; }
    QListWidget *ToolBarList() const { return m_toolBars; }

private:
    void FillItems();
    void FillToolBars();
    void Store();
    QString CurrentBar() const;

    CCommandBars *m_bars;
    QListWidget *m_categories;
    QListWidget *m_commands;
    QComboBox *m_bar;
    QListWidget *m_items;
    QComboBox *m_image;
    QListWidget *m_toolBars;
    QPushButton *m_deleteBar;
    QCheckBox *m_personalized;
    bool m_filling = false;
};
