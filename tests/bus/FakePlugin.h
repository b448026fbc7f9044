#pragma once
// A plug-in for bus tests that records what it hears and answers with a
// scripted result, and a fixture owning a bus of them.

#include "bus/Manager.h"

#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace bustest {

using namespace QVPlugin;

inline constexpr QUuid kTestMsg{0xAAAAAAAA, 0x1, 0x2, 0x3, 0x4, 0x5, 0x6, 0x7, 0x8, 0x9, 0x10};

class FakePlugin : public IPlugin
{
public:
    FakePlugin(QString name, QStringList *order = nullptr) : m_name(std::move(name)), m_order(order) {}

    const QUuid *GetId() const override { return &m_id; }
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return m_name; }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *host) override
    {
        host_ = host;
        return true;
    }
    void Uninitialize() override
    {
        if (onUninitialize)
            onUninitialize();
    }
    void Release() override
    {
        if (onRelease)
            onRelease();
        delete this;
    }
    int OnMessage(const QUuid &id, IMessage *in, IMessage *out) override
    {
        if (m_order)
            *m_order << m_name;
        heard.push_back(id);
        heardOnThread.push_back(QThread::currentThread());
        return onMessage ? onMessage(id, in, out) : result;
    }
    void OnTimer(unsigned id) override { timers.push_back(id); }

    IHost *host_ = nullptr;
    int result = 0;
    std::vector<QUuid> heard;
    std::vector<QThread *> heardOnThread;
    std::vector<unsigned> timers;
    std::function<int(const QUuid &, IMessage *, IMessage *)> onMessage;
    std::function<void()> onUninitialize;
    std::function<void()> onRelease;

private:
    QUuid m_id = QUuid::createUuid();
    QString m_name;
    QStringList *m_order;
};

struct Bus : ::testing::Test
{
    QStringList order; // names of the plug-ins as they heard messages
    std::unique_ptr<CManager> manager = std::make_unique<CManager>(QStringLiteral("/nonexistent"));

    FakePlugin *add(const QString &name, int key)
    {
        auto *plugin = new FakePlugin(name, &order);
        EXPECT_TRUE(manager->AddPlugin(plugin, key)) << name.toStdString();
        return plugin;
    }
};

} // namespace bustest
