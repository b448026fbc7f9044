#pragma once
// A plug-in for bus tests: records what it hears and answers with a
// scripted result.

#include "bus/QVPlugin.h"

#include <QStringList>
#include <QThread>

#include <functional>
#include <map>
#include <vector>

namespace bustest {

using namespace QVPlugin;

struct Journal
{
    QStringList events;
};

class FakePlugin : public IPlugin
{
public:
    FakePlugin(QString name, Journal *journal = nullptr) : m_name(std::move(name)), m_journal(journal) {}

    const QUuid *GetId() const override { return &m_id; }
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return m_name; }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *host) override
    {
        note(QStringLiteral("init"));
        host_ = host;
        return initResult;
    }
    void Uninitialize() override
    {
        note(QStringLiteral("uninit"));
        if (onUninitialize)
            onUninitialize();
    }
    void Release() override
    {
        note(QStringLiteral("release"));
        if (releasedFlag)
            ++*releasedFlag;
        if (onRelease)
            onRelease();
        delete this;
    }
    int OnMessage(const QUuid &id, IMessage *in, IMessage *out) override
    {
        note(QStringLiteral("msg"));
        heard.push_back(id);
        heardOnThread.push_back(QThread::currentThread());
        if (onMessage)
            return onMessage(id, in, out);
        return result;
    }
    void OnTimer(unsigned id) override
    {
        timers.push_back(id);
        if (onTimer)
            onTimer(id);
    }

    void note(const QString &what)
    {
        if (m_journal)
            m_journal->events << m_name + QLatin1Char(':') + what;
    }

    IHost *host_ = nullptr;
    bool initResult = true;
    int result = 0;
    int *releasedFlag = nullptr;
    std::vector<QUuid> heard;
    std::vector<QThread *> heardOnThread;
    std::vector<unsigned> timers;
    std::function<int(const QUuid &, IMessage *, IMessage *)> onMessage;
    std::function<void()> onUninitialize;
    std::function<void()> onRelease;
    std::function<void(unsigned)> onTimer;

private:
    QUuid m_id = QUuid::createUuid();
    QString m_name;
    Journal *m_journal;
};

inline constexpr QUuid kTestMsg{0xAAAAAAAA, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0x10};

} // namespace bustest
