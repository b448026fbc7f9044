#include "shared/DialogHeader.h"

#include "shared/WrappedText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontMetricsF>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QtMath>

namespace {
const QString kFontFamily = QStringLiteral("Tahoma");
}

CDialogHeader::Layout CDialogHeader::ComputeLayout(const QSize &size, int alignment, const QSize &iconSize,
                                                   int edge)
{
    // Rectangles from left, top, right and bottom with the right and bottom outside.
    const auto span = [](int left, int top, int right, int bottom) {
        return QRect(left, top, right - left, bottom - top);
    };
    const int right = size.width();
    const int titleBottom = kTopMargin + kTitleHeight;

    Layout layout;
    layout.icon = QRect(QPoint(right - iconSize.width() - kIconMargin - kTitleLeft, kTopMargin), iconSize);
    int textRight = right - edge - kIconMargin;
    // Text never runs under the icon.
    if (!iconSize.isEmpty())
        textRight = qMin(textRight, layout.icon.left() - kIconMargin);
    layout.title = span(kTitleLeft, kTopMargin, textRight - (alignment == AlignCenter ? kTitleLeft : 0), titleBottom);
    layout.subtitle = span(kTitleLeft + (alignment == AlignLeft ? kSubtitleIndent : 0), titleBottom,
                           textRight - (alignment == AlignRight ? kSubtitleIndent : 0), size.height() - edge);
    return layout;
}

CDialogHeader::CDialogHeader(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DialogHeader"));
}

CDialogHeader *CDialogHeader::LayOutDialog(QDialog *dialog, QLayout *fields, const QString &title,
                                           const QString &subtitle, const QIcon &icon)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("c1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("c2"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);

    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addWidget(buttons);

    auto *header = new CDialogHeader(dialog);
    header->SetTitle(title);
    header->SetSubtitle(subtitle);
    header->SetIcon(icon);
    header->Attach(dialog);
    dialog->setMinimumWidth(qMax(dialog->minimumSizeHint().width(), header->MinimumDialogWidth()));
    return header;
}

void CDialogHeader::Attach(QWidget *dialog)
{
    if (!dialog || m_dialog)
        return;
    m_dialog = dialog;

    if (dialog->layout()) {
        QMargins margins = dialog->contentsMargins();
        margins.setTop(margins.top() + kHeight);
        dialog->setContentsMargins(margins);
    } else {
        const QList<QWidget *> children = dialog->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *child : children) {
            if (child != this && !child->isWindow())
                child->move(child->pos() + QPoint(0, kHeight));
        }
    }

    // A dialog of fixed height stays fixed, only taller.
    if (dialog->maximumHeight() < QWIDGETSIZE_MAX)
        dialog->setMaximumHeight(dialog->maximumHeight() + kHeight);
    if (dialog->minimumHeight() > 0)
        dialog->setMinimumHeight(dialog->minimumHeight() + kHeight);
    dialog->resize(dialog->width(), dialog->height() + kHeight);

    setParent(dialog);
    // At (-1, -1) so that the left and top edges lie outside the dialog.
    setGeometry(-1, -1, dialog->width() + 1, kHeight);
    raise();
    show();
    dialog->installEventFilter(this);
}

bool CDialogHeader::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_dialog && event->type() == QEvent::Resize)
        resize(m_dialog->width() + 1, kHeight);
    return QWidget::eventFilter(watched, event);
}

void CDialogHeader::SetTitle(const QString &title)
{
    m_title = title;
    update();
}

void CDialogHeader::SetSubtitle(const QString &subtitle)
{
    m_subtitle = subtitle;
    update();
}

void CDialogHeader::SetIcon(const QIcon &icon)
{
    m_icon = icon;
    update();
}

void CDialogHeader::SetTextAlignment(int alignment)
{
    m_alignment = qBound(int(AlignLeft), alignment, int(AlignRight));
    update();
}

int CDialogHeader::MinimumDialogWidth() const
{
    // Measured as DrawWrappedText lays the text out.
    const auto advance = [](const QString &text, int cellHeight, bool bold) {
        return qCeil(QFontMetricsF(FontForCellHeight(kFontFamily, cellHeight, bold)).horizontalAdvance(text));
    };
    // The text rectangles grow pixel for pixel with the width.
    const Layout none = ComputeLayout(QSize(0, kHeight), m_alignment, m_icon.isNull() ? QSize() : IconSize(), EdgeSize());
    return qMax(advance(m_title, kTitleHeight, true) - none.title.width(),
                advance(m_subtitle, kSubtitleHeight, false) - none.subtitle.width())
           + 1;
}

QSize CDialogHeader::IconSize() const
{
    const int extent = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    return {extent, extent};
}

int CDialogHeader::EdgeSize() const
{
    return qMax(1, style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
}

void CDialogHeader::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect all = rect();
    const int edge = EdgeSize();
    const QPalette pal = palette();

    // A raised 3-D border, of which only the bottom edge stays in view.
    painter.fillRect(all, pal.color(QPalette::Base));
    painter.setPen(pal.color(QPalette::Light));
    painter.drawLine(all.topLeft(), all.topRight());
    painter.drawLine(all.topLeft(), all.bottomLeft());
    painter.setPen(pal.color(QPalette::Dark));
    painter.drawLine(all.bottomLeft(), all.bottomRight());
    painter.drawLine(all.topRight(), all.bottomRight());
    painter.fillRect(QRect(0, 0, all.width(), all.height() - edge), pal.color(QPalette::Base));

    const Layout layout = ComputeLayout(size(), m_alignment, m_icon.isNull() ? QSize() : IconSize(), edge);
    if (!m_icon.isNull())
        m_icon.paint(&painter, layout.icon);

    Qt::Alignment align = Qt::AlignLeft;
    if (m_alignment == AlignCenter)
        align = Qt::AlignHCenter;
    else if (m_alignment == AlignRight)
        align = Qt::AlignRight;
    painter.setPen(pal.color(QPalette::Text));
    painter.setFont(FontForCellHeight(kFontFamily, kTitleHeight, true));
    DrawWrappedText(painter, layout.title, m_title, align);
    painter.setFont(FontForCellHeight(kFontFamily, kSubtitleHeight, false));
    DrawWrappedText(painter, layout.subtitle, m_subtitle, align);
}
