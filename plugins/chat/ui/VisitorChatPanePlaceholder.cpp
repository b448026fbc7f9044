#include "plugins/chat/ui/VisitorChatPanePlaceholder.h"

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
