#pragma once
// The road of the quick texts to and from the server: fetches both
// "quicktext.xml" files when the agent comes online after being offline, and
// again when the account becomes known after that,
// reads every copy that arrives into the list, stores both files after
// every change of the list, and follows the "quicktext.duplicates" setting.
// The plug-in feeds it the bus messages it hears.
//
// Nothing is stored in a session before the agent's own file has been read
// in it (what the list holds until then is not what the server holds), and
// a file the reader could not read whole is never written over: what the
// list holds of it is only a part. readIncomplete() tells of the first such
// file once. A server's "changed" notice carries no file: the store fetches
// the file again instead of reading the notice, and an empty list is stored
// over a file that had items only after the agent removed something.
//
// Threading: user-interface thread only.

#include "bus/Payloads.h"

#include <QObject>

class CQuickTextList;

class CQuickTextStore : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *kFileName = "quicktext.xml";

    // host and list: not owned; both outlive the store.
    CQuickTextStore(QVPlugin::IHost *host, CQuickTextList *list);

    // Reads the duplicates setting; call once the plug-in has its host.
    void Load();
    // Same results as IPlugin::OnMessage; 0 for what it does not take.
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out);

    // The account data arrived: fetches again for an account not fetched for.
    void OnAccountData();
    void Fetch();
    void Store();

signals:
    void readIncomplete();

private:
    // The quick-text file of the account, of the given DataInfo type.
    QVPlugin::DataInfo File(int type) const;
    QVariant Setting(const QString &key, const QVariant &defaultValue) const;
    void ApplyDuplicates(bool on);

    QVPlugin::IHost *m_host;
    CQuickTextList *m_list;
    // The plug-in starts offline.
    bool m_offline = true;
    bool m_ownFileRead = false;
    QString m_fetchedFor; // the account fetched for in this session
    // By shared flag: the last copy of that file was not read whole.
    bool m_partial[2] = {false, false};
    // By shared flag: the file last read or stored had items.
    bool m_held[2] = {false, false};
    // The agent removed a category or an item since the last read or store.
    bool m_agentRemoved = false;
    bool m_told = false;
};
