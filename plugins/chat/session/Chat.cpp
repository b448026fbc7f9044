#include "Chat.h"

#include "ChatText.h"
#include "plugins/chat/model/MessageChannel.h"
#include "shared/Prompt.h"
#include "shared/OneLine.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

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

CChat::~CChat() = default;

CChat::CChat(const QVPlugin::Jid &peer, ChatCore &core, MessageChannel &channel, const QString &title)
    : m_core(core), m_peer(peer),
      m_occupant(peer.node(), peer.domain(), core.OwnJid().node()),
      m_title(OneLine(title)), m_channel(channel), m_idPrefix(NextIdPrefix())
{
    // The upload signals on this thread, so the line is published here.
    QObject::connect(&m_upload, &FileUpload::finished, &m_upload,
                     [this](const QString &path, const QString &url) { OnUploadFinished(path, url); });
    // Queued: the box must not open inside the upload's own signal, and a
    // chat that is gone by then shows nothing. It may come long after Send
    // File, over another chat: it names the file and the chat's peer.
    QObject::connect(
        &m_upload, &FileUpload::failed, &m_upload,
        [this](const QString &error, const QString &path) {
            CPrompt::Show(
                {QString(), UploadFailureText(path, error), QMessageBox::NoIcon, QMessageBox::Ok, true});
        },
        Qt::QueuedConnection);
}

QString CChat::UploadFailureText(const QString &path, const QString &error) const
{
    return QStringLiteral("The file %1 was not sent to %2.\n%3").arg(QFileInfo(path).fileName(), m_title, error);
}

void CChat::SetMode(int mode)
{
    if (mode == m_mode)
        return;
    QVPlugin::ChatContact presence(m_occupant);
    switch (mode) {
    case ChatModeNone:
        presence.state = QVPlugin::PresenceOffline;
        presence.role = QVPlugin::RoleNone;
        break;
    case ChatModeDirect:
        m_mode = mode;
        return;
    case ChatModeRoomVisitor:
    case ChatModeRoomParticipant:
    case 4:
        presence.state = QVPlugin::PresenceOnline;
        presence.role = QVPlugin::ContactRole(mode);
        break;
    default:
        return;
    }
    m_mode = mode == 4 ? ChatModeRoomParticipant : mode;
    if (m_mode != ChatModeNone)
        m_visitorRoom = true;
    m_core.SendDirectedPresence(presence);
}

bool CChat::IsVisitor(const QVPlugin::Jid &from) const
{
    if (from == m_core.OwnJid())
        return false;
    if (m_visitor.IsValid() && from == m_visitor)
        return true;
    if (const QVPlugin::ChatContact *member = m_members.Find(from))
        return member->role == QVPlugin::RoleVisitor;
    // An occupant of a visitor's room not known as an agent is taken as
    // the visitor.
    return m_visitorRoom;
}

void CChat::SetChatState(int state, bool send)
{
    if (m_mode == ChatModeNone || !m_peer.IsValid() || state == m_chatState)
        return;
    m_chatState = state;
    if (send)
        m_core.SendTypingState(m_peer, state);
}

void CChat::OnUploadFinished(const QString &path, const QString &url)
{
    QVPlugin::ChatMessage line;
    line.type = QVPlugin::ChatMessage::Notice;
    line.body = QStringLiteral("File %1 has been uploaded as %2").arg(QFileInfo(path).fileName(), url);
    Show(line);
}

void CChat::Show(const QVPlugin::ChatMessage &message)
{
    m_channel.SetUnread(true);
    m_channel.Publish(message);
    m_channel.SetUnread(false);
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
    if (m_receiptTimer)
        m_receiptTimer->stop();
    m_awaiting = false;
    m_awaitedText.clear();
    Show(m_outgoing);
    return true;
}

void CChat::AbandonSend()
{
    m_pendingReceipts = 0;
    m_outgoing.id.clear();
    if (m_receiptTimer)
        m_receiptTimer->stop();
    m_awaiting = false;
    m_awaitedText.clear();
}

void CChat::AwaitReceipt(const QByteArray &inputRtf, int timeoutMs)
{
    if (!m_receiptTimer) {
        m_receiptTimer = std::make_unique<QTimer>();
        m_receiptTimer->setSingleShot(true);
        QObject::connect(m_receiptTimer.get(), &QTimer::timeout, m_receiptTimer.get(), [this] { OnReceiptTimeout(); });
    }
    m_awaiting = true;
    m_awaitedText = inputRtf;
    m_undelivered.clear();
    m_receiptTimer->start(timeoutMs);
}

void CChat::OnReceiptTimeout()
{
    QByteArray text = m_awaitedText;
    AbandonSend();
    m_undelivered = text;
    if (m_onUndelivered.second)
        m_onUndelivered.second();
}

void CChat::SetUndeliveredHandler(const void *owner, std::function<void()> handler)
{
    m_onUndelivered = {owner, std::move(handler)};
}

void CChat::ClearUndeliveredHandler(const void *owner)
{
    if (m_onUndelivered.first == owner)
        m_onUndelivered = {};
}

QByteArray CChat::TakeUndelivered()
{
    QByteArray text;
    text.swap(m_undelivered);
    return text;
}

QString CChat::GetDisplayName(const QVPlugin::Jid &from) const
{
    if (from == m_core.OwnJid())
        return QStringLiteral("me");
    if (from.domain().startsWith(QLatin1String("visitors.")))
        return QStringLiteral("Visitor");
    const CContactList *contacts = m_core.Contacts();
    const QVPlugin::ChatContact *found = m_members.Find(from);
    if (!found)
        found = m_members.FindBare(from);
    if (!found && contacts)
        found = contacts->Find(from);
    if (!found && contacts)
        found = contacts->FindBare(from);
    QString name;
    if (found) {
        name = found->nick;
        if (name.isEmpty()) {
            const QVPlugin::ChatContact *bare = m_members.FindBare(from);
            if (!bare && contacts)
                bare = contacts->FindBare(from);
            if (bare)
                name = bare->nick;
        }
    }
    // A contact without any nick is shown by its node rather than no name.
    if (name.isEmpty())
        name = !found && from == m_peer ? QStringLiteral("Server") : from.node();
    return name == u"::1" ? QStringLiteral("Visitor") : name;
}
