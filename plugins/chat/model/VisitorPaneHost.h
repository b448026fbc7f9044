#pragma once
// IVisitorPaneHost: what the visitor chat pane needs of the live-chat
// plug-in: the server commands and group-chat messages it sends, the
// agent's presence and departments, the visitors (found again by id after
// every modal step), settings and the core its chats send through. The
// plug-in implements it; tests use a stub. User-interface thread only.

#include "bus/ChatPayloads.h"

#include <QString>

#include <string>

class CVisitor;
class ChatCore;

// The plug-in as the pane uses it.
class IVisitorPaneHost
{
public:
    virtual ~IVisitorPaneHost() = default;
    virtual void SendServerCommand(const std::string &sessionId, const QString &text, const std::string &type) = 0;
    virtual void SendServerQuery(const std::string &sessionId, const QString &text) = 0;
    virtual int SendMucInvite(const QVPlugin::Jid &room, const QVPlugin::Jid &user) = 0;
    virtual int SendMucDecline(const QVPlugin::Jid &room, const QVPlugin::Jid &user) = 0;
    virtual QVPlugin::PresenceState OwnState() const = 0;
    virtual const QVPlugin::ChatContact &Self() const = 0;
    virtual bool IsInDepartment(const QString &departmentId) const = 0;
    // Null once the chat service removed the visitor.
    virtual CVisitor *FindVisitorById(const std::string &id) = 0;
    virtual bool BoolSetting(const QString &key, bool fallback) const = 0;
    virtual void SetBoolSetting(const QString &key, bool value) = 0;
    virtual QString StringSetting(const QString &key, const QString &fallback) const = 0;
    // What the visitors' chats send through.
    virtual ChatCore &Core() = 0;
    // A short notice in the main frame's status bar.
    virtual void ShowStatus(const QString &text) = 0;
};
