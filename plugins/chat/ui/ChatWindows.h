#pragma once
// The chat windows of the agent's direct chats: each one a full chat window
// in a detached chat frame of its own, attached to its chat. The frame
// deletes itself when the agent closes it; the chat stays with the table.
// User-interface thread only.

#include "plugins/chat/ChatTable.h"
#include "plugins/chat/ui/ChatWnd.h"

#include <QString>

#include <map>

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
    // What the agent typed and did not send stays with the peer, and is in
    // the input again when the peer's next window opens (after a sign-out,
    // for instance).
    void DestroyChatWindow(QWidget *window) override;

    // The chat window inside a window made here, or null.
    static CChatWnd *ChatWindowOf(QWidget *window);

private:
    IChatWndHost &m_host;
    ChatWndTimings m_timings;
    // Unsent text of destroyed windows, by the peer's bare address.
    std::map<QString, CChatWnd::Draft> m_drafts;
};
