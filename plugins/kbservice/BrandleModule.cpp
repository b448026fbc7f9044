// The entry point of the plug-in library Brandle; everything else is in its
// core library.

#include "plugins/kbservice/Brandle.h"

#include <new>

QV_PLUGIN_EXPORT int LoadPlugins(QVPlugin::IPluginRegistrar *registrar)
{
    // A failed allocation registers null, which the registrar refuses.
    registrar->RegisterPlugin(QVPlugin::PLUGIN_ORDER_KB_SERVICE, new (std::nothrow) CBrandle);
    return 0;
}
