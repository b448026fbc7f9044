#include "plugins/chat/model/ContactList.h"

#include "plugins/chat/model/UiThread.h"
#include "shared/OneLine.h"

using QVPlugin::ChatContact;
using QVPlugin::Jid;
using Tessary::AssertUiThread;

CContactList::CContactList(QObject *parent) : QObject(parent) {}

CContactList::~CContactList()
{
    Clear();
}

ChatContact *CContactList::Find(const Jid &jid) const
{
    for (const auto &item : m_items) {
        if (item->jid == jid)
            return item.get();
    }
    return nullptr;
}

ChatContact *CContactList::FindBare(const Jid &jid) const
{
    for (const auto &item : m_items) {
        if (item->jid.BareEquals(jid))
            return item.get();
    }
    return nullptr;
}

QString ContactName(const QVPlugin::ChatContact &contact)
{
    return OneLine(contact.nick.isEmpty() ? contact.bareJid.BareStr() : contact.nick);
}

void CContactList::Update(const ChatContact &contact)
{
    AssertUiThread();
    const bool offline = contact.state == QVPlugin::PresenceOffline;
    ChatContact *stored = Find(contact.jid);
    if (stored && !offline) {
        stored->state = contact.state;
        stored->status = contact.status;
        if (!contact.nick.isEmpty())
            stored->nick = contact.nick;
        emit changed(stored);
    } else if (stored) {
        emit removed(stored);
        // A receiver may have cleared the list meanwhile: find it again.
        for (auto it = m_items.begin(); it != m_items.end(); ++it) {
            if (it->get() == stored) {
                m_items.erase(it);
                break;
            }
        }
    } else if (!offline && m_items.size() < size_t(kMaxContacts)) {
        m_items.push_back(std::make_unique<ChatContact>(contact));
        emit added(m_items.back().get());
    }
}

void CContactList::Clear()
{
    AssertUiThread();
    std::vector<std::unique_ptr<ChatContact>> items;
    items.swap(m_items);
    for (const auto &item : items)
        emit removed(item.get());
}
