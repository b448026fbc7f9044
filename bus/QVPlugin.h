#pragma once
// The plug-in contract: the interfaces that the host and the plug-in
// libraries call across library boundaries. The order of the virtual
// operations is part of the contract and must not change.

#include <QString>
#include <QUuid>

namespace QVPlugin {

// Base of every message payload. A payload belongs to its sender for the
// duration of a send; the bus clones it to carry it to another thread.
class IMessage
{
public:
    virtual ~IMessage() = default;
    // A static string naming the payload type.
    virtual const char *GetTypeName() const = 0;
    // A new heap copy; the caller owns it.
    virtual IMessage *Clone() const = 0;
};

// A payload that carries one value. A pointer-valued T is copied as the
// pointer: a clone shares the pointee, which stays the sender's.
template <typename T>
class QVMessage : public IMessage
{
public:
    QVMessage() : value() {}
    explicit QVMessage(const T &v) : value(v) {}
    QVMessage(const QVMessage &) = default;
    QVMessage &operator=(const QVMessage &) = default;

    const char *GetTypeName() const override { return "QVMessage"; }
    IMessage *Clone() const override { return new QVMessage(*this); }

    T value;
};

class IHost;

// A plug-in object as the host sees it. Owned by the host once registered;
// Release() deletes it.
class IPlugin
{
public:
    virtual ~IPlugin() = default;
    virtual const QUuid *GetId() const = 0;
    virtual int GetVersion() const = 0;   // 1000 in every plug-in
    virtual QString GetName() const = 0;  // may be empty
    virtual QString GetDescription() const = 0;
    // The plug-in keeps the host handle; false makes the host drop it.
    virtual bool Initialize(IHost *host) = 0;
    // Called once for every initialised plug-in, before any is released.
    virtual void Uninitialize() = 0;
    virtual void Release() = 0;
    // 0 = not handled, 2 = handled and go on, other = stop and return it.
    virtual int OnMessage(const QUuid &id, IMessage *in, IMessage *out) = 0;
    virtual void OnTimer(unsigned id) = 0;
};

// The handle the bus gives each plug-in. Owned by the bus.
class IHost
{
public:
    virtual ~IHost() = default;
    virtual int SendMessage(const QUuid &id, IMessage *in, IMessage *out) = 0;
    virtual void Reserved1(int) = 0;
    virtual bool Reserved2(int) = 0;
    // A repeating timer; returns its id (1 or more), 0 on failure.
    virtual unsigned SetTimer(unsigned elapseMs) = 0;
    virtual void KillTimer(unsigned id) = 0;
};

// Passed to a library's LoadPlugins; takes ownership of each plug-in.
class IPluginRegistrar
{
public:
    virtual ~IPluginRegistrar() = default;
    virtual bool RegisterPlugin(unsigned short order, IPlugin *plugin) = 0;
};

// The entry point every plug-in library exports as extern "C".
using LoadPluginsFn = int (*)(IPluginRegistrar *registrar);
inline constexpr const char *kLoadPluginsSymbol = "LoadPlugins";

// Order keys. Library keys are 16-bit and zero-extended; the built-in
// plug-ins sit before (negative) and after (above 65535) every library.
inline constexpr int PLUGIN_ORDER_UI = -1;
inline constexpr unsigned short PLUGIN_ORDER_LIVE_CHAT = 10000;
inline constexpr unsigned short PLUGIN_ORDER_XMPP = 11000;
inline constexpr unsigned short PLUGIN_ORDER_KB_EDITOR = 14000;
inline constexpr unsigned short PLUGIN_ORDER_KB_SERVICE = 15000;
inline constexpr int PLUGIN_ORDER_SETTINGS_STORAGE = 0x10000;
inline constexpr int PLUGIN_ORDER_UPGRADE = 0x10001;

inline constexpr int PLUGIN_VERSION = 1000;

// Bus results.
inline constexpr int RESULT_NOT_HANDLED = 0;
inline constexpr int RESULT_DONE = 1;
inline constexpr int RESULT_HANDLED_CONTINUE = 2;
inline constexpr int RESULT_POSTED = 3;
inline constexpr int RESULT_REFUSED = -1;

} // namespace QVPlugin

// Declares the entry point with default visibility in a hidden-symbol module.
#define QV_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))
