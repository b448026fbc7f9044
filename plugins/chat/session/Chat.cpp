#include "Chat.h"

#include "ChatText.h"
#include "plugins/chat/model/MessageChannel.h"

#include <QDateTime>

#include <atomic>

namespace {

// Unique in the process, so a late receipt can never match a newer chat
// that happens to reuse an old one's memory.
QByteArray NextIdPrefix()
{
    static std::atomic<quint64> next{1};
    return QByteArray::number(next++, 16) + '-';
}

} // namespace

CChat::CChat(const QVPlugin::Jid &peer, ChatCore &core, MessageChannel &channel, const QString &title)
    : m_core(core), m_peer(peer), m_title(title), m_channel(channel), m_idPrefix(NextIdPrefix())
{
}

bool CChat::SendMessage(const QByteArray &rtf, const QString &text)
{
    if (m_mode == ChatModeNone || !m_peer.IsValid())
        return false;
    m_pendingReceipts = 0;
    m_outgoing.from = m_core.OwnJid();
    ++m_messageCounter;
    m_outgoing.id = (m_idPrefix + QByteArray::number(m_messageCounter, 16)).toStdString();
    m_outgoing.body = text;
    m_outgoing.time = QDateTime::currentSecsSinceEpoch();

    if (m_mode == ChatModeRoomParticipant) {
        m_outgoing.to = m_peer;
        m_outgoing.type = QVPlugin::ChatMessage::GroupChat;
        const QString html = m_core.BoolSetting(QStringLiteral("chatpane.sendhtml"), false)
            ? text
            : ChatTextToHtml(text);
        m_outgoing.body = QString::fromLatin1(html.toUtf8().toBase64() + ',' + text.toUtf8().toBase64());
        if (!m_core.SendAgentMessage(m_outgoing))
            return false;
        ++m_pendingReceipts;
    } else {
        m_outgoing.type = QVPlugin::ChatMessage::Chat;
        for (int i = 0; i < m_members.Count(); ++i) {
            const QVPlugin::ChatContact *member = m_members.At(i);
            if (member->role == QVPlugin::RoleNone || m_excluded.Find(member->jid))
                continue;
            m_outgoing.to = member->jid;
            m_outgoing.body = member->rtfCapable ? QString::fromLatin1(rtf) : text;
            if (!m_core.SendAgentMessage(m_outgoing))
                return false;
            ++m_pendingReceipts;
        }
    }
    m_outgoing.body = QString::fromLatin1(rtf);
    return true;
}

bool CChat::OnDelivered()
{
    if (m_pendingReceipts <= 0 || --m_pendingReceipts > 0)
        return false;
    m_channel.SetUnread(true);
    m_channel.Publish(m_outgoing);
    m_channel.SetUnread(false);
    return true;
}
