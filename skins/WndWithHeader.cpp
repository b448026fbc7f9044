#include "skins/WndWithHeader.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>

CWndWithHeader::CWndWithHeader(QWidget *parent) : QWidget(parent)
{
}

int CWndWithHeader::GetHeaderHeight() const
{
    return HeaderHeightFor(fontMetrics().height());
}

QWidget *CWndWithHeader::GetHostedWnd() const
{
    for (QObject *child : children()) {
        if (child->isWidgetType() && !static_cast<QWidget *>(child)->isWindow())
            return static_cast<QWidget *>(child);
    }
    return nullptr;
}

void CWndWithHeader::PlaceHostedWnd()
{
    if (QWidget *hosted = GetHostedWnd()) {
        const int header = GetHeaderHeight();
        hosted->setGeometry(0, header, width(), std::max(height() - header, 0));
    }
}

void CWndWithHeader::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    PlaceHostedWnd();
}

bool CWndWithHeader::event(QEvent *e)
{
    // A child added after the last resize is placed too.
    if (e->type() == QEvent::ChildPolished || e->type() == QEvent::FontChange)
        PlaceHostedWnd();
    return QWidget::event(e);
}

void CWndWithHeader::paintEvent(QPaintEvent *)
{
    QRect band = rect();
    if (QWidget *hosted = GetHostedWnd())
        band.setBottom(hosted->geometry().top() - 1);
    if (band.isEmpty())
        return;

    QPainter painter(this);
    const QPalette &pal = palette();
    painter.fillRect(band, pal.brush(QPalette::Inactive, QPalette::Button));

    // A light line along the top and a black one along the bottom of the band.
    painter.setPen(pal.color(QPalette::Inactive, QPalette::Light));
    painter.drawLine(band.left() - 1, band.top(), band.right(), band.top());
    painter.setPen(Qt::black);
    painter.drawLine(band.left() - 1, band.bottom(), band.right(), band.bottom());

    painter.setPen(pal.color(QPalette::Inactive, QPalette::ButtonText));
    painter.drawText(band.adjusted(10, 0, -10, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     windowTitle());
}
