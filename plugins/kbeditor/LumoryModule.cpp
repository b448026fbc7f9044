// The entry point of the plug-in library Lumory; everything else is in its
// core library.

#include "plugins/kbeditor/KBArticleFrame.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/WebEditSurface.h"
#include "shared/html/QVHtmlViewPane.h"

#include <new>

QV_PLUGIN_EXPORT int LoadPlugins(QVPlugin::IPluginRegistrar *registrar)
{
    // Before anything in the process uses the web engine.
    CQVHtmlViewPane::RegisterScheme();
    // A failed allocation registers null, which the registrar refuses.
    auto *plugin = new (std::nothrow) CLumoryPlugin;
    if (plugin) {
        plugin->SetFrameFactory([](const QVPlugin::KBArticle &article, CLumoryPlugin *owner) -> IArticleFrame * {
            return new CKBArticleFrame(article, owner, new CWebEditSurface);
        });
    }
    registrar->RegisterPlugin(QVPlugin::PLUGIN_ORDER_KB_EDITOR, plugin);
    return 0;
}
