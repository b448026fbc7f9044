#include "plugins/xmpp/server/ServiceMessages.h"

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/server/DataStanzas.h"
#include "plugins/xmpp/server/ServerStanzas.h"
#include "plugins/xmpp/server/StanzaTemplates.h"
#include "plugins/xmpp/tasks/StanzaOutcome.h"
#include "plugins/xmpp/XmppLog.h"
#include "shared/Prompt.h"

#include <gloox/jid.h>
#include <gloox/tag.h>

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QThread>

using namespace QVPlugin;

namespace {

using Stanza::PayloadAs;

bool IsTemplateCommand(unsigned id)
{
    return id >= Quelvar::kFirstTemplateCommand && id <= Quelvar::kLastTemplateCommand;
}

// A result of one of the service's iq ids.
bool IsServiceResult(const gloox::Tag &stanza)
{
    if (stanza.name() != "iq" || stanza.findAttribute("type") != "result")
        return false;
    const std::string &id = stanza.findAttribute("id");
    for (const char *ours : {Quelvar::kSystemIqId, Quelvar::kDataIqId, Quelvar::kAgentVersionIqId,
                             Quelvar::kVisitorHistoryIqId, Quelvar::kInviteVisitorIqId}) {
        if (id == ours)
            return true;
    }
    return false;
}

// The service answers from the server itself (or the agent's own account);
// any other account on the server could forge its results.
bool FromService(const gloox::Tag &stanza, const gloox::JID &own)
{
    if (!stanza.hasAttribute("from"))
        return true;
    const gloox::JID from(stanza.findAttribute("from"));
    return from && (from.full() == own.server() || from.full() == own.bare());
}

} // namespace

CServiceMessages::CServiceMessages(ISession *session, Post post) : m_session(session), m_post(std::move(post)) {}

std::optional<int> CServiceMessages::OnMessage(const QUuid &id, IMessage *in)
{
    if (id == MSG_SERVER_SET || id == MSG_SERVER_GET || id == MSG_SEND_AGENT_TYPING || id == MSG_SEND_VISITOR_MESSAGE)
        return SendSystemMessage(id, in);
    if (id == MSG_DATA_STORE || id == MSG_DATA_FETCH)
        return SendDataMessage(id, in);
    if (id == MSG_SEND_RAW_STANZA) {
        const auto *text = static_cast<QVMessage<std::string> *>(in);
        if (text && m_session->IsOpen()) {
            const std::string own = m_session->OwnJid();
            Send(Quelvar::FillRawStanza(text->value, own, gloox::JID(own).server()));
        }
        return RESULT_DONE;
    }
    return std::nullopt;
}

int CServiceMessages::SendSystemMessage(const QUuid &id, IMessage *in)
{
    if (!m_session->IsOpen())
        return RESULT_REFUSED;
    std::optional<ServerMessage> message;
    if (id == MSG_SEND_AGENT_TYPING) {
        const auto *state = PayloadAs<ChatStateMessage>(in, "ChatStateMessage");
        if (!state)
            return RESULT_REFUSED;
        message = Quelvar::AgentTypingCommand(*state);
        if (!message)
            return RESULT_HANDLED_CONTINUE; // typing is told only while composing
    } else if (id == MSG_SEND_VISITOR_MESSAGE) {
        const auto *chat = PayloadAs<ChatMessage>(in, "ChatMessage");
        if (!chat)
            return RESULT_REFUSED;
        message = Quelvar::VisitorMessageCommand(*chat);
    } else if (const auto *server = PayloadAs<ServerMessage>(in, "ServerMessage")) {
        message = *server;
    } else {
        return RESULT_REFUSED;
    }
    const auto request = id == MSG_SERVER_GET ? Quelvar::Request::Get : Quelvar::Request::Set;
    Send(*Quelvar::BuildSystemMessage(request, *message));
    return RESULT_HANDLED_CONTINUE;
}

int CServiceMessages::SendDataMessage(const QUuid &id, IMessage *in)
{
    const auto *info = PayloadAs<DataInfo>(in, "DataInfo");
    if (!info || !m_session->IsOpen())
        return RESULT_NOT_HANDLED;
    const auto request = id == MSG_DATA_STORE ? Quelvar::Request::Set : Quelvar::Request::Get;
    const std::unique_ptr<gloox::Tag> stanza = Quelvar::BuildDataMessage(request, *info);
    if (!stanza)
        return RESULT_NOT_HANDLED; // a type the service does not know
    Send(*stanza);
    return RESULT_HANDLED_CONTINUE;
}

