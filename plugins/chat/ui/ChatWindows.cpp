#include "plugins/chat/ui/ChatWindows.h"

namespace {

// The size a chat window opens with.
constexpr QSize kInitialSize(438, 335);

} // namespace

QWidget *CChatWindows::CreateChatWindow(CChat *chat)
{
    if (!chat)
        return nullptr;
    auto *window = new CFullChatWnd(m_host);
    window->setWindowFlag(Qt::Window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(chat->title());
    window->SetTimings(m_timings);
    window->resize(kInitialSize);
    window->AttachChat(chat);
    window->show();
    return window;
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
    if (auto *chatWindow = qobject_cast<CChatWnd *>(window))
        chatWindow->OnChatState(state);
}

void CChatWindows::DestroyChatWindow(QWidget *window)
{
    // Its end detaches the chat, which tells the peer "gone".
    delete window;
}
