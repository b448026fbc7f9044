#include "plugins/chat/ui/VisitorChatPane.h"

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/model/VisitorInfoHtml.h"
#include "plugins/chat/model/WebAddress.h"
#include "plugins/chat/ui/BlockVisitorDlg.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/PushWebPageDlg.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "plugins/chat/ui/TransferChatDlg.h"
#include "shared/html/QVHtmlViewPane.h"
#include "skins/QVSkinManager.h"
#include "skins/QVSplitter.h"

#include <QDesktopServices>
#include <QApplication>
#include <QMenu>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

using namespace QVPlugin;

const QString CVisitorChatPane::kNoSelection = QStringLiteral("qv://noselection");
const QString CVisitorChatPane::kVisitorDetails = QStringLiteral("qv://visitordetails");

namespace {

const QString kSection = QStringLiteral("Tessary\\VisitorChatPane");
constexpr int kSplitterId = 110;

// A tab page that receives its web view when first drawn: the web engine
// starts only once the agent looks at a visitor.
QWidget *MakePage()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    return page;
}

} // namespace

CVisitorChatPane::CVisitorChatPane(IVisitorPaneHost &host, IChatWndHost &chatHost, const CContactList &contacts,
                                   CSitePathListCtrl::SettingReader settings, QWidget *parent)
    : CQVSkinWnd(parent),
      m_host(host),
      m_chatHost(chatHost),
      m_contacts(contacts),
      m_splitter(new CQVSplitter(kSection, Qt::Horizontal, this, kSplitterId)),
      m_chatWnd(new CChatWnd(chatHost)),
      m_tabs(new QTabWidget),
      m_pages{MakePage(), MakePage(), MakePage()},
      m_sitePath(new CSitePathListCtrl(std::move(settings), m_tabs)),
      m_external(this),
      m_logic(std::make_unique<CVisitorPaneLogic>(host, static_cast<IVisitorPaneView &>(*this)))
{
    setObjectName(QStringLiteral("VisitorChatPane"));
    setWindowTitle(QStringLiteral("Visitor Chat Pane"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_chatWnd->setObjectName(QStringLiteral("Chat Pane"));
    m_splitter->addWidget(m_chatWnd);
    m_splitter->addWidget(m_tabs);
    m_splitter->SetPaneInfo(0, kChatIdealWidth, kChatMinimumWidth);
    m_splitter->SetPaneInfo(1, kTabsWidth, kTabsWidth);

    m_sitePath->setObjectName(QStringLiteral("c103"));
    m_tabs->addTab(m_pages[TabDetails], QStringLiteral("Details"));
    m_tabs->addTab(m_pages[TabCurrentPage], QStringLiteral("Current Page"));
    m_tabs->addTab(m_pages[TabHistory], QStringLiteral("History"));
    m_tabs->addTab(m_sitePath, QStringLiteral("Site Path"));

    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { Redraw(); });
    connect(m_chatWnd, &CChatWnd::detached, this,
            [this] { m_logic->ExecuteCommand(CVisitorPaneLogic::CmdDetach); });
    connect(CQVSkinManager::Instance(), &CQVSkinManager::OnSkinChanged, this, [this] {
        // The details page carries the skin's style sheet.
        if (m_currentDocument == kVisitorDetails)
            m_currentDocument.clear();
        Redraw();
    });
    // Closed until a visitor with a chat is selected.
    SetChatColumnVisible(false);
}

CVisitorChatPane::~CVisitorChatPane()
{
    // The chats go with the logic: no window or list may still show one.
    for (const auto &chat : m_logic->Sessions())
        if (m_logic->FindVisitorChat(chat->peer()) == chat.get())
            emit chatEnded(chat.get());
    m_chatWnd->DetachChat();
    const auto frames = std::move(m_frames);
    m_frames.clear();
    for (const auto &[chat, frame] : frames) {
        if (!frame)
            continue;
        frame->disconnect(this);
        if (auto *window = qobject_cast<CChatWnd *>(frame->ChatWindow()))
            window->DetachChat();
        delete frame.data();
    }
}

CQVHtmlViewPane *CVisitorChatPane::View(Tab tab) const
{
    return tab >= TabDetails && tab <= TabHistory ? m_views[tab] : nullptr;
}

CQVHtmlViewPane *CVisitorChatPane::EnsureView(Tab tab)
{
    if (m_views[tab])
        return m_views[tab];
    auto *view = new CQVHtmlViewPane(m_pages[tab]);
    view->setObjectName(QStringLiteral("c%1").arg(100 + int(tab)));
    m_pages[tab]->layout()->addWidget(view);
    if (tab == TabDetails) {
        // Built from what visitors typed and their browsers reported: no
        // script runs there.
        view->SetJavaScriptEnabled(false);
    } else if (tab == TabHistory) {
        // Only our own history page is loaded with access to it.
        view->SetExternal(&m_external);
    }
    if (tab == TabDetails || tab == TabHistory)
        KeepOnOwnPages(*view, [](const QUrl &url) { QDesktopServices::openUrl(url); });
    m_views[tab] = view;
    return view;
}

void CVisitorChatPane::KeepOnOwnPages(CQVHtmlViewPane &view, std::function<void(const QUrl &)> openInBrowser)
{
    view.SetPageNavigation(false);
    view.SetLinkOpener([open = std::move(openInBrowser)](const QUrl &url) {
        if (Tessary::IsWebAddress(url.toString()))
            open(url);
    });
}

void CVisitorChatPane::PrepareViews()
{
    EnsureView(TabDetails);
}

bool CVisitorChatPane::OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info)
{
    bool enabled = false;
    bool checked = false;
    if (!m_logic->UpdateCommand(id, enabled, checked))
        return false;
    if (code == CommandUpdateUi || (update && info)) {
        if (!update)
            return false;
        update->Enable(enabled);
        if (id == CVisitorPaneLogic::CmdHtmlMode)
            update->SetCheck(checked);
        if (info)
            info->target = this;
        return true;
    }
    if (code != CommandExecute)
        return false;
    return m_logic->ExecuteCommand(id);
}