void CServiceMessages::Send(const gloox::Tag &stanza)
{
    Send(stanza.xml());
}

void CServiceMessages::Send(const std::string &text)
{
    m_session->SendRaw(text);
}

QString CServiceMessages::TemplateFile() const
{
    const QString folder = m_programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : m_programFolder;
    return QDir(folder).filePath(QString::fromLatin1(Quelvar::kStanzaTemplateFile));
}

int CServiceMessages::OnCommand(unsigned id)
{
    if (!IsTemplateCommand(id))
        return RESULT_NOT_HANDLED;
    if (!m_session->IsOpen())
        return RESULT_DONE;
    const Quelvar::StanzaTemplates read = Quelvar::ReadStanzaTemplates(TemplateFile());
    if (!read.error.isEmpty())
        qCInfo(lcXmpp).noquote() << "no stanza templates:" << read.error;
    const qsizetype index = qsizetype(id - Quelvar::kFirstTemplateCommand);
    if (index < read.templates.size()) {
        const std::string own = m_session->OwnJid();
        Send(Quelvar::FillTemplate(read.templates[index], own, gloox::JID(own).server()));
    }
    return RESULT_DONE;
}

int CServiceMessages::OnUpdateCommand(CommandUpdate *update)
{
    if (!update || !IsTemplateCommand(update->Id()))
        return RESULT_NOT_HANDLED;
    const qsizetype index = qsizetype(update->Id() - Quelvar::kFirstTemplateCommand);
    update->Enable(m_session->IsOpen() && index < Quelvar::ReadStanzaTemplates(TemplateFile()).templates.size());
    return RESULT_DONE;
}

bool CServiceMessages::OnStanza(const gloox::Tag &stanza, const gloox::JID &own)
{
    if (IsServiceResult(stanza) && !FromService(stanza, own)) {
        qCWarning(lcXmpp).noquote() << "a service result from" << QString::fromStdString(stanza.findAttribute("from"))
                                    << "dropped: not from the service";
        return true;
    }
    Quelvar::SystemReading system = Quelvar::ReadSystemMessage(stanza);
    switch (system.kind) {
    case Quelvar::SystemReading::Message:
        m_post(MSG_SERVER_MESSAGE_RECEIVED, &system.message);
        return true;
    case Quelvar::SystemReading::VersionInfo: {
        QVMessage<std::string> version(system.version);
        m_post(MSG_AGENT_VERSION_INFO, &version);
        return true;
    }
    case Quelvar::SystemReading::Ignored:
        qCWarning(lcXmpp) << "system message dropped:" << system.reason;
        return true;
    case Quelvar::SystemReading::NotMine:
        break;
    }

    Quelvar::DataReading data = Quelvar::ReadDataMessage(stanza);
    switch (data.kind) {
    case Quelvar::DataReading::Current:
        m_post(MSG_DATA_CURRENT, &data.info);
        return true;
    case Quelvar::DataReading::Data:
    case Quelvar::DataReading::Changed:
        m_post(MSG_DATA_RECEIVED, &data.info);
        return true;
    case Quelvar::DataReading::Ignored:
        qCWarning(lcXmpp) << "data message dropped:" << data.reason;
        return true;
    case Quelvar::DataReading::NotMine:
        break;
    }

    if (const auto version = Quelvar::ReadAgentVersion(stanza, own)) {
        OnAgentVersion(version->agent, version->url);
        return true;
    }
    if (const auto history = Quelvar::ReadVisitorHistory(stanza, own)) {
        ShowBox(history->text);
        return true;
    }
    if (const auto visitor = Quelvar::ReadVisitorInvited(stanza, own)) {
        ShowBox(visitor->Str());
        return true;
    }
    return false;
}

void CServiceMessages::ShowBox(const QString &text)
{
    QMetaObject::invokeMethod(
        &m_uiThread,
        [text] {
            Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
            PromptRequest box;
            box.text = text;
            CPrompt::Show(box);
        },
        Qt::QueuedConnection);
}
