#include "plugins/chat/model/MessageChannel.h"

#include "plugins/chat/model/UiThread.h"

using QVPlugin::Jid;
using Tessary::AssertUiThread;

MessageChannel::MessageChannel(const Jid &jid, QObject *parent) : QObject(parent), m_jid(jid) {}

void MessageChannel::Publish(const QVPlugin::ChatMessage &message)
{
    AssertUiThread();
    // A peer that writes without end must not grow memory without end.
    if (m_messages.size() >= kMaxMessages)
        m_messages.erase(m_messages.begin(), m_messages.begin() + qsizetype(m_messages.size() - kMaxMessages + 1));
    m_messages.push_back(message);
    emit messagePublished(message);
}

MessageChannelRegistry::MessageChannelRegistry() = default;
MessageChannelRegistry::~MessageChannelRegistry() = default;

MessageChannel *MessageChannelRegistry::Find(const Jid &jid) const
{
    for (const auto &channel : m_channels) {
        if (channel->jid() == jid)
            return channel.get();
    }
    return nullptr;
}

MessageChannel *MessageChannelRegistry::Get(const Jid &jid)
{
    AssertUiThread();
    if (MessageChannel *channel = Find(jid))
        return channel;
    m_channels.push_back(std::make_unique<MessageChannel>(jid));
    return m_channels.back().get();
}

void MessageChannelRegistry::Clear()
{
    AssertUiThread();
    m_channels.clear();
}
