#include "plugins/xmpp/Wirlam.h"

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/WirlamStrings.h"
#include "plugins/xmpp/XmppLog.h"
#include "plugins/xmpp/tasks/ChatTasks.h"
#include "shared/Prompt.h"

#include <gloox/jid.h>

#include <QApplication>
#include <QDateTime>
#include <QDomDocument>
#include <QMainWindow>
#include <QThread>

using namespace QVPlugin;

namespace {

const QString kAgentId = QStringLiteral("agent.id");
const QString kAgentNick = QStringLiteral("agent.nick");
const QString kServerAddress = QStringLiteral("server.address");
const QString kServerCaFile = QStringLiteral("server.cafile");

// Refusal texts of the service sit at 11000 + a sub-code of 900 and above.
constexpr int kFirstRefusalSubcode = 900;

QWidget *MainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow *>(w))
            return w;
    }
    return QApplication::activeWindow();
}

} // namespace

CWirlam::CWirlam()
    : CPluginBase(WirlamStringId::Name, &WirlamString),
      m_service(this, [this](const QUuid &id, IMessage *payload) { SendMessage(id, payload, nullptr); })
{
    m_modes.push_back(kMode);
}

CWirlam::~CWirlam()
{
    m_connection.reset();
}

const QUuid *CWirlam::GetId() const
{
    return &PLUGIN_GUID_XMPP;
}

bool CWirlam::OnLoad()
{
    {
        const std::string nick = GetValue(kAgentNick, QString()).toString().toStdString();
        std::lock_guard lock(m_nickLock);
        m_agentNick = nick;
    }
    m_connection = std::make_unique<CXmppConnection>(static_cast<CXmppConnection::IListener *>(this),
                                                     static_cast<CXmppConnection::ISessionHandler *>(this));
    m_connection->Start();
    m_keepAliveTimer = m_host->SetTimer(kKeepAliveMs);
    return true;
}

void CWirlam::OnUnload()
{
    // Ends a running session without reporting it: the bus is going away.
    if (m_connection)
        m_connection->Stop();
    if (m_keepAliveTimer && m_host)
        m_host->KillTimer(m_keepAliveTimer);
    m_keepAliveTimer = 0;
    m_open = false;
    m_ownJid.clear();
    CPluginBase::OnUnload();
}

void CWirlam::OnTimer(unsigned id)
{
    if (id == m_keepAliveTimer && m_open)
        m_connection->SendRaw(kKeepAlive);
}

int CWirlam::OnGetValue(const QString &key, QVariant *out, const QVariant &defaultValue)
{
    if (key != kAgentId)
        return RESULT_NOT_HANDLED;
    *out = m_open && !m_ownJid.isEmpty() ? QVariant(m_ownJid) : defaultValue;
    return RESULT_DONE;
}

void CWirlam::OnSettingChanged(const QString &key, const QVariant &value)
{
    if (key != kAgentNick)
        return;
    std::lock_guard lock(m_nickLock);
    m_agentNick = value.toString().toStdString();
}

std::string CWirlam::AgentNick() const
{
    std::lock_guard lock(m_nickLock);
    return m_agentNick;
}

void CWirlam::BuildSettingsLayout(QDomDocument *document)
{
    if (!document)
        return;
    const QDomElement category =
        LayoutCategory(document->documentElement(), QStringLiteral("xmpp"), QStringLiteral("Server"));
    const QDomElement group =
        LayoutGroup(category, QStringLiteral("xmpp.server.settings"), QStringLiteral("Server settings"));
    LayoutLabel(group, QStringLiteral("Server connection settings"));
    LayoutTextSetting(group, QStringLiteral("&Server:"), kServerAddress, QString::fromLatin1(kDefaultServerAddress));
    LayoutTextSetting(group, QStringLiteral("&Username:"), QStringLiteral("server.username"));
    LayoutSetting(group, QStringLiteral("&Password:"), QStringLiteral("password"), QStringLiteral("server.password"));
}

