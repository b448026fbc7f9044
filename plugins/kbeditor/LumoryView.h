#pragma once
// CLumoryView: the editor's view, a tab control with an optional "Search"
// tab and one read-only preview tab per article. Each tab has a 16-bit id:
// 0 for the search tab, and for previews ids from a counter that starts at 1,
// skips 0 and ids in use, and moves past each id it hands out. It runs the
// "Lumory" menu's commands. User-interface thread only.

#include "bus/Commands.h"
#include "bus/KBPayloads.h"
#include "plugins/kbeditor/ArticlePreview.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <string>

class CLumoryPlugin;
class QTabWidget;

class CLumoryView : public QWidget, public QVPlugin::ICommandTarget
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    static constexpr std::uint16_t kSearchTabId = 0;

    // plugin: not owned, outlives the view.
    explicit CLumoryView(CLumoryPlugin *plugin, QWidget *parent = nullptr);

    // The default makes web panes.
    void SetPaneFactory(PreviewPaneFactory factory) { m_paneFactory = std::move(factory); }

    void ShowSearchTab();
    // Activates the article's tab when it has one (content unchanged),
    // otherwise opens a new tab with its page.
    void ShowArticle(const QVPlugin::KBArticle &article);
    void CloseArticle(const std::string &id);
    // An open preview of the article shows it as saved (the tab stays where
    // it is, active or not).
    void RefreshArticle(const QVPlugin::KBArticle &article);

    QTabWidget *Tabs() const { return m_tabs; }
    // The id of the tab at index; none for an index without a tab.
    std::optional<std::uint16_t> TabId(int index) const;
    // The article of the active tab; none when it is not a preview.
    std::optional<std::string> ActiveArticleId() const;
    // The id the next preview would start looking from.
    std::uint16_t NextTabId() const { return m_nextTabId; }
    void SetNextTabId(std::uint16_t id) { m_nextTabId = id; }

    bool OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *update, QVPlugin::CommandHandlerInfo *info) override;

private:
    // The index of the last preview tab of the article; -1 when none.
    int FindArticle(const std::string &id) const;
    bool HasTabId(std::uint16_t id) const;
    void CloseTab(int index);

    CLumoryPlugin *m_plugin;
    QTabWidget *m_tabs;
    PreviewPaneFactory m_paneFactory;
    std::uint16_t m_nextTabId = 1;
};
