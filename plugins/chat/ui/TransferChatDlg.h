#pragma once
// Hands the agent's chat with a visitor to another agent: the agent picks
// one of the agents online and writes a message; OK sends the
// "transfer-visitor-chat" command for the visitor's session. Only agent
// transfers exist (there is no list of departments to offer).
// User-interface thread only.

#include "bus/ChatPayloads.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class CContactList;
class QListWidget;
class QPlainTextEdit;

class CTransferChatDlg : public QDialog
{
    Q_OBJECT
public:
    // The plug-in's server-command sender (session id, text, command word).
    using Sender = std::function<void(const std::string &sessionId, const QString &text, const std::string &type)>;
    // Which contacts are agents; the default leaves out group-chat visitors.
    using AgentFilter = std::function<bool(const QVPlugin::ChatContact &contact)>;

    // The contacts must outlive the dialog.
    CTransferChatDlg(QWidget *parent, const CContactList &contacts, std::string sessionId, Sender send,
                     AgentFilter isAgent = {});

    // False, after telling the agent, when no agent is there to take the chat.
    static bool CheckAgents(const CContactList &contacts, QWidget *parent, const AgentFilter &isAgent = {});

    void accept() override;

private:
    void Fill();

    const CContactList &m_contacts;
    std::string m_sessionId;
    Sender m_send;
    AgentFilter m_isAgent;
    QListWidget *m_list;
    QPlainTextEdit *m_message;
    // The JIDs of the rows, in row order.
    std::vector<QVPlugin::Jid> m_jids;
};
