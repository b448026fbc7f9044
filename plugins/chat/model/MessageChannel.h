#pragma once
// The conversation line of one peer (a contact or a room): every message
// published on it, oldest first, so that a window attached later can replay
// the conversation, and a signal that carries each new one to the windows
// that show it. User-interface thread only.

#include "bus/ChatPayloads.h"

#include <QObject>

#include <memory>
#include <vector>

class MessageChannel : public QObject
{
    Q_OBJECT
public:
    // Lines kept, well above what a chat shows; the oldest go first.
    static constexpr size_t kMaxMessages = 5000;

    explicit MessageChannel(const QVPlugin::Jid &jid, QObject *parent = nullptr);

    const QVPlugin::Jid &jid() const { return m_jid; }
    const std::vector<QVPlugin::ChatMessage> &Messages() const { return m_messages; }

    // Stores the message (dropping the oldest beyond the cap), then emits it.
    void Publish(const QVPlugin::ChatMessage &message);

    // Set while the peer's lines wait to be read.
    bool IsUnread() const { return m_unread; }
    void SetUnread(bool unread) { m_unread = unread; }

signals:
    void messagePublished(const QVPlugin::ChatMessage &message);

private:
    QVPlugin::Jid m_jid;
    std::vector<QVPlugin::ChatMessage> m_messages;
    bool m_unread = false;
};

// Creates and finds channels by full JID; owns them until Clear() or its
// own end. User-interface thread only.
class MessageChannelRegistry
{
public:
    MessageChannelRegistry();
    ~MessageChannelRegistry();
    MessageChannelRegistry(const MessageChannelRegistry &) = delete;
    MessageChannelRegistry &operator=(const MessageChannelRegistry &) = delete;

    // The channel of exactly this JID, or null.
    MessageChannel *Find(const QVPlugin::Jid &jid) const;
    // As Find, creating the channel when there is none; never null.
    MessageChannel *Get(const QVPlugin::Jid &jid);
    void Clear();

private:
    std::vector<std::unique_ptr<MessageChannel>> m_channels;
};
