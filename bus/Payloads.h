#pragma once
// The payload records of the bus. Each has value semantics; Clone() makes a
// heap copy with the copy constructor.

#include "bus/Jid.h"
#include "bus/QVPlugin.h"

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <string>

namespace QVPlugin {

// Gives a payload its Clone() from its copy constructor.
template <typename Derived>
class Payload : public IMessage
{
public:
    IMessage *Clone() const override { return new Derived(static_cast<const Derived &>(*this)); }
};

// The agent's connection and presence state.
enum PresenceState : int {
    PresenceError = 0,
    PresenceOffline = 1,
    PresenceConnecting = 2,
    PresenceOnline = 3,
    PresenceAway = 4,
    PresenceBusy = 5,
    PresenceBeRightBack = 6,
};

// A configuration value (dotted key) or one of the window names
// "UI.ViewParentWnd" / "UI.BarParentWnd". With MSG_GET_SETTING the value
// is the default; with MSG_SET_SETTING the new value.
class MsgValue : public Payload<MsgValue>
{
public:
    MsgValue() = default;
    MsgValue(const QString &n, const QVariant &v) : name(n), value(v) {}
    const char *GetTypeName() const override { return "MsgValue"; }

    QString name;
    QVariant value;
};

class LoginInfo : public Payload<LoginInfo>
{
public:
    const char *GetTypeName() const override { return "LoginInfo"; }

    QString user;
    QString password;
    QString server; // host, optionally ":port"
};

// A command to the chat service, or a reply or notice from it. UTF-8.
class ServerMessage : public Payload<ServerMessage>
{
public:
    ServerMessage() = default;
    ServerMessage(std::string t, std::string ty, std::string sid)
        : text(std::move(t)), type(std::move(ty)), sessionId(std::move(sid)) {}
    const char *GetTypeName() const override { return "ServerMessage"; }

    std::string text;
    std::string type;
    std::string sessionId;
};

// A data file of the agent's account, cached by the bus.
class DataInfo : public Payload<DataInfo>
{
public:
    enum Type : int { Local = 0, Server = 1, Shared = 2, Download = 3 };
    const char *GetTypeName() const override { return "DataInfo"; }

    int type = Local;
    QString account;
    QString name;     // file name, for example "quicktext.xml"
    std::string hash; // lower-case hex MD5 of data, or empty
    std::string data; // the file's bytes
};

// A server's notice that its copy changed: it carries no file, and a real
// file always comes with its hash, an empty one too.
inline bool IsChangedNotice(const DataInfo &info)
{
    return info.type != DataInfo::Local && info.data.empty() && info.hash.empty();
}

// A window request. For a bar pane both icons are set; for a view neither.
// The window stays owned by the sender until the host reparents it.
class MsgAddWindow : public Payload<MsgAddWindow>
{
public:
    const char *GetTypeName() const override { return "MsgAddWindow"; }

    QPointer<QWidget> window;
    QString title;
    QIcon icon;
    QIcon smallIcon;
};

// kind: 1, 6, 8 new caller (8 a transferred chat); 2, 4 new message;
// 3, 5 new visitor; 7 system message; others raise nothing.
class AlertInfo : public Payload<AlertInfo>
{
public:
    const char *GetTypeName() const override { return "AlertInfo"; }

    QString title;
    QString text;
    QString extra;
    int kind = 0;
};

// A group-chat invitation or decline.
class VisitorMessage : public Payload<VisitorMessage>
{
public:
    const char *GetTypeName() const override { return "VisitorMessage"; }

    Jid room; // recipient of the stanza
    Jid user; // the JID named in the invitation or decline
    QString reason;
};

} // namespace QVPlugin

Q_DECLARE_METATYPE(QVPlugin::Jid)
