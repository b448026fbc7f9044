#pragma once
// An IHost for plug-in unit tests: records the id of every send and answers
// with a scripted result per message id, or through a handler that may fill
// the out payload.

#include "bus/QVPlugin.h"

#include <functional>
#include <map>
#include <vector>

namespace xmpptest {

class FakeHost : public QVPlugin::IHost
{
public:
    using Handler = std::function<int(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out)>;

    int SendMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override
    {
        sent.push_back(id);
        if (onSend)
            return onSend(id, in, out);
        const auto it = results.find(id);
        return it == results.end() ? 0 : it->second;
    }
    void Reserved1(int) override {}
    bool Reserved2(int) override { return true; }
    unsigned SetTimer(unsigned) override { return 0; }
    void KillTimer(unsigned) override {}

    std::vector<QUuid> sent;
    std::map<QUuid, int> results;
    Handler onSend;
};

} // namespace xmpptest
