#include "plugins/chat/ui/ChatWindows.h"

#include "plugins/chat/ui/TessaryPane.h"
#include "shared/QuietWindow.h"


QWidget *CChatWindows::CreateChatWindow(CChat *chat)
{
    if (!chat)
        return nullptr;
    auto *chatWindow = new CFullChatWnd(m_host);
    chatWindow->SetTimings(m_timings);
    chatWindow->AttachChat(chat);
    if (const auto it = m_drafts.find(chat->peer().BareStr()); it != m_drafts.end()) {
        chatWindow->PutDraft(it->second);
        m_drafts.erase(it);
    }
    auto *frame = new CTessaryPane(chatWindow, chat->title());
    // A colleague's first line makes it: the agent may be typing to someone
    // else. ShowChatFor focuses it when the agent asked for it.
    frame->setAttribute(Qt::WA_ShowWithoutActivating);
    QuietWindow::Show(frame);
    return frame;
}

CChatWnd *CChatWindows::ChatWindowOf(QWidget *window)
{
    if (auto *chatWindow = qobject_cast<CChatWnd *>(window))
        return chatWindow;
    return window ? window->findChild<CChatWnd *>() : nullptr;
}

void CChatWindows::RaiseChatWindow(QWidget *window)
{
    if (!window)
        return;
    // Neither restored nor raised, only flashed: Enter pressed for a visitor
    // must not go to the colleague whose line just came in, nor a click
    // meant for the agent's window land on this one.
    QuietWindow::Flash(window);
}

void CChatWindows::FocusChatWindow(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    if (CChatWnd *chatWindow = ChatWindowOf(window))
        chatWindow->setFocus();
    else
        window->setFocus();
}

void CChatWindows::ShowPeerChatState(QWidget *window, int state)
{
    if (CChatWnd *chatWindow = ChatWindowOf(window))
        chatWindow->OnChatState(state);
}

void CChatWindows::DestroyChatWindow(QWidget *window)
{
    if (CChatWnd *chatWindow = ChatWindowOf(window); chatWindow && chatWindow->GetChat()) {
        const QString peer = chatWindow->GetChat()->peer().BareStr();
        if (CChatWnd::Draft draft = chatWindow->TakeDraft(); !draft.rtf.isEmpty())
            m_drafts[peer] = std::move(draft);
    }
    // Its end detaches the chat, which tells the peer "gone".
    delete window;
}