CChatWnd *CVisitorChatPane::WindowOf(CChat *chat) const
{
    if (!chat)
        return nullptr;
    if (m_chatWnd->GetChat() == chat)
        return m_chatWnd;
    return FrameWindow(chat);
}

CFullChatWnd *CVisitorChatPane::FrameWindow(CChat *chat) const
{
    const auto it = m_frames.find(chat);
    if (it == m_frames.end() || !it->second)
        return nullptr;
    auto *window = qobject_cast<CFullChatWnd *>(it->second->ChatWindow());
    return window && window->GetChat() == chat ? window : nullptr;
}

void CVisitorChatPane::ShowChat(CChat *chat)
{
    CChat *shown = m_chatWnd->GetChat();
    if (shown == chat)
        return;
    // Each chat keeps its own unsent text: what was typed for one visitor
    // must never be sent to another.
    const CChatWnd::Draft draft = m_chatWnd->TakeDraft();
    if (shown && shown->IsUsable() && !draft.rtf.isEmpty())
        m_drafts[shown] = draft;
    m_chatWnd->AttachChat(chat);
    if (const auto it = m_drafts.find(chat); chat && it != m_drafts.end()) {
        m_chatWnd->PutDraft(it->second);
        m_drafts.erase(it);
    }
}

CChat *CVisitorChatPane::ShownChat() const
{
    return m_chatWnd->GetChat();
}

bool CVisitorChatPane::IsDetached(CChat *chat) const
{
    return FrameWindow(chat) != nullptr;
}

void CVisitorChatPane::DetachShownChat()
{
    CChat *chat = m_chatWnd->GetChat();
    if (!chat || IsDetached(chat))
        return;
    auto *full = new CFullChatWnd(m_chatHost);
    full->TakeOverChat(*m_chatWnd);
    auto *frame = new CTessaryPane(full, chat->title());
    m_frames[chat] = frame;
    connect(frame, &CTessaryPane::closing, this, [this, chat](CTessaryPane *) {
        // The chat stays open; the pane shows it again when its visitor is
        // the one selected.
        CFullChatWnd *window = FrameWindow(chat);
        m_frames.erase(chat);
        if (!window)
            return;
        CVisitor *selected = m_logic->SelectedVisitor();
        if (selected && m_logic->ChatOf(*selected) == chat) {
            // Docked back as it stands: unsent text, selection and status
            // come along, and the room hears neither "gone" nor "active".
            ShowChat(nullptr);
            m_chatWnd->TakeOverChat(*window);
            m_logic->Relayout();
            return;
        }
        const CChatWnd::Draft draft = window->TakeDraft();
        if (chat->IsUsable() && !draft.rtf.isEmpty())
            m_drafts[chat] = draft;
        window->DetachChat();
    });
    frame->show();
}