int CWirlam::OnMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    // System, data and raw stanzas of the chat service.
    if (const std::optional<int> result = m_service.OnMessage(id, in))
        return *result;
    // The rows that need a session: without one nothing is sent, and the
    // sender is told as the table says.
    if (id == MSG_SEND_CHAT_MESSAGE || id == MSG_CHAT_STATE) {
        SendTaskStanzas(id, in);
        return m_open ? RESULT_HANDLED_CONTINUE : RESULT_REFUSED;
    }
    if (id == MSG_SEND_MUC_INVITE || id == MSG_SEND_MUC_DECLINE || id == MSG_SEND_DIRECTED_PRESENCE) {
        SendTaskStanzas(id, in);
        return RESULT_HANDLED_CONTINUE;
    }
    if (id == MSG_PRESENCE_STATE) {
        // A request from another plug-in; the notice that answers it has the
        // same id but comes from us, so the bus never hands it back here.
        if (SendTaskStanzas(id, in))
            NotifyPresence(static_cast<const QVMessage<PresenceState> *>(in)->value);
        return RESULT_HANDLED_CONTINUE;
    }

    if (id == MSG_LOGIN)
        return in ? Login(*static_cast<const LoginInfo *>(in)) : RESULT_REFUSED;
    if (id == MSG_VALIDATE_USERNAME) {
        const auto *name = static_cast<const QVMessage<QString> *>(in);
        return name && CheckUserName(name->value, nullptr, nullptr) ? RESULT_HANDLED_CONTINUE : RESULT_REFUSED;
    }
    if (id == MSG_LOGOUT) {
        if (m_connection)
            m_connection->Logout();
        return RESULT_HANDLED_CONTINUE;
    }
    return CPluginBase::OnMessage(id, in, out);
}

bool CWirlam::CheckUserName(const QString &userName, std::string *node, std::string *domain)
{
    if (ParseUserName(userName, node, domain))
        return true;
    PromptRequest box;
    box.text = WirlamString(WirlamStringId::InvalidUserName);
    box.icon = QMessageBox::Critical;
    CPrompt::Show(box, MainWindow());
    return false;
}

int CWirlam::Login(const LoginInfo &info)
{
    XmppLoginSettings settings;
    if (!CheckUserName(info.user, &settings.user, &settings.domain))
        return RESULT_REFUSED;
    const QString server = info.server.isEmpty()
                               ? GetValue(kServerAddress, QString::fromLatin1(kDefaultServerAddress)).toString()
                               : info.server;
    SplitServerAddress(server, &settings.host, &settings.port);
    settings.password = info.password.toStdString(); // UTF-8
    settings.caFile = GetValue(kServerCaFile, QString()).toString().toStdString();
    if (m_connection)
        m_connection->Login(settings);
    return RESULT_HANDLED_CONTINUE;
}

int CWirlam::OnCommand(unsigned id)
{
    return m_service.OnCommand(id);
}

int CWirlam::OnUpdateCommand(CommandUpdate *update)
{
    return m_service.OnUpdateCommand(update);
}

void CWirlam::SendRaw(const std::string &text)
{
    if (m_connection)
        m_connection->SendRaw(text);
}

bool CWirlam::SendTaskStanzas(const QUuid &id, const IMessage *in)
{
    if (!m_open)
        return false;
    const Stanza::SenderContext context{m_ownJid.toStdString(), QString::fromStdString(AgentNick()),
                                        QDateTime::currentDateTimeUtc()};
    const auto stanzas = Stanza::StanzasFor(id, in, context);
    for (const auto &stanza : stanzas)
        m_connection->SendRaw(stanza->xml());
    return !stanzas.empty();
}

void CWirlam::OnSessionOpened(XmppPump &pump)
{
    // The agent's presence goes out before anything else; its notice is the
    // "Online" that the open session reports.
    const Stanza::SenderContext context{pump.OwnJid(), QString::fromStdString(AgentNick()),
                                        QDateTime::currentDateTimeUtc()};
    // The roster comes first: the server answers it before the colleagues'
    // presence that the agent's own presence brings.
    pump.SendRaw(m_roster.Request()->xml());
    pump.SendRaw(Stanza::OwnPresence(PresenceOnline, context)->xml());
}

