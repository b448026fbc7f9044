#include "plugins/chat/ui/HTMLPageExternal.h"

#include "shared/ModuleVersion.h"

CHTMLPageExternal::CHTMLPageExternal(Owner *owner, QObject *parent) : QObject(parent), m_owner(owner) {}

void CHTMLPageExternal::GetHistory()
{
    if (m_owner)
        m_owner->RetrieveHistory();
}

QString CHTMLPageExternal::GetQVAgentVersion() const
{
    return GetProgramVersion();
}
