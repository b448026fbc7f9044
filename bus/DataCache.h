#pragma once
// The bus's local copies of the account's data files kept on the chat
// server (the quick-text list): answers a fetch from the copy at once, tells
// the server the copy's MD5 so it can answer "current", and saves every copy
// that arrives before the plug-ins see it, except a server's notice that its
// copy changed, which comes without data and without hash. Runs in the send
// path before the dispatch walk.
//
// Files live under <base>/<Local|Server|Shared|Download>/<account>/<name>;
// the base folder comes from the program's version record
// ($XDG_DATA_HOME/<CompanyName>/<ProductName>/<major>.<minor>). Account and
// name come from the server, so a name that could leave the folder is
// refused.
//
// Threading: user-interface thread only (the bus marshals every send there).

#include "bus/Manager.h"
#include "bus/TellOnce.h"

#include <QString>

#include <string>

namespace QVPlugin {

class DataInfo;

class CDataCache final : public IPreDispatchHandler
{
public:
    // manager: not owned, outlives the cache. baseFolder: empty refuses
    // every load, save and delete.
    CDataCache(CManager *manager, QString baseFolder);

    // Empty when the program's version record cannot be read.
    static QString DefaultBaseFolder();

    int Handle(CHost *sender, const QUuid &id, IMessage *in, IMessage *out) override;

    // Empty when the account or name is refused.
    QString FilePath(const DataInfo &info) const;
    // 1 read (data and hash set), -1 cannot open or refused, -2 short read;
    // on failure data and hash stay as they were.
    int Load(DataInfo &info) const;
    // 1 written and committed, -2 otherwise; an old copy survives a failure.
    int Save(const DataInfo &info) const;
    // 1 deleted, -1 otherwise.
    int Delete(const DataInfo &info) const;

private:
    // Logs and tells of a copy not saved; -2.
    int NotSaved(const QString &path, const QString &reason) const;

    CManager *m_manager;
    QString m_baseFolder;
    // Tells the agent, once in the cache's life, that a copy was not saved.
    mutable CTellOnce m_notSaved;
};

} // namespace QVPlugin
