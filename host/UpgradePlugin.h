#pragma once
// CUpgradePlugin: the host's built-in update check. After sign-in the chat
// service names its current version (MSG_AGENT_VERSION_INFO); when the
// program is older, the agent is offered the update, or must take it when
// the major or minor version changed, and the updater "qvupdate" in the
// program's folder is started.
//
// User-interface thread only, like every bus handler.

#include "bus/QVPlugin.h"

#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

enum class UpgradeKind { None, Optional, Mandatory };

// The numbers of a dotted version; empty pieces are skipped and each piece
// reads as its leading integer (0 when it has none).
QVector<int> SplitVersion(const QString &text);

// Mandatory when the server's first part is greater, or the first parts are
// equal and the server's second is greater; optional when the first two are
// equal and the server's fourth is greater (the third is never compared; a
// missing fourth reads as 0). None when either side has fewer than 3 parts.
UpgradeKind CompareVersions(const QString &own, const QString &server);

class CUpgradePlugin final : public QVPlugin::IPlugin
{
public:
    // frame: closed after a mandatory update or once the updater runs; not
    // owned. programDir: where "qvupdate" lies; empty = the program's folder.
    // ownVersion: empty = the program's version record.
    explicit CUpgradePlugin(QWidget *frame, const QString &programDir = QString(),
                            const QString &ownVersion = QString());

    const QUuid *GetId() const override;
    int GetVersion() const override { return QVPlugin::PLUGIN_VERSION; }
    QString GetName() const override { return {}; }
    QString GetDescription() const override { return {}; }
    // Succeeds when the frame is set.
    bool Initialize(QVPlugin::IHost *host) override;
    void Uninitialize() override {}
    void Release() override { delete this; }
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    void OnTimer(unsigned) override {}

    // Starts the updater detached, without arguments; tells the agent when
    // it cannot be started.
    bool StartUpdater();

private:
    void CheckVersion(const QString &serverVersion);
    // The chat service provider's home page, ending the messages.
    QString HomePage();
    void CloseFrame();

    QVPlugin::IHost *m_host = nullptr;
    QPointer<QWidget> m_frame;
    QString m_programDir;
    QString m_ownVersion;
};
