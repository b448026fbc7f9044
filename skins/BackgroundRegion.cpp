#include "skins/BackgroundRegion.h"

#include <QWidget>

QRegion CreateBackgroundRgn(const QWidget *window)
{
    if (!window)
        return QRegion();
    QRegion region = window->mask();
    if (region.isEmpty())
        region = QRegion(window->rect());
    ExcludeChildWindowRects(window, window, region);
    return region;
}

void ExcludeChildWindowRects(const QWidget *top, const QWidget *parent, QRegion &region)
{
    if (!top || !parent)
        return;
    for (QObject *object : parent->children()) {
        if (!object->isWidgetType())
            continue;
        const QWidget *child = static_cast<const QWidget *>(object);
        if (child->isWindow() || child->isHidden())
            continue;
        if (child->testAttribute(Qt::WA_TranslucentBackground)) {
            ExcludeChildWindowRects(top, child, region);
            continue;
        }
        region -= QRect(child->mapTo(top, QPoint(0, 0)), child->size());
    }
}
