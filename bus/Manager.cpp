#include "bus/Manager.h"

#include "bus/BusLog.h"
#include "bus/DataCache.h"
#include "bus/MessageIds.h"
#include "bus/MessageSyncWindow.h"
#include "bus/Payloads.h"
#include "shared/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#include <algorithm>

Q_LOGGING_CATEGORY(lcBus, "ostrel.bus", QtInfoMsg)

namespace QVPlugin {

namespace {
constexpr unsigned kMinTimerMs = 10;
} // namespace

// ---- CHost ----------------------------------------------------------------

CHost::CHost(CManager *manager, IPlugin *plugin, CLibraryRecord *library)
    : m_manager(manager), m_plugin(plugin), m_library(library)
{
    if (m_library)
        ++m_library->refs;
}

CHost::~CHost()
{
    m_manager->KillTimersOf(this);
    try {
        if (m_plugin)
            m_plugin->Release();
    } catch (...) {
        qCWarning(lcBus) << "a plug-in threw from Release";
    }
    m_plugin = nullptr;
    if (m_library)
        m_manager->ReleaseLibrary(m_library);
}

int CHost::SendMessage(const QUuid &id, IMessage *in, IMessage *out)
{
    return m_manager->SendMessage(this, id, in, out);
}

unsigned CHost::SetTimer(unsigned elapseMs)
{
    return m_manager->SetTimer(this, elapseMs);
}

void CHost::KillTimer(unsigned id)
{
    m_manager->KillTimer(this, id);
}

// ---- CRegistrar -------------------------------------------------------------

namespace {
class CRegistrar final : public IPluginRegistrar
{
public:
    CRegistrar(CManager *manager, CLibraryRecord *library) : m_manager(manager), m_library(library) {}

