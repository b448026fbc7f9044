#pragma once
// CLumoryBar: the editor's outlook-bar page, a "Search" header over one
// search window. It shows no context menu of its own.
// User-interface thread only.

#include <QWidget>

class CKBSearchWindow;
class CLumoryPlugin;
class CWndWithHeader;

class CLumoryBar : public QWidget
{
    Q_OBJECT
public:
    // plugin: not owned, outlives the bar.
    explicit CLumoryBar(CLumoryPlugin *plugin, QWidget *parent = nullptr);

    CKBSearchWindow *SearchWindow() const { return m_search; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    CWndWithHeader *m_header;
    CKBSearchWindow *m_search;
};
