#pragma once
// CChatTable: the agent's direct chats and their chat windows, each found by
// the bare JID of the chat's peer. The table owns its chats (a chat lives
// until the table ends); it only watches the windows, which the window
// factory makes and destroys, so a window closed by the agent simply drops
// out. The bar follows the table through chatAdded and windowAdded.
// User-interface thread only.

#include "bus/ChatPayloads.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class CChat;

// Makes and handles the chat windows for the table; the chat window module
// implements it.
class IChatWindows
{
public:
    virtual ~IChatWindows() = default;
    // A new window that shows the chat; null when none could be made.
    virtual QWidget *CreateChatWindow(CChat *chat) = 0;
    // A line came in: restored when minimised, raised and flashed; the
    // keyboard focus stays where the agent types.
    virtual void RaiseChatWindow(QWidget *window) = 0;
    // The agent asked for it: restored when minimised, brought to the top
    // and focused.
    virtual void FocusChatWindow(QWidget *window) = 0;
    // The peer's chat state (composing, paused, ...), as the window shows it.
    virtual void ShowPeerChatState(QWidget *window, int state) = 0;
    virtual void DestroyChatWindow(QWidget *window) = 0;
};

class CChatTable : public QObject
{
    Q_OBJECT
public:
    explicit CChatTable(QObject *parent = nullptr);
    ~CChatTable() override;

    // Not owned; must outlive the table or be reset to null first. Without
    // a factory no window is made.
    void SetWindows(IChatWindows *windows) { m_windows = windows; }

    // The chat whose peer has the bare form of this JID, or null.
    CChat *FindChat(const QVPlugin::Jid &jid) const;
    // Its window while it is open, or null.
    QWidget *FindWindow(const QVPlugin::Jid &jid) const;

    // Takes the chat; a second chat for the same peer is discarded and the
    // one already held returned. Emits chatAdded for a new one.
    CChat *AddChat(std::unique_ptr<CChat> chat);
    // The chat's window, made through the factory when it has none (then
    // windowAdded is emitted); null without a factory or for a chat that is
    // not in the table.
    QWidget *OpenWindow(CChat *chat);
    // Raise the peer's open window (the keys stay where they are), or bring
    // it to the top and focus it; false when there is none.
    bool RaiseWindow(const QVPlugin::Jid &jid);
    bool FocusWindow(const QVPlugin::Jid &jid);
    // Shows the peer's chat state in its open window, if any.
    void ShowChatState(const QVPlugin::Jid &jid, int state);
    // Destroys every open window through the factory; the chats stay.
    void DestroyAllWindows();

    int Count() const { return int(m_entries.size()); }
    CChat *At(int index) const { return m_entries.at(size_t(index)).chat.get(); }

signals:
    void chatAdded(CChat *chat);
    void windowAdded(CChat *chat, QWidget *window);

private:
    struct Entry
    {
        std::unique_ptr<CChat> chat;
        QPointer<QWidget> window;
    };
    Entry *FindEntry(const QVPlugin::Jid &jid) const;

    IChatWindows *m_windows = nullptr;
    std::vector<Entry> m_entries;
};
