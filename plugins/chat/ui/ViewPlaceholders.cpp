#include "plugins/chat/ui/ViewPlaceholders.h"

CVisitorListPlaceholder::CVisitorListPlaceholder(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VisitorList"));
}

void CVisitorListPlaceholder::RemoveVisitor(CVisitor *visitor)
{
    m_visitors.erase(visitor);
    if (m_selected == visitor)
        m_selected = nullptr;
}

bool CVisitorListPlaceholder::SelectVisitor(CVisitor *visitor)
{
    if (!m_visitors.count(visitor))
        return false;
    m_selected = visitor;
    return true;
}

CVisitorChatPanePlaceholder::CVisitorChatPanePlaceholder(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("VisitorChatPane"));
    setWindowTitle(QStringLiteral("Visitor Chat Pane"));
}

void CVisitorChatPanePlaceholder::ForgetVisitor(const CVisitor *visitor)
{
    if (m_shown == visitor)
        m_shown = nullptr;
}
