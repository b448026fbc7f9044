#pragma once
// A bus with CWirlam, the settings storage and a listening plug-in that
// writes down, in order, what CWirlam tells the others (message boxes
// included) and keeps copies of the chat and service messages it posts.
// User-interface (test) thread only.

#include "bus/ChatPayloads.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "plugins/xmpp/Wirlam.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"
#include "tests/harness/ProsodyFixture.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

// Readable failures for Qt strings.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace xmpptest {

using namespace QVPlugin;

// The listening plug-in is the bus object itself, which the manager does not own.
class WirlamBus : public IPlugin
{
public:
    WirlamBus()
    {
        CPrompt::SetHandler([this](const PromptRequest &r) {
            journal << "box " + r.caption + "|" + r.text + Where();
            return QMessageBox::Ok;
        });
        manager = std::make_unique<CManager>(dir.path());
        manager->AddPlugin(new CRegSettingsStoragePlugin(dir.filePath("settings.ini")), PLUGIN_ORDER_SETTINGS_STORAGE);
        manager->AddPlugin(this, PLUGIN_ORDER_UI);
        manager->AddPlugin(wirlam = new CWirlam, PLUGIN_ORDER_XMPP);
    }
    ~WirlamBus() override
    {
        manager.reset();
        CPrompt::SetHandler({});
    }

    int Send(const QUuid &id, IMessage *in) { return manager->SendMessage(nullptr, id, in, nullptr); }
    int Login(const QString &user, const QString &password, const QString &server)
    {
        LoginInfo login;
        login.user = user;
        login.password = password;
        login.server = server;
        return Send(MSG_LOGIN, &login);
    }
    int Logout() { return Send(MSG_LOGOUT, nullptr); }

    // Trusts the test CA and signs the account in to Prosody.
    int Login(const harness::ProsodyFixture &server, const QString &user, const QString &password)
    {
        manager->SetSetting(QStringLiteral("server.cafile"), server.CaFile());
        return Login(server.Jid(user), password, server.Address());
    }
    // The same, until the session is open.
    ::testing::AssertionResult SignIn(const harness::ProsodyFixture &server, const QString &user = "agent")
    {
        if (Login(server, user, server.PasswordOf(user)) == 2 && WaitFor(QStringLiteral("connected")))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << journal.join(' ').toStdString() << "\n" << server.Log().toStdString();
    }

    bool WaitFor(const QString &entry, int count = 1, int timeoutMs = 10000)
    {
        return waitUntil([&] { return journal.count(entry) >= count; }, timeoutMs);
    }
    // Lets events already queued arrive, for tests that check nothing more came.
    void Settle() { waitUntil([] { return false; }, 200); }

    // Waits for the first copy of a chat or service message with this id
    // that matches, and takes it out; null when none comes.
    template <typename T>
    std::unique_ptr<T> Take(const QUuid &id, const std::function<bool(const T &)> &match = {})
    {
        const auto find = [&] {
            return std::find_if(heard.begin(), heard.end(), [&](const auto &h) {
                return h.first == id && (!match || match(static_cast<const T &>(*h.second)));
            });
        };
        if (!waitUntil([&] { return find() != heard.end(); }, 10000))
            return nullptr;
        const auto it = find();
        std::unique_ptr<T> payload(static_cast<T *>(it->second.release()));
        heard.erase(it);
        return payload;
    }

    QTemporaryDir dir;
    QWidget windowParent;
    // "presence N", "connected", "disconnected", "set agent.id=VALUE",
    // "error N", "box CAPTION|TEXT".
    QStringList journal;
    // "received", "delivered", "state N", "contact", "server", "data",
    // "current"; their copies wait in heard until taken.
    QStringList chat;
    std::vector<std::pair<QUuid, std::unique_ptr<IMessage>>> heard;
    std::unique_ptr<CManager> manager;
    CWirlam *wirlam = nullptr; // owned by the manager
    const QUuid m_id = QUuid::createUuid();

    const QUuid *GetId() const override { return &m_id; }
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return {}; }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *) override { return true; }
    void Uninitialize() override {}
    void Release() override {}
    void OnTimer(unsigned) override {}
    int OnMessage(const QUuid &id, IMessage *in, IMessage *out) override
    {
        Hear(id, in);
        // As the host's user interface: a parent for the bar pages and views
        // that plug-ins add.
        if (id == MSG_GET_SETTING && out) {
            const QString &name = static_cast<MsgValue *>(in)->name;
            if (name == "UI.BarParentWnd" || name == "UI.ViewParentWnd") {
                static_cast<QVMessage<QVariant> *>(out)->value = QVariant::fromValue<QWidget *>(&windowParent);
                return RESULT_DONE;
            }
        }
        return id == MSG_ADD_BAR_PANE || id == MSG_ADD_VIEW ? RESULT_DONE : RESULT_NOT_HANDLED;
    }

private:
    static QString Where() { return QThread::currentThread() == qApp->thread() ? QString() : " off-thread"; }

    void Hear(const QUuid &id, IMessage *in)
    {
        static const std::map<QUuid, QString> kChat = {
            {MSG_CHAT_MESSAGE_RECEIVED, "received"}, {MSG_CHAT_MESSAGE_DELIVERED, "delivered"},
            {MSG_CHAT_STATE, "state"},               {MSG_CONTACT_PRESENCE, "contact"},
            {MSG_SERVER_MESSAGE_RECEIVED, "server"}, {MSG_DATA_RECEIVED, "data"},
            {MSG_DATA_CURRENT, "current"}};
        if (const auto it = kChat.find(id); it != kChat.end()) {
            const auto *state = id == MSG_CHAT_STATE ? static_cast<ChatStateMessage *>(in) : nullptr;
            chat << it->second + (state ? " " + QString::number(state->state) : QString()) + Where();
            heard.emplace_back(id, in->Clone());
        } else if (id == MSG_PRESENCE_STATE)
            journal << "presence " + QString::number(static_cast<QVMessage<PresenceState> *>(in)->value) + Where();
        else if (id == MSG_CONNECTED || id == MSG_DISCONNECTED)
            journal << (id == MSG_CONNECTED ? "connected" : "disconnected") + Where();
        else if (id == MSG_CONNECTION_ERROR)
            journal << "error " + QString::number(static_cast<QVMessage<int> *>(in)->value) + Where();
        else if (id == MSG_SET_SETTING && static_cast<MsgValue *>(in)->name == "agent.id")
            journal << "set agent.id=" + static_cast<MsgValue *>(in)->value.toString() + Where();
    }
};

} // namespace xmpptest
