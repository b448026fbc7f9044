#pragma once
// A plug-in in the live chat's place that keeps a copy of every chat,
// receipt, chat-state and presence message CWirlam posts, in order, and
// notes one delivered off the user-interface thread. User-interface thread.

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"

#include <QCoreApplication>
#include <QStringList>
#include <QThread>

#include <vector>

namespace xmpptest {

using namespace QVPlugin;

class ChatRecorder : public IPlugin
{
public:
    const QUuid *GetId() const override { return &m_id; }
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return QStringLiteral("chat recorder"); }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *) override { return true; }
    void Uninitialize() override {}
    void Release() override { delete this; }
    void OnTimer(unsigned) override {}
    int OnMessage(const QUuid &id, IMessage *in, IMessage *) override
    {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            offThread = true;
        if (id == MSG_CHAT_MESSAGE_RECEIVED) {
            received.push_back(*static_cast<ChatMessage *>(in));
            log << QStringLiteral("received");
        } else if (id == MSG_CHAT_MESSAGE_DELIVERED) {
            delivered.push_back(*static_cast<ChatMessage *>(in));
            log << QStringLiteral("delivered");
        } else if (id == MSG_CHAT_STATE) {
            states.push_back(*static_cast<ChatStateMessage *>(in));
            log << QStringLiteral("state %1").arg(states.back().state);
        } else if (id == MSG_CONTACT_PRESENCE) {
            contacts.push_back(static_cast<QVMessage<ChatContact> *>(in)->value);
            log << QStringLiteral("presence");
        }
        return RESULT_NOT_HANDLED;
    }

    void Clear()
    {
        received.clear();
        delivered.clear();
        states.clear();
        contacts.clear();
        log.clear();
    }

    std::vector<ChatMessage> received;
    std::vector<ChatMessage> delivered;
    std::vector<ChatStateMessage> states;
    std::vector<ChatContact> contacts;
    QStringList log;
    bool offThread = false;

private:
    QUuid m_id = QUuid::createUuid();
};

} // namespace xmpptest
