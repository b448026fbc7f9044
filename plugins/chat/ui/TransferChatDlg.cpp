#include "plugins/chat/ui/TransferChatDlg.h"

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/TransferText.h"
#include "shared/Prompt.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

bool IsAgentByDefault(const QVPlugin::ChatContact &contact)
{
    return contact.role != QVPlugin::RoleVisitor;
}

void Tell(const QString &text, QMessageBox::Icon icon, QWidget *parent)
{
    PromptRequest request;
    request.text = text;
    request.icon = icon;
    CPrompt::Show(request, parent);
}

} // namespace

CTransferChatDlg::CTransferChatDlg(QWidget *parent, const CContactList &contacts, std::string sessionId,
                                   Sender send, AgentFilter isAgent)
    : QDialog(parent), m_contacts(contacts), m_sessionId(std::move(sessionId)), m_send(std::move(send)),
      m_isAgent(isAgent ? std::move(isAgent) : AgentFilter(IsAgentByDefault)), m_list(new QListWidget(this)),
      m_message(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("CTransferChatDlg"));
    setWindowTitle(tr("Transfer"));

    auto *toAgent = new QRadioButton(tr("To Agent"), this);
    toAgent->setObjectName(QStringLiteral("c10027"));
    toAgent->setChecked(true);
    m_list->setObjectName(QStringLiteral("c10029"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto *messageLabel = new QLabel(tr("Message:"), this);
    m_message->setObjectName(QStringLiteral("c107"));
    m_message->setTabChangesFocus(true);
    messageLabel->setBuddy(m_message);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("c1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("c2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CTransferChatDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CTransferChatDlg::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(toAgent);
    layout->addWidget(m_list);
    layout->addWidget(messageLabel);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    Fill();
}

bool CTransferChatDlg::CheckAgents(const CContactList &contacts, QWidget *parent, const AgentFilter &isAgent)
{
    for (int i = 0; i < contacts.Count(); ++i) {
        if (isAgent ? isAgent(*contacts.At(i)) : IsAgentByDefault(*contacts.At(i)))
            return true;
    }
    Tell(tr("There are no agents to transfer the chat to"), QMessageBox::Information, parent);
    return false;
}

void CTransferChatDlg::Fill()
{
    m_list->clear();
    m_jids.clear();
    for (int i = 0; i < m_contacts.Count(); ++i) {
        const QVPlugin::ChatContact &contact = *m_contacts.At(i);
        if (!m_isAgent(contact))
            continue;
        auto *row = new QListWidgetItem(ContactName(contact), m_list);
        row->setData(Qt::UserRole, int(m_jids.size()));
        m_jids.push_back(contact.jid);
    }
    if (m_list->count() == 1)
        m_list->setCurrentRow(0);
}

void CTransferChatDlg::accept()
{
    const QList<QListWidgetItem *> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        Tell(tr("Please select contact from the list"), QMessageBox::Critical, this);
        return;
    }
    const QVPlugin::Jid jid = m_jids.at(size_t(selected.first()->data(Qt::UserRole).toInt()));
    if (!m_contacts.Find(jid)) {
        Fill();
        Tell(tr("Selected contact is not online. Please select another contact."), QMessageBox::Critical, this);
        return;
    }
    m_send(m_sessionId, Tessary::TransferChatText(jid.Str(), m_message->toPlainText()), "transfer-visitor-chat");
    QDialog::accept();
}
