#pragma once
// The part of a window that its own painting may cover: the window minus its
// visible child widgets. A child with a translucent background
// (Qt::WA_TranslucentBackground) is painted over by its parent, but its own
// children are not. User-interface thread only.

#include "skins/FaycelExport.h"

#include <QRegion>

class QWidget;

// The window's mask, or its whole rectangle when it has none, minus its children.
FAYCEL_EXPORT QRegion CreateBackgroundRgn(const QWidget *window);

// Subtracts from region, in top's coordinates, every visible child of parent
// (top itself or one of its descendants).
FAYCEL_EXPORT void ExcludeChildWindowRects(const QWidget *top, const QWidget *parent, QRegion &region);
