#pragma once
// The built-in plug-in that keeps the configuration values (dotted keys)
// and answers every MSG_GET_SETTING after the library plug-ins had their
// chance. Values live in the group "Values" of the program's INI file; INI
// keeps no types, so a read converts by the kind of its default. Every read
// and write also goes through a cache that lives as long as the plug-in, so
// changes made to the file from outside are not seen during the run. A file
// that cannot be read, or is no regular file, is never written: the values
// then last for the run only, and the agent is told once.
//
// Threading: user-interface thread only (the bus delivers there).

#include "bus/QVPlugin.h"
#include "bus/TellOnce.h"

#include <QHash>
#include <QSet>
#include <QSettings>
#include <QVariant>

namespace QVPlugin {

class CRegSettingsStoragePlugin final : public IPlugin
{
public:
    // fileName: the INI file; empty = DefaultFileName().
    explicit CRegSettingsStoragePlugin(const QString &fileName = QString());

    // $XDG_CONFIG_HOME/Quelvar/Quelvar.conf
    static QString DefaultFileName();

    const QUuid *GetId() const override;
    int GetVersion() const override { return PLUGIN_VERSION; }
    QString GetName() const override { return {}; }
    QString GetDescription() const override { return {}; }
    bool Initialize(IHost *) override { return true; }
    void Uninitialize() override {}
    void Release() override { delete this; }
    int OnMessage(const QUuid &id, IMessage *in, IMessage *out) override;
    void OnTimer(unsigned) override {}

private:
    QVariant Read(const QString &key, const QVariant &defaultValue);
    void Write(const QString &key, const QVariant &value);
    void Sync();
    // Copies a file that is not a settings file to "<name>.bad" and empties it.
    void SetAsideUnreadable();
    // False when the file must not be written; tells the agent once why.
    bool Writable();
    // Tells the agent, once in the run, that settings cannot be saved.
    void Tell(const QString &problem);

    QSettings m_settings;
    QHash<QString, QVariant> m_cache;
    // Keys found absent in the file; each read of one answers its own default.
    QSet<QString> m_absent;
    bool m_fileSecured = false;
    QString m_problem; // why the file is not written, or empty
    CTellOnce m_notSaved;
};

} // namespace QVPlugin
