#pragma once
// Text drawing shared by the dialog banner and the about box: word-wrapped
// text that shows only whole lines and ends in an ellipsis when it is cut.

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// The largest font of the family whose line height is at most cellHeight
// pixels, the way dialog fonts are given by their cell height.
QFont FontForCellHeight(const QString &family, int cellHeight, bool bold);

// Draws text wrapped at word boundaries into rect, with the horizontal
// alignment of align. Only lines that fit whole are drawn (the first one
// always); when text is left over, the last drawn line ends in an ellipsis.
// Returns the number of lines drawn.
int DrawWrappedText(QPainter &painter, const QRect &rect, const QString &text, Qt::Alignment align);
