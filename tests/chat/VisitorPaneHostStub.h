#pragma once
// A stub of the plug-in for the visitor chat pane's tests: it records the
// commands the pane sends (server commands, the history query as
// "get:visitor-history", invitations and declines), holds the visitors by
// id, keeps boolean settings and serves as the core of the pane's chats and
// the host of its chat windows.

#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/model/VisitorPaneHost.h"
#include "plugins/chat/ui/ChatWndHost.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace panetest {

using namespace QVPlugin;

struct Command
{
    std::string session;
    QString text;
    std::string type;
    bool operator==(const Command &) const = default;
};

class StubHost : public IVisitorPaneHost, public IChatWndHost
{
public:
    void SendServerCommand(const std::string &id, const QString &text, const std::string &type) override
    {
        commands.push_back({id, text, type});
    }
    void SendServerQuery(const std::string &id, const QString &text) override
    {
        commands.push_back({id, text, "get:visitor-history"});
    }
    int SendMucInvite(const Jid &room, const Jid &user) override
    {
        commands.push_back({user.Str().toStdString(), room.Str(), "invite"});
        return 1;
    }
    int SendMucDecline(const Jid &room, const Jid &user) override
    {
        commands.push_back({user.Str().toStdString(), room.Str(), "decline"});
        return 1;
    }
    PresenceState OwnState() const override { return state; }
    const ChatContact &Self() const override { return self; }
    bool IsInDepartment(const QString &id) const override { return id.isEmpty() || id == QLatin1String("sales"); }
    CVisitor *FindVisitorById(const std::string &id) override
    {
        auto it = visitors.find(id);
        return it == visitors.end() ? nullptr : it->second.get();
    }
    bool BoolSetting(const QString &key, bool fallback) const override
    {
        auto it = settings.find(key);
        return it == settings.end() ? fallback : it->second;
    }
    void SetBoolSetting(const QString &key, bool value) override { settings[key] = value; }
    QString StringSetting(const QString &, const QString &fallback) const override { return fallback; }
    ChatCore &Core() override { return *this; }
    void ShowStatus(const QString &text) override { statuses.push_back(text); }

    // ChatCore
    Jid OwnJid() const override { return self.jid; }
    bool SendAgentMessage(const ChatMessage &) override { return true; }
    void SendTypingState(const Jid &, int chatState) override { typingStates.push_back(chatState); }
    void SendDirectedPresence(const ChatContact &presence) override { presences.push_back(presence); }

    // IChatWndHost
    QString AgentDisplayName() const override { return QStringLiteral("Agent"); }
    QString WebModuleUrl() const override { return QString(); }
    QImage GetPicture(const Jid &) override { return QImage(); }
    QMetaObject::Connection ConnectPictures(QObject *, std::function<void(const Jid &, const QImage &)>) override
    {
        return {};
    }
    CQuickTextList *QuickTexts() override { return nullptr; }
    void OpenTransfer(const Jid &, QWidget *) override {}

    CVisitor *Add(const char *sid, int visitorState, const QByteArray &survey = {})
    {
        auto v = std::make_unique<CVisitor>(
            std::make_unique<NameValueCollection>(QByteArray("sid=") + sid + "&hash=H&REMOTE_ADDR=10.0.0.7"),
            self.jid);
        v->SetState(visitorState);
        if (!survey.isEmpty())
            v->ApplySurvey(survey.toStdString());
        CVisitor *raw = v.get();
        visitors[sid] = std::move(v);
        return raw;
    }

    std::vector<Command> commands;
    std::vector<QString> statuses; // status bar texts, oldest first
    std::vector<ChatContact> presences;
    std::vector<int> typingStates; // the agent's chat states, as announced
    std::map<std::string, std::unique_ptr<CVisitor>> visitors;
    std::map<QString, bool> settings;
    PresenceState state = PresenceOnline;
    ChatContact self{Jid(QStringLiteral("agent@chat.example"))};
};

} // namespace panetest
