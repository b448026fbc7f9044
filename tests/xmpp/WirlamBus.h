#pragma once
// A bus with CWirlam, the settings storage and a plug-in that writes down,
// in order, what CWirlam tells the others; message boxes go into the same
// journal. User-interface (test) thread only.

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "plugins/xmpp/Wirlam.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

namespace xmpptest {

using namespace QVPlugin;

// Entries: "presence N", "connected", "disconnected", "set KEY=VALUE",
// "error N", "box CAPTION|TEXT" (plus " off-thread" when not on the
// user-interface thread).
class Recorder : public IPlugin
{
public:
    explicit Recorder(QStringList *journal) : m_journal(journal) {}

    const QUuid *GetId() const override { return &m_id; }
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return QStringLiteral("recorder"); }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *) override { return true; }
    void Uninitialize() override {}
    void Release() override { delete this; }
    void OnTimer(unsigned) override {}
    int OnMessage(const QUuid &id, IMessage *in, IMessage *) override
    {
        if (id == MSG_PRESENCE_STATE)
            *m_journal << QStringLiteral("presence %1").arg(int(static_cast<QVMessage<PresenceState> *>(in)->value));
        else if (id == MSG_CONNECTED)
            *m_journal << QStringLiteral("connected");
        else if (id == MSG_DISCONNECTED)
            *m_journal << QStringLiteral("disconnected");
        else if (id == MSG_CONNECTION_ERROR)
            *m_journal << QStringLiteral("error %1").arg(static_cast<QVMessage<int> *>(in)->value);
        else if (id == MSG_SET_SETTING) {
            const auto *v = static_cast<MsgValue *>(in);
            if (v->name == QLatin1String("agent.id"))
                *m_journal << QStringLiteral("set agent.id=%1").arg(v->value.toString());
        }
        return RESULT_NOT_HANDLED;
    }

private:
    QUuid m_id = QUuid::createUuid();
    QStringList *m_journal;
};

class WirlamBus
{
public:
    WirlamBus()
    {
        CPrompt::SetHandler([this](const PromptRequest &r) {
            journal << QStringLiteral("box %1|%2").arg(r.caption, r.text)
                           + (QThread::currentThread() == qApp->thread() ? QString() : QStringLiteral(" off-thread"));
            return QMessageBox::Ok;
        });
        manager = std::make_unique<CManager>(dir.path());
        manager->AddPlugin(new CRegSettingsStoragePlugin(QDir(dir.path()).filePath(QStringLiteral("settings.ini"))),
                           PLUGIN_ORDER_SETTINGS_STORAGE);
        manager->AddPlugin(new Recorder(&journal), PLUGIN_ORDER_UI);
        wirlam = new CWirlam;
        manager->AddPlugin(wirlam, PLUGIN_ORDER_XMPP);
    }
    ~WirlamBus()
    {
        manager.reset();
        CPrompt::SetHandler({});
    }

    int Login(const QString &user, const QString &password, const QString &server)
    {
        LoginInfo login;
        login.user = user;
        login.password = password;
        login.server = server;
        return manager->SendMessage(nullptr, MSG_LOGIN, &login, nullptr);
    }
    int Logout() { return manager->SendMessage(nullptr, MSG_LOGOUT, nullptr, nullptr); }

    bool WaitFor(const QString &entry, int count = 1, int timeoutMs = 10000)
    {
        return waitUntil([&] { return journal.count(entry) >= count; }, timeoutMs);
    }
    // Lets events already queued arrive, for tests that check nothing more came.
    void Settle() { waitUntil([] { return false; }, 200); }

    QTemporaryDir dir;
    QStringList journal;
    std::unique_ptr<CManager> manager;
    CWirlam *wirlam = nullptr; // owned by the manager
};

} // namespace xmpptest