    bool RegisterPlugin(unsigned short order, IPlugin *plugin) override
    {
        if (!plugin)
            return false;
        m_manager->AddPending(order, new CHost(m_manager, plugin, m_library));
        return true;
    }

private:
    CManager *m_manager;
    CLibraryRecord *m_library;
};
} // namespace

// ---- CManager ---------------------------------------------------------------

CManager::CManager(const QString &programDir)
    : m_programDir(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir),
      m_uiThread(std::this_thread::get_id()),
      m_window(std::make_unique<CMessageSyncWindow>(this)),
      m_preDispatch(std::make_unique<CDataCache>(this, CDataCache::DefaultBaseFolder()))
{
}

CManager::~CManager()
{
    Shutdown();
    m_window.reset();
}

bool CManager::AddPlugin(IPlugin *plugin, int key)
{
    if (!plugin)
        return false;
    auto *host = new CHost(this, plugin, nullptr);
    if (!plugin->Initialize(host)) {
        delete host;
        return false;
    }
    m_dispatch.emplace(key, host);
    Flatten();
    return true;
}

void CManager::Flatten()
{
    m_receivers.clear();
    m_receivers.reserve(m_dispatch.size());
    for (const auto &[key, host] : m_dispatch)
        m_receivers.push_back({host, host->plugin()});
}

void CManager::AddPending(unsigned short order, CHost *host)
{
    m_pending.emplace(int(order), host);
}

void CManager::LoadPluginLibraries()
{
    QDir dir(m_programDir);
    const QStringList files = dir.entryList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
    for (const QString &file : files)
        LoadPluginLibrary(dir.filePath(file));

    auto pending = std::move(m_pending);
    m_pending.clear();
    for (auto &[key, host] : pending) {
        if (host->plugin()->Initialize(host)) {
            m_dispatch.emplace(key, host);
            Flatten(); // the next one's Initialize may already send
        } else {
            delete host;
        }
    }
}

void CManager::LoadPluginLibrary(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    auto *record = new CLibraryRecord;
    record->fileName = fileName;
    record->library = std::make_unique<QLibrary>(path);
    if (!record->library->load()) {
        qCWarning(lcBus) << "cannot load" << path << record->library->errorString();
        delete record;
        CPrompt::Error(QStringLiteral("Failed to load library %1").arg(fileName));
        return;
    }
    if (auto entry = reinterpret_cast<LoadPluginsFn>(record->library->resolve(kLoadPluginsSymbol))) {
        CRegistrar registrar(this, record);
        try {
            entry(&registrar);
        } catch (...) {
            // What it registered before the throw stays registered.
            qCWarning(lcBus) << "LoadPlugins threw in" << record->fileName;
        }
    }
    ReleaseLibrary(record);
}

void CManager::ReleaseLibrary(CLibraryRecord *library)
{
    if (--library->refs > 0)
        return;
    // At final shut-down the library stays mapped: payload clones, widgets
    // and metatypes it made may still be referenced by the program.
    if (!m_finalShutdown)
        library->library->unload();
    delete library;
}

int CManager::SendMessage(CHost *sender, const QUuid &id, IMessage *in, IMessage *out)
{
    if (!IsUiThread())
        return m_window ? m_window->Marshal(sender, id, in, out) : 0;
    return DispatchFromUiThread(sender, id, in, out);
}

int CManager::DispatchFromUiThread(CHost *sender, const QUuid &id, IMessage *in, IMessage *out)
{
    if (m_preDispatch) {
        const int r = m_preDispatch->Handle(sender, id, in, out);
        if (r != RESULT_NOT_HANDLED && r != RESULT_HANDLED_CONTINUE)
            return r;
    }
    return Dispatch(sender, id, in, out);
}

int CManager::Dispatch(CHost *skip, const QUuid &id, IMessage *in, IMessage *out)
{
    bool passedOn = false;
    // By index: a plug-in added while a message goes round must not leave
    // the walk on a moved vector.
    for (size_t i = 0; i < m_receivers.size(); ++i) {
        const Receiver receiver = m_receivers[i];
        if (receiver.host == skip)
            continue;
        const int r = receiver.plugin->OnMessage(id, in, out);
        if (r == RESULT_NOT_HANDLED)
            continue;
        if (r == RESULT_HANDLED_CONTINUE) {
            passedOn = true;
            continue;
        }
        return r;
    }
    return passedOn ? RESULT_HANDLED_CONTINUE : RESULT_NOT_HANDLED;
}

QVariant CManager::GetSetting(const QString &key, const QVariant &defaultValue)
{
    MsgValue in(key, defaultValue);
    QVMessage<QVariant> out(defaultValue);
    SendMessage(nullptr, MSG_GET_SETTING, &in, &out);
    return out.value;
}

void CManager::SetSetting(const QString &key, const QVariant &value)
{
    MsgValue in(key, value);
    SendMessage(nullptr, MSG_SET_SETTING, &in, nullptr);
}

void CManager::SetPreDispatchHandler(std::unique_ptr<IPreDispatchHandler> handler)
{
    m_preDispatch = std::move(handler);
}

std::vector<IPlugin *> CManager::Plugins() const
{
    std::vector<IPlugin *> out;
    for (const auto &[key, host] : m_dispatch)
        out.push_back(host->plugin());
    return out;
}

unsigned CManager::SetTimer(CHost *host, unsigned elapseMs)
{
    // Qt timers belong to the thread that starts them.
    if (!m_window || !IsUiThread() || m_shuttingDown)
        return 0;
    size_t slot = 0;
    while (slot < m_timers.size() && m_timers[slot].host)
        ++slot;
    if (slot == m_timers.size())
        m_timers.push_back({});
    // The platform's timer minimum: a 0 ms timer would fire in a busy loop.
    const int qtId = m_window->StartTimer(std::max(elapseMs, kMinTimerMs));
    if (qtId == 0)
        return 0;
    m_timers[slot] = {host, qtId};
    return unsigned(slot + 1);
}

void CManager::KillTimer(CHost *host, unsigned id)
{
    if (id < 1 || id > m_timers.size() || m_timers[id - 1].host != host || !IsUiThread())
        return;
    m_window->StopTimer(m_timers[id - 1].qtTimerId);
    m_timers[id - 1] = {};
}

void CManager::KillTimersOf(CHost *host)
{
    for (size_t i = 0; i < m_timers.size(); ++i) {
        if (m_timers[i].host == host)
            KillTimer(host, unsigned(i + 1));
    }
}

void CManager::OnQtTimer(int qtTimerId)
{
    // An Uninitialize that runs an event loop must not see timers fire.
    if (m_shuttingDown)
        return;
    for (size_t i = 0; i < m_timers.size(); ++i) {
        if (m_timers[i].host && m_timers[i].qtTimerId == qtTimerId) {
            m_timers[i].host->plugin()->OnTimer(unsigned(i + 1));
            return;
        }
    }
}

void CManager::Shutdown()
{
    if (m_finalShutdown)
        return;
    m_shuttingDown = true;
    // Release workers that wait on the bus before plug-ins join them.
    m_window->BeginShutdown();
    for (auto &[key, host] : m_dispatch) {
        try {
            host->plugin()->Uninitialize();
        } catch (...) {
            qCWarning(lcBus) << "a plug-in threw from Uninitialize";
        }
    }
    m_window->DropPosted();
    m_finalShutdown = true;
    auto hosts = std::move(m_dispatch);
    m_dispatch.clear();
    m_receivers.clear();
    for (auto &[key, host] : hosts)
        delete host;
    for (auto &[key, host] : m_pending)
        delete host;
    m_pending.clear();
    m_preDispatch.reset();
    m_timers.clear();
    // The window itself lives until the destructor: a stray worker may still
    // post, and is refused.
}

} // namespace QVPlugin
