#include "shared/WrappedText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

QFont FontForCellHeight(const QString &family, int cellHeight, bool bold)
{
    QFont font(family);
    font.setBold(bold);
    int size = qMax(1, cellHeight);
    font.setPixelSize(size);
    while (size > 1 && QFontMetrics(font).height() > cellHeight)
        font.setPixelSize(--size);
    return font;
}

int DrawWrappedText(QPainter &painter, const QRect &rect, const QString &text, Qt::Alignment align)
{
    if (text.isEmpty() || rect.width() <= 0)
        return 0;
    const QFont font = painter.font();
    const QFontMetrics metrics(font);

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(text, font);
    layout.setTextOption(option);

    struct Line
    {
        int start;
        int length;
        qreal height;
    };
    QList<Line> lines;
    qreal height = 0;
    bool leftOver = false;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(rect.width());
        if (!lines.isEmpty() && height + line.height() > rect.height()) {
            leftOver = true;
            break;
        }
        height += line.height();
        lines.append({line.textStart(), line.textLength(), line.height()});
    }
    layout.endLayout();

    qreal y = rect.top();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString piece = (leftOver && i == lines.size() - 1) ? text.mid(lines[i].start)
                                                            : text.mid(lines[i].start, lines[i].length);
        // A line break in the text ends a line but is not drawn.
        piece.replace(QLatin1Char('\n'), QLatin1Char(' '));
        if (leftOver && i == lines.size() - 1)
            piece = metrics.elidedText(piece.simplified(), Qt::ElideRight, rect.width());
        piece = piece.trimmed();
        const int width = metrics.horizontalAdvance(piece);
        qreal x = rect.left();
        if (align & Qt::AlignHCenter)
            x += (rect.width() - width) / 2.0;
        else if (align & Qt::AlignRight)
            x += rect.width() - width;
        painter.drawText(QPointF(x, y + metrics.ascent()), piece);
        y += lines[i].height;
    }
    return int(lines.size());
}
