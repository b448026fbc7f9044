// The entry point of the plug-in library Tessary; everything else is in
// its core library.

#include "plugins/chat/TessaryPlugin.h"

#include <new>

QV_PLUGIN_EXPORT int LoadPlugins(QVPlugin::IPluginRegistrar *registrar)
{
    // A failed allocation registers null, which the registrar refuses.
    registrar->RegisterPlugin(QVPlugin::PLUGIN_ORDER_LIVE_CHAT, new (std::nothrow) CTessaryPlugin);
    return 0;
}
