#include "plugins/chat/ChatTable.h"

#include "plugins/chat/session/Chat.h"

using QVPlugin::Jid;

CChatTable::CChatTable(QObject *parent)
    : QObject(parent)
{
}

CChatTable::~CChatTable() = default;

CChatTable::Entry *CChatTable::FindEntry(const Jid &jid) const
{
    for (const Entry &entry : m_entries)
        if (entry.chat->peer().BareEquals(jid))
            return const_cast<Entry *>(&entry);
    return nullptr;
}

CChat *CChatTable::FindChat(const Jid &jid) const
{
    const Entry *entry = FindEntry(jid);
    return entry ? entry->chat.get() : nullptr;
}

QWidget *CChatTable::FindWindow(const Jid &jid) const
{
    const Entry *entry = FindEntry(jid);
    return entry ? entry->window.data() : nullptr;
}

CChat *CChatTable::AddChat(std::unique_ptr<CChat> chat)
{
    if (!chat)
        return nullptr;
    if (CChat *held = FindChat(chat->peer()))
        return held;
    m_entries.push_back(Entry{std::move(chat), nullptr});
    CChat *added = m_entries.back().chat.get();
    emit chatAdded(added);
    return added;
}

QWidget *CChatTable::OpenWindow(CChat *chat)
{
    if (!chat)
        return nullptr;
    Entry *entry = FindEntry(chat->peer());
    if (!entry || entry->chat.get() != chat)
        return nullptr;
    if (entry->window)
        return entry->window;
    if (!m_windows)
        return nullptr;
    QWidget *window = m_windows->CreateChatWindow(chat);
    if (!window)
        return nullptr;
    entry->window = window;
    emit windowAdded(chat, window);
    return window;
}

bool CChatTable::RaiseWindow(const Jid &jid)
{
    QWidget *window = FindWindow(jid);
    if (!window || !m_windows)
        return false;
    m_windows->RaiseChatWindow(window);
    return true;
}

bool CChatTable::FocusWindow(const Jid &jid)
{
    QWidget *window = FindWindow(jid);
    if (!window || !m_windows)
        return false;
    m_windows->FocusChatWindow(window);
    return true;
}

void CChatTable::ShowChatState(const Jid &jid, int state)
{
    if (QWidget *window = FindWindow(jid); window && m_windows)
        m_windows->ShowPeerChatState(window, state);
}

void CChatTable::DestroyAllWindows()
{
    for (Entry &entry : m_entries) {
        // Forget the window before the factory runs, so nothing that it
        // triggers finds a half-destroyed one.
        QPointer<QWidget> window = entry.window;
        entry.window = nullptr;
        if (window && m_windows)
            m_windows->DestroyChatWindow(window);
    }
}