bool CVisitorChatPane::EndChatWindow(CChat *chat)
{
    CChatWnd *window = WindowOf(chat);
    if (!window)
        return false;
    window->EndChat();
    return true;
}

void CVisitorChatPane::ChatEnded(CChat *chat)
{
    // Nothing typed for an ended chat can be sent any more.
    m_drafts.erase(chat);
    emit chatEnded(chat);
}

void CVisitorChatPane::ReleaseChat(CChat *chat)
{
    m_drafts.erase(chat);
    if (m_chatWnd->GetChat() == chat)
        m_chatWnd->DetachChat();
    const auto it = m_frames.find(chat);
    if (it == m_frames.end())
        return;
    QPointer<CTessaryPane> frame = it->second;
    m_frames.erase(it);
    if (!frame)
        return;
    frame->disconnect(this);
    if (auto *window = qobject_cast<CChatWnd *>(frame->ChatWindow()))
        window->DetachChat();
    frame->close();
}

void CVisitorChatPane::ActivateChat(CChat *chat)
{
    CChatWnd *window = WindowOf(chat);
    if (!window)
        return;
    QWidget *top = window->window();
    if (top->isMinimized())
        top->showNormal();
    top->raise();
    top->activateWindow();
    window->setFocus();
}

void CVisitorChatPane::ShowPeerChatState(CChat *chat, int state)
{
    if (CChatWnd *window = WindowOf(chat))
        window->OnChatState(state);
}

void CVisitorChatPane::PutTextInChat(CChat *chat, const QString &text)
{
    if (CChatWnd *window = WindowOf(chat))
        window->InsertText(text);
}

bool CVisitorChatPane::CanInsertQuickText() const
{
    return m_chatColumnVisible && m_chatWnd->GetChat() && m_chatWnd->GetChat()->IsUsable();
}

void CVisitorChatPane::InsertQuickText(unsigned number)
{
    m_chatWnd->InsertQuickText(number);
}

void CVisitorChatPane::SetChatColumnVisible(bool visible)
{
    if (visible == m_chatColumnVisible)
        return;
    m_chatColumnVisible = visible;
    if (visible) {
        m_splitter->SetPaneInfo(0, m_savedChatWidth, kChatMinimumWidth);
        m_chatWnd->show();
    } else {
        if (m_chatWnd->width() > 0 && m_chatWnd->isVisible())
            m_savedChatWidth = qMax(m_chatWnd->width(), kChatMinimumWidth);
        m_splitter->SetPaneInfo(0, 0, 0);
        m_chatWnd->hide();
    }
    m_splitter->RecalcLayout();
}

void CVisitorChatPane::BlankViews()
{
    for (CQVHtmlViewPane *view : m_views)
        if (view)
            view->LoadFromText(QString());
}

