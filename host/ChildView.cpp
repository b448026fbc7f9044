#include "host/ChildView.h"

#include <QChildEvent>
#include <QEvent>

CChildView::CChildView(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("ChildView"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

bool CChildView::event(QEvent *event)
{
    // A view that joins later fills the area at once, not at the next resize.
    if (event->type() == QEvent::ChildPolished) {
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child());
            child && !child->isWindow())
            child->setGeometry(contentsRect());
    }
    return QFrame::event(event);
}

void CChildView::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    FitChildren();
}

void CChildView::FitChildren()
{
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow())
            child->setGeometry(contentsRect());
    }
}
