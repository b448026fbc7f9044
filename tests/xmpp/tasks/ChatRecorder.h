#pragma once
// A plug-in in the live chat's place that keeps a copy of every chat,
// receipt, chat-state and presence message CWirlam posts, in order, and
// notes one delivered off the user-interface thread. User-interface thread.

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"
#include "tests/bus/FakePlugin.h"

#include <QCoreApplication>

namespace xmpptest {

using namespace QVPlugin;

class ChatRecorder : public bustest::FakePlugin
{
public:
    ChatRecorder() : FakePlugin(QStringLiteral("chat recorder"))
    {
        onMessage = [this](const QUuid &id, IMessage *in, IMessage *) {
            Record(id, in);
            return RESULT_NOT_HANDLED;
        };
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
    void Record(const QUuid &id, IMessage *in)
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
    }
};

} // namespace xmpptest
