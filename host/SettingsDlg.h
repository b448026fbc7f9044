#pragma once
// The settings dialog: the host's own settings layout, completed by every
// plug-in (MSG_BUILD_SETTINGS_LAYOUT), shown as a tree of categories with
// one page of rows each. Values are read with MSG_GET_SETTING as the pages
// are built; OK writes the changed ones with MSG_SET_SETTING, Cancel writes
// nothing.
//
// User-interface thread only.

#include <QDialog>

#include <vector>

class CLayoutWnd;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;
struct SettingsCategory;

namespace QVPlugin {
class CManager;
} // namespace QVPlugin

class CSettingsDlg : public QDialog
{
    Q_OBJECT
public:
    // The host's layout among the program's resources.
    static QString HostLayoutFile();

    // bus: not owned, outlives the dialog. layoutFile: the host's layout;
    // empty = HostLayoutFile().
    explicit CSettingsDlg(QVPlugin::CManager *bus, QWidget *parent = nullptr, const QString &layoutFile = QString());

    // False when the layout did not load or holds no category; exec() then
    // returns Rejected without showing anything.
    bool IsLoaded() const { return m_loaded; }
    int exec() override;
    // Saves every page, then closes.
    void accept() override;

    QTreeWidget *Tree() const { return m_tree; }

private:
    bool Load(const QString &layoutFile);
    void AddCategory(const SettingsCategory &category, QTreeWidgetItem *parent);
    void ShowPage(QTreeWidgetItem *item);

    QVPlugin::CManager *m_bus;
    QTreeWidget *m_tree;
    QStackedWidget *m_frame;
    std::vector<CLayoutWnd *> m_pages; // in scroll areas of m_frame, by the tree items' data
    bool m_loaded = false;
};
