#pragma once
// The chat windows of the agent's direct chats: each one a full chat window
// in a detached chat frame of its own, attached to its chat. The frame
// deletes itself when the agent closes it; the chat stays with the table.
// User-interface thread only.

#include "plugins/chat/ChatTable.h"
#include "plugins/chat/ui/ChatWnd.h"

class CChatWindows : public IChatWindows
{
public:
    // host: must outlive every window made here.
    explicit CChatWindows(IChatWndHost &host) : m_host(host) {}

    void SetTimings(const ChatWndTimings &timings) { m_timings = timings; }

    // A shown CTessaryPane around a CFullChatWnd; it opens without taking
    // the keyboard from the window the agent types in.
    QWidget *CreateChatWindow(CChat *chat) override;
    void RaiseChatWindow(QWidget *window) override;
    void FocusChatWindow(QWidget *window) override;
    void ShowPeerChatState(QWidget *window, int state) override;
    void DestroyChatWindow(QWidget *window) override;

    // The chat window inside a window made here, or null.
    static CChatWnd *ChatWindowOf(QWidget *window);

private:
    IChatWndHost &m_host;
    ChatWndTimings m_timings;
};