void CVisitorChatPane::Redraw()
{
    CVisitor *visitor = m_logic->SelectedVisitor();
    const int tab = m_tabs->currentIndex();
    if (!visitor) {
        if (tab == TabSitePath) {
            m_sitePath->Clear();
        } else if (m_currentDocument != kNoSelection) {
            m_currentDocument = kNoSelection;
            BlankViews();
        }
        return;
    }
    switch (tab) {
    case TabDetails: {
        if (!m_views[TabDetails]) {
            // The engine starts with the first view and holds this thread for
            // seconds; started at once from the first click on a row, it would
            // split a double-click on that row into two clicks.
            if (!m_viewDue) {
                m_viewDue = true;
                QTimer::singleShot(QApplication::doubleClickInterval(), this, [this] {
                    m_viewDue = false;
                    EnsureView(TabDetails);
                    Redraw();
                });
            }
            break;
        }
        const std::string id = visitor->id();
        EnsureView(TabDetails)->LoadFromText(Tessary::VisitorDetailsPage(visitor, [this, id](const QString &address) {
            m_host.SendServerCommand(id, address, "get-geolocation");
        }));
        m_currentDocument = kVisitorDetails;
        break;
    }
    case TabCurrentPage: {
        const auto &tracking = visitor->Tracking();
        const QString url = tracking.empty() ? QString() : tracking.back().url;
        if (!url.isEmpty() && url != m_currentDocument) {
            // Visitors' browsers report these: only web pages are opened.
            if (Tessary::IsWebAddress(url))
                EnsureView(TabCurrentPage)->Navigate(QUrl(url));
            else if (m_views[TabCurrentPage])
                m_views[TabCurrentPage]->LoadFromText(QString());
            m_currentDocument = url;
        }
        break;
    }
    case TabHistory:
        if (!visitor->history().isEmpty()) {
            // The service's transcript holds what visitors wrote: no script.
            EnsureView(TabHistory)->SetJavaScriptEnabled(false);
            m_views[TabHistory]->LoadFromText(visitor->history());
        } else {
            EnsureView(TabHistory)->SetJavaScriptEnabled(true);
            m_views[TabHistory]->LoadFromText(Tessary::VisitorHistoryPage(),
                                             CQVHtmlViewPane::ExternalAccess::Granted);
        }
        m_currentDocument = kVisitorDetails;
        break;
    case TabSitePath:
        m_sitePath->Fill(visitor);
        break;
    default:
        break;
    }
}

QString CVisitorChatPane::CurrentPageUrl() const
{
    if (!m_views[TabCurrentPage])
        return QString();
    const QString url = m_views[TabCurrentPage]->GetLocation();
    return Tessary::IsWebAddress(url) ? url : QString();
}

void CVisitorChatPane::PostCommand(unsigned id)
{
    // The view above handles it, after the menu has gone.
    QTimer::singleShot(0, this, [this, id] {
        for (QWidget *w = parentWidget(); w; w = w->parentWidget())
            if (auto *target = qobject_cast<ICommandTarget *>(w))
                if (target->OnCmdMsg(id, CommandExecute, nullptr, nullptr))
                    return;
    });
}

unsigned CVisitorChatPane::PopupMenu(const std::vector<VisitorMenuItem> &items, const QPoint &globalPos)
{
    // No parent: the menu must not die with the pane while it is open.
    QMenu menu;
    for (const VisitorMenuItem &item : items) {
        QAction *action = menu.addAction(item.text);
        action->setData(item.id);
        action->setEnabled(item.enabled);
    }
    QAction *chosen = menu.exec(globalPos);
    if (!chosen)
        return 0;
    return chosen->data().toUInt();
}

std::optional<QString> CVisitorChatPane::AskBlockType()
{
    // Owned by the pane, which may go while the dialog runs.
    QPointer<CBlockVisitorDlg> dialog = new CBlockVisitorDlg(this);
    const bool ok = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return std::nullopt;
    const QString type = dialog->BlockType();
    delete dialog;
    if (!ok)
        return std::nullopt;
    return type;
}

std::optional<PushPageChoice> CVisitorChatPane::AskPushPage()
{
    QPointer<CPushWebPageDlg> dialog = new CPushWebPageDlg(this);
    const bool ok = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return std::nullopt;
    const PushPageChoice choice{dialog->Url(), dialog->AsLink()};
    delete dialog;
    if (!ok || choice.url.isEmpty())
        return std::nullopt;
    return choice;
}

void CVisitorChatPane::RunTransfer(const std::string &sessionId, const std::function<void(const QString &)> &send)
{
    if (!CTransferChatDlg::CheckAgents(m_contacts, this))
        return;
    QPointer<CTransferChatDlg> dialog = new CTransferChatDlg(
        this, m_contacts, sessionId, [send](const std::string &, const QString &text, const std::string &) { send(text); });
    dialog->exec();
    delete dialog;
}
