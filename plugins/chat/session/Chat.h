#pragma once
// One conversation of the agent: a direct chat with a contact or the
// agent's place in a visitor's room. Turns typed text into what goes on
// the wire, counts the copies that wait for a delivery receipt and shows
// the agent's own line once every copy is acknowledged.
// User-interface thread only.

#include "bus/ChatPayloads.h"
#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/session/FileUpload.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class QTimer;

class MessageChannel;

// What a chat needs from the plug-in core.
class ChatCore
{
public:
    virtual ~ChatCore() = default;
    virtual QVPlugin::Jid OwnJid() const = 0;
    virtual bool SendAgentMessage(const QVPlugin::ChatMessage &message) = 0;
    virtual bool BoolSetting(const QString &key, bool fallback) const = 0;
    virtual void SendTypingState(const QVPlugin::Jid &peer, int state) = 0;
    virtual void SendDirectedPresence(const QVPlugin::ChatContact &presence) = 0;
    // The agent's contacts, where names are looked up after the chat's own
    // members; null when the core keeps none.
    virtual const CContactList *Contacts() const { return nullptr; }
};

enum ChatMode : int {
    ChatModeNone = 0,
    ChatModeDirect = 1,
    ChatModeRoomVisitor = 2,
    ChatModeRoomParticipant = 3,
};

class CChat
{
public:
    CChat(const QVPlugin::Jid &peer, ChatCore &core, MessageChannel &channel, const QString &title);
    ~CChat();

    const QVPlugin::Jid &peer() const { return m_peer; }
    const QString &title() const { return m_title; }
    MessageChannel &channel() const { return m_channel; }
    // Whether the agent takes part: a mode other than none and a valid peer.
    bool IsUsable() const { return m_mode != ChatModeNone && m_peer.IsValid(); }
    int mode() const { return m_mode; }
    // Set by the core when it opens a direct chat; no presence is sent.
    void SetModeValue(int mode)
    {
        m_mode = mode == 4 ? ChatModeRoomParticipant : mode;
        m_visitorRoom = m_visitorRoom || (m_mode != ChatModeNone && m_mode != ChatModeDirect);
    }
    // Changes the mode and sends the room presence that goes with it.
    void SetMode(int mode);
    const QVPlugin::Jid &occupant() const { return m_occupant; }
    int chatState() const { return m_chatState; }
    // Records the agent's chat state; announces a change when send is set.
    void SetChatState(int state, bool send);
    // The peer's last chat state, kept with the chat so that a window that
    // shows the chat later shows it too.
    int peerChatState() const { return m_peerChatState; }
    void SetPeerChatState(int state) { m_peerChatState = state; }
    FileUpload &upload() { return m_upload; }
    // The box's text when a file could not be sent in this chat.
    QString UploadFailureText(const QString &path, const QString &error) const;
    // Adds the notice line of a finished upload to the conversation.
    void OnUploadFinished(const QString &path, const QString &url);
    CContactList &members() { return m_members; }
    CContactList &excluded() { return m_excluded; }
    const QVPlugin::ChatMessage &outgoing() const { return m_outgoing; }

    // Sends the agent's message; true when every copy reached the core.
    bool SendMessage(const QByteArray &rtf, const QString &text);
    // One delivery receipt of the outgoing message; true when it was the
    // last one and the agent's line was shown.
    bool OnDelivered();
    // Gives the outgoing message up: no receipt counts for it any more.
    void AbandonSend();

    // The wait for the receipts of the message just sent. It belongs to the
    // chat, not to the window showing it: a window may let go of the chat
    // (the agent turns to another visitor) and the wait still ends, by the
    // receipt or by the time-out, whose text the chat keeps until a window
    // takes it back. inputRtf is what the agent's input held.
    void AwaitReceipt(const QByteArray &inputRtf, int timeoutMs);
    bool AwaitingReceipt() const { return m_awaiting; }
    // The text of a message whose wait timed out; empty for none.
    const QByteArray &UndeliveredText() const { return m_undelivered; }
    // Hands that text over once; the chat forgets it.
    QByteArray TakeUndelivered();
    // The text of the message being waited for.
    const QByteArray &AwaitedText() const { return m_awaitedText; }
    // Called when a wait times out; one window (the owner) at a time
    // listens, and only the owner's clearing removes it.
    void SetUndeliveredHandler(const void *owner, std::function<void()> handler);
    void ClearUndeliveredHandler(const void *owner);

    // The web visitor whose room this chat is, as the visitor list knows it.
    void SetVisitor(const QVPlugin::Jid &visitor) { m_visitor = visitor; }
    // Whether `from` is the web visitor of this chat: the visitor set above,
    // a member in the visitor role, or, in a visitor's room (also after the
    // chat ended), any occupant not known as an agent. A visitor's lines
    // are plain text, never RTF.
    bool IsVisitor(const QVPlugin::Jid &from) const;

    // The name under which a line from `from` is shown.
    QString GetDisplayName(const QVPlugin::Jid &from) const;

private:
    void Show(const QVPlugin::ChatMessage &message);
    void OnReceiptTimeout();

    ChatCore &m_core;
    QVPlugin::Jid m_peer;
    QVPlugin::Jid m_occupant;
    QVPlugin::Jid m_visitor;
    CContactList m_members;
    CContactList m_excluded;
    QString m_title;
    MessageChannel &m_channel;
    FileUpload m_upload;
    int m_mode = ChatModeNone;
    bool m_visitorRoom = false; // the chat was ever in a room mode
    int m_chatState = QVPlugin::ChatStateGone;
    int m_peerChatState = QVPlugin::ChatStateNone;
    QByteArray m_idPrefix;
    quint64 m_messageCounter = 0;
    int m_pendingReceipts = 0;
    QVPlugin::ChatMessage m_outgoing;
    std::unique_ptr<QTimer> m_receiptTimer;
    bool m_awaiting = false;
    QByteArray m_awaitedText;
    QByteArray m_undelivered;
    std::pair<const void *, std::function<void()>> m_onUndelivered;
};
