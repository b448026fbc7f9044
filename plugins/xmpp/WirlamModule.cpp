// The entry point of the plug-in library Wirlam; everything else is in
// its core library.

#include "plugins/xmpp/Wirlam.h"

#include <new>

QV_PLUGIN_EXPORT int LoadPlugins(QVPlugin::IPluginRegistrar *registrar)
{
    // A failed allocation registers null, which the registrar refuses.
    registrar->RegisterPlugin(QVPlugin::PLUGIN_ORDER_XMPP, new (std::nothrow) CWirlam);
    return 0;
}
