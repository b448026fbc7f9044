#include "plugins/chat/ui/ChatWindows.h"

#include "plugins/chat/ui/TessaryPane.h"

QWidget *CChatWindows::CreateChatWindow(CChat *chat)
{
    if (!chat)
        return nullptr;
    auto *chatWindow = new CFullChatWnd(m_host);
    chatWindow->SetTimings(m_timings);
    chatWindow->AttachChat(chat);
    auto *frame = new CTessaryPane(chatWindow, chat->title());
    frame->show();
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
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
    window->setFocus();
}

void CChatWindows::ShowPeerChatState(QWidget *window, int state)
{
    if (CChatWnd *chatWindow = ChatWindowOf(window))
        chatWindow->OnChatState(state);
}

void CChatWindows::DestroyChatWindow(QWidget *window)
{
    // Its end detaches the chat, which tells the peer "gone".
    delete window;
}
