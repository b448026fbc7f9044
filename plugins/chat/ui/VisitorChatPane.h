#pragma once
// CVisitorChatPane: the agent's workspace for the selected visitor, below
// the visitor list: the visitor's chat window on the left and four tabs on
// the right (Details, Current Page, History, Site Path), in a splitter whose
// column sizes persist ("Tessary\VisitorChatPane"). The decisions (which
// chats are open, the commands and menus) are CVisitorPaneLogic's; this
// class is its windows: it shows chats, detaches them into frames, runs the
// menus and dialogs and draws the visitor into the active tab.
//
// Pages built from visitor data run no script; the Current Page tab opens
// only http and https addresses and never sees window.external, which only
// our own History page gets.
//
// Threading: user-interface thread only.

#include "bus/Commands.h"
#include "plugins/chat/model/VisitorPaneLogic.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/HTMLPageExternal.h"
#include "plugins/chat/ui/SitePathListCtrl.h"
#include "skins/QVSkinWnd.h"

#include <QPointer>

#include <array>
#include <functional>
#include <map>
#include <memory>

class CContactList;
class CFullChatWnd;
class CQVHtmlViewPane;
class CQVSplitter;
class CTessaryPane;
class IChatWndHost;
class QTabWidget;

class CVisitorChatPane : public CQVSkinWnd,
                         public QVPlugin::ICommandTarget,
                         public CTessaryPlugin::IQuickTextInput,
                         private IVisitorPaneView,
                         private CHTMLPageExternal::Owner
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    enum Tab { TabDetails, TabCurrentPage, TabHistory, TabSitePath };
    static constexpr int kChatIdealWidth = 500;
    static constexpr int kChatMinimumWidth = 380;
    static constexpr int kTabsWidth = 200;
    static const QString kNoSelection;    // "qv://noselection"
    static const QString kVisitorDetails; // "qv://visitordetails"

    // Every reference must outlive the pane.
    CVisitorChatPane(IVisitorPaneHost &host, IChatWndHost &chatHost, const CContactList &contacts,
                     CSitePathListCtrl::SettingReader settings, QWidget *parent = nullptr);
    ~CVisitorChatPane() override;

    CVisitorPaneLogic &Logic() { return *m_logic; }

    // The Details and History pages are ours while their links come from
    // the network: the view stays on them; web addresses go to the browser,
    // any other is ignored.
    static void KeepOnOwnPages(CQVHtmlViewPane &view, std::function<void(const QUrl &)> openInBrowser);

    bool OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *update,
                  QVPlugin::CommandHandlerInfo *info) override;

    CChatWnd *ChatWindow() const { return m_chatWnd; }
    QTabWidget *Tabs() const { return m_tabs; }
    // Null until the tab was first drawn for a visitor.
    CQVHtmlViewPane *View(Tab tab) const;
    CSitePathListCtrl *SitePath() const { return m_sitePath; }
    bool ChatColumnVisible() const { return m_chatColumnVisible; }
    const QString &CurrentDocument() const { return m_currentDocument; }

    // Starts the web engine with the Details view, before the agent first
    // looks at a visitor: the start takes seconds.
    void PrepareViews();

    // Quick texts go into the pane's chat window while it is open.
    bool CanInsertQuickText() const override;
    void InsertQuickText(unsigned number) override;

    // CHTMLPageExternal::Owner
    void RetrieveHistory() override { m_logic->RetrieveHistory(); }

signals:
    // A visitor chat was opened, or ended (also for each one still open
    // when the pane goes, before its chats are deleted).
    void chatOpened(CChat *chat);
    void chatEnded(CChat *chat);

private:
    // IVisitorPaneView
    void ShowChat(CChat *chat) override;
    CChat *ShownChat() const override;
    bool IsDetached(CChat *chat) const override;
    void DetachShownChat() override;
    bool EndChatWindow(CChat *chat) override;
    void ReleaseChat(CChat *chat) override;
    void ActivateChat(CChat *chat) override;
    void ShowPeerChatState(CChat *chat, int state) override;
    void PutTextInChat(CChat *chat, const QString &text) override;
    void SetChatColumnVisible(bool visible) override;
    void Redraw() override;
    QString CurrentPageUrl() const override;
    void PostCommand(unsigned id) override;
    void ChatOpened(CChat *chat) override { emit chatOpened(chat); }
    void ChatEnded(CChat *chat) override;
    unsigned PopupMenu(const std::vector<VisitorMenuItem> &items, const QPoint &globalPos) override;
    std::optional<QString> AskBlockType() override;
    std::optional<PushPageChoice> AskPushPage() override;
    void RunTransfer(const std::string &sessionId, const std::function<void(const QString &)> &send) override;

    // The window that shows the chat: the pane's or a frame's; null for none.
    CChatWnd *WindowOf(CChat *chat) const;
    CFullChatWnd *FrameWindow(CChat *chat) const;
    void BlankViews();
    CQVHtmlViewPane *EnsureView(Tab tab);

    IVisitorPaneHost &m_host;
    IChatWndHost &m_chatHost;
    const CContactList &m_contacts;
    CQVSplitter *m_splitter;
    CChatWnd *m_chatWnd;
    QTabWidget *m_tabs;
    // The pages of the three web tabs and their views, made when needed.
    std::array<QWidget *, 3> m_pages;
    std::array<CQVHtmlViewPane *, 3> m_views{};
    CSitePathListCtrl *m_sitePath;
    CHTMLPageExternal m_external;
    std::unique_ptr<CVisitorPaneLogic> m_logic;
    // The frames of detached chats; a frame closed by the agent drops out.
    std::map<CChat *, QPointer<CTessaryPane>> m_frames;
    // The unsent text of each open chat that no window shows now: the
    // pane's one input holds only the shown chat's.
    std::map<CChat *, CChatWnd::Draft> m_drafts;
    QString m_currentDocument = kNoSelection;
    bool m_chatColumnVisible = true;
    // The first web view is on its way (see Redraw).
    bool m_viewDue = false;
    int m_savedChatWidth = kChatIdealWidth;
};
