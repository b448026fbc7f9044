#pragma once
// What a chat window needs from the plug-in core beyond what a chat needs:
// text settings, the agent's display name, the web module's address,
// pictures, quick texts and the visitor's transfer dialog. The plug-in
// implements it; tests use a fake. User-interface thread only.

#include "plugins/chat/session/Chat.h"

#include <QImage>
#include <QMetaObject>
#include <QString>

#include <functional>

class CQuickTextList;
class QWidget;

class IChatWndHost : public ChatCore
{
public:
    virtual QString StringSetting(const QString &key, const QString &fallback) const = 0;
    virtual QString AgentDisplayName() const = 0;
    virtual QString WebModuleUrl() const = 0;
    // The picture of jid when it has been fetched; null otherwise (the host
    // may then start fetching it and announce it to ConnectPictures).
    virtual QImage GetPicture(const QVPlugin::Jid &jid) = 0;
    // Has slot called, in receiver's thread, with every picture fetched from
    // now on; an invalid connection when none will be.
    virtual QMetaObject::Connection
    ConnectPictures(QObject *receiver, std::function<void(const QVPlugin::Jid &, const QImage &)> slot) = 0;
    // Not owned; null when there are no quick texts.
    virtual CQuickTextList *QuickTexts() = 0;
    // Opens the transfer dialog of the visitor whose chat JID is peer;
    // nothing when no such visitor is known.
    virtual void OpenTransfer(const QVPlugin::Jid &peer, QWidget *parent) = 0;
};
