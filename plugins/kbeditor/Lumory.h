#pragma once
// CLumoryPlugin: the knowledge-base editor plug-in. It turns the editor's
// requests into knowledge-base messages for the service plug-in; each
// request returns the bus result (1 done, -1 failed, 0 nobody answered).
// User-interface thread only.

#include "bus/KBPayloads.h"
#include "plugins/xmpp/PluginBase.h"

#include <string>

class CLumoryPlugin : public QVPlugin::CPluginBase
{
public:
    static constexpr int kMode = 14000;

    CLumoryPlugin();

    const QUuid *GetId() const override;

    int AddCategory(const QVPlugin::KBCategory &category);
    int UpdateCategory(const QVPlugin::KBCategory &category);
    int AddStatus(const QVPlugin::KBStatus &status);
    int UpdateStatus(const QVPlugin::KBStatus &status, const std::string &oldName);
};