bool CWirlam::OnStanza(XmppPump &pump, const gloox::Tag &stanza)
{
    const gloox::JID &self = pump.Own();
    const std::string &own = self.full();
    std::unique_ptr<gloox::Tag> rosterReply;
    if (m_roster.Read(stanza, self, &rosterReply)) {
        if (rosterReply)
            pump.SendRaw(rosterReply->xml());
        return true;
    }
    Stanza::Outcome outcome = Stanza::ReadStanza(stanza, own, QDateTime::currentSecsSinceEpoch());
    if (!outcome.taken)
        return m_service.OnStanza(stanza, self);
    // A stranger's message is dropped as unknown, so it is not acknowledged
    // either: an account of the agent's own server that is not a colleague.
    // Visitors speak from the service's rooms, on a host of their own.
    if (outcome.reply && !IsStrangersMessage(stanza, self))
        pump.SendRaw(outcome.reply->xml());
    // Any account can send the agent its presence; only colleagues become
    // contacts. Group-chat occupants are the visitor rooms' business.
    std::erase_if(outcome.posts, [&](const Stanza::BusPost &post) {
        if (post.id != MSG_CONTACT_PRESENCE)
            return false;
        const auto &contact = static_cast<const QVPlugin::QVMessage<QVPlugin::ChatContact> &>(*post.payload).value;
        return contact.role == QVPlugin::RoleOther && !m_roster.IsColleague(gloox::JID(contact.jid.BareStr().toStdString()));
    });
    // Posted from this thread: the bus delivers a copy on the user-interface
    // thread, in order.
    for (const Stanza::BusPost &post : outcome.posts)
        SendMessage(post.id, post.payload.get(), nullptr);
    return true;
}

bool CWirlam::IsStrangersMessage(const gloox::Tag &stanza, const gloox::JID &self) const
{
    if (stanza.name() != "message")
        return false;
    const gloox::JID sender(stanza.findAttribute("from"));
    return !sender.username().empty() && sender.server() == self.server() && sender.bare() != self.bare()
           && !m_roster.IsColleague(sender);
}

void CWirlam::NotifyPresence(int state)
{
    SendValue(MSG_PRESENCE_STATE, PresenceState(state));
}

void CWirlam::OnConnectionEvent(const CXmppConnection::Event &event)
{
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    switch (event.state) {
    case XmppPump::StateStart:
    case XmppPump::StateOpening:
        NotifyPresence(PresenceConnecting);
        break;
    case XmppPump::StateOpen:
        m_open = true;
        m_ownJid = QString::fromStdString(event.ownJid);
        NotifyPresence(PresenceOnline);
        SetValue(kAgentId, m_ownJid);
        SendMessage(MSG_CONNECTED, nullptr, nullptr);
        break;
    case XmppPump::StateClosed:
        m_open = false;
        m_ownJid.clear();
        SendMessage(MSG_DISCONNECTED, nullptr, nullptr);
        SetValue(kAgentId, QString());
        NotifyPresence(PresenceOffline);
        if (event.error != EngineError::None)
            ReportClosed(event.error, event.subcode);
        break;
    default:
        break;
    }
}

void CWirlam::ReportClosed(int error, int subcode)
{
    qCInfo(lcXmpp).noquote() << "connection error" << error << WirlamString(WirlamStringId::FirstEngineError + error - 1);
    // The box comes first, so the host's reaction to the error follows it.
    if (error == EngineError::Unauthorized && subcode >= kFirstRefusalSubcode) {
        const QString text = WirlamString(WirlamStringId::RefusalBase + unsigned(subcode));
        if (!text.isEmpty()) {
            PromptRequest box;
            box.caption = QStringLiteral("Error");
            box.text = text;
            box.icon = QMessageBox::Critical;
            CPrompt::Show(box, MainWindow());
        }
    }
    SendValue(MSG_CONNECTION_ERROR, error);
}
