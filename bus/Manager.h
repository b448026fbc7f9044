#pragma once
// The message bus: owns every plug-in, offers each message to them in order
// of their keys, carries sends made on other threads to the user-interface
// thread, runs plug-in timers and loads the plug-in libraries of the
// program's folder.
//
// Threading: created, used and destroyed on the user-interface thread;
// SendMessage (through IHost) may be called from any thread.

#include "bus/QVPlugin.h"

#include <QString>
#include <QVariant>

#include <map>
#include <memory>
#include <thread>
#include <vector>

class QLibrary;

namespace QVPlugin {

class CManager;
class CMessageSyncWindow;

// One loaded plug-in library; counted by the loader and each of its hosts.
struct CLibraryRecord
{
    QString fileName;
    std::unique_ptr<QLibrary> library;
    int refs = 1;
};

// The bus's handle for one plug-in. Owns the plug-in: destroying the host
// kills the plug-in's timers, releases it and drops its library reference.
class CHost final : public IHost
{
public:
    CHost(CManager *manager, IPlugin *plugin, CLibraryRecord *library);
    ~CHost() override;
    CHost(const CHost &) = delete;
    CHost &operator=(const CHost &) = delete;

    int SendMessage(const QUuid &id, IMessage *in, IMessage *out) override;
    void Reserved1(int) override {}
    bool Reserved2(int) override { return true; }
    unsigned SetTimer(unsigned elapseMs) override;
    void KillTimer(unsigned id) override;

    IPlugin *plugin() const { return m_plugin; }

private:
    CManager *m_manager;
    IPlugin *m_plugin;
    CLibraryRecord *m_library;
};

// The bus's own handling that runs before the plug-ins see a message (the
// data cache). A result other than 0 or 2 is returned to the sender and the
// plug-ins never see the message.
class IPreDispatchHandler
{
public:
    virtual ~IPreDispatchHandler() = default;
    virtual int Handle(CHost *sender, const QUuid &id, IMessage *in, IMessage *out) = 0;
};

class CManager
{
public:
    // programDir: where LoadPluginLibraries looks; empty = the program's folder.
    explicit CManager(const QString &programDir = QString());
    ~CManager();
    CManager(const CManager &) = delete;
    CManager &operator=(const CManager &) = delete;

    // A built-in plug-in: initialised at once; on failure it is released.
    bool AddPlugin(IPlugin *plugin, int key);
    // Loads every "*.so" of the program's folder, then initialises what the
    // libraries registered, in key order.
    void LoadPluginLibraries();

    // The bus send; sender null means the host itself.
    int SendMessage(CHost *sender, const QUuid &id, IMessage *in, IMessage *out);
    // The dispatch walk alone, skipping one host; user-interface thread only.
    int Dispatch(CHost *skip, const QUuid &id, IMessage *in, IMessage *out);

    QVariant GetSetting(const QString &key, const QVariant &defaultValue);
    void SetSetting(const QString &key, const QVariant &value);

    // Takes ownership. The bus starts with its data cache (CDataCache) in
    // the program's data folder; tests put one in a folder of their own.
    void SetPreDispatchHandler(std::unique_ptr<IPreDispatchHandler> handler);

    // Uninitialises, then releases every plug-in. Idempotent; the destructor
    // calls it.
    void Shutdown();

    bool IsUiThread() const { return std::this_thread::get_id() == m_uiThread; }
    // Initialised plug-ins in dispatch order.
    std::vector<IPlugin *> Plugins() const;

    // For CHost.
    unsigned SetTimer(CHost *host, unsigned elapseMs);
    void KillTimer(CHost *host, unsigned id);
    void KillTimersOf(CHost *host);
    // For the message window: the window-system timer with this id expired.
    void OnQtTimer(int qtTimerId);
    // For the registrar.
    void AddPending(unsigned short order, CHost *host);
    void ReleaseLibrary(CLibraryRecord *library);

private:
    friend class CMessageSyncWindow;
    int DispatchFromUiThread(CHost *sender, const QUuid &id, IMessage *in, IMessage *out);
    void LoadPluginLibrary(const QString &path);

    QString m_programDir;
    std::thread::id m_uiThread;
    std::multimap<int, CHost *> m_dispatch;
    // m_dispatch flattened in its order, walked by every message: a map's
    // node-by-node walk costs more than the eight calls it makes.
    struct Receiver
    {
        CHost *host;
        IPlugin *plugin;
    };
    std::vector<Receiver> m_receivers;
    void Flatten();
    std::multimap<int, CHost *> m_pending;
    std::unique_ptr<CMessageSyncWindow> m_window;
    std::unique_ptr<IPreDispatchHandler> m_preDispatch;
    struct TimerSlot
    {
        CHost *host = nullptr;
        int qtTimerId = 0;
    };
    std::vector<TimerSlot> m_timers;
    bool m_shuttingDown = false;
    bool m_finalShutdown = false;
};

} // namespace QVPlugin
