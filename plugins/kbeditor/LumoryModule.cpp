// The entry point of the plug-in library Lumory; everything else is in its
// core library.

#include "plugins/kbeditor/KBArticleFrame.h"
#include "plugins/kbeditor/Lumory.h"
#include "shared/html/QVHtmlEngine.h"
#include "shared/html/WebModule.h"

#include <new>

QV_PLUGIN_EXPORT int LoadPlugins(QVPlugin::IPluginRegistrar *registrar)
{
    // A failed allocation registers null, which the registrar refuses.
    auto *plugin = new (std::nothrow) CLumoryPlugin;
    if (plugin) {
        plugin->SetFrameFactory([](const QVPlugin::KBArticle &article, CLumoryPlugin *owner) -> IArticleFrame * {
            // The editing surface is a web view: the first one loads the web module.
            const auto create = reinterpret_cast<QVCreateEditSurfaceFn>(QVWebModule::Resolve(kCreateEditSurfaceSymbol));
            CEditingSurface *surface = create ? create(nullptr) : nullptr;
            return surface ? new CKBArticleFrame(article, owner, surface) : nullptr;
        });
    }
    registrar->RegisterPlugin(QVPlugin::PLUGIN_ORDER_KB_EDITOR, plugin);
    return 0;
}
