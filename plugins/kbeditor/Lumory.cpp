#include "plugins/kbeditor/Lumory.h"

#include "bus/MessageIds.h"
#include "plugins/kbeditor/LumoryStrings.h"

using namespace QVPlugin;

CLumoryPlugin::CLumoryPlugin()
    : CPluginBase(LumoryStringId::Name, &LumoryString)
{
    m_modes.push_back(kMode);
}

const QUuid *CLumoryPlugin::GetId() const
{
    return &PLUGIN_GUID_KB_EDITOR;
}

int CLumoryPlugin::AddCategory(const KBCategory &category)
{
    return SendValue(MSG_KB_ADD_CATEGORY, category);
}

int CLumoryPlugin::UpdateCategory(const KBCategory &category)
{
    return SendValue(MSG_KB_UPDATE_CATEGORY, category);
}

int CLumoryPlugin::AddStatus(const KBStatus &status)
{
    return SendValue(MSG_KB_ADD_STATUS, status);
}

int CLumoryPlugin::UpdateStatus(const KBStatus &status, const std::string &oldName)
{
    return SendValue(MSG_KB_UPDATE_STATUS, KBStatusChange(oldName, status));
}
