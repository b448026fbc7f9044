#include "host/QVAlertWnd.h"

#include "host/widgets/HostResources.h"
#include "shared/OneLine.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 280;
constexpr int kMinHeight = 90;
constexpr int kMargin = 8; // from the work area's edges
constexpr int kIconSize = 32;

} // namespace

CQVAlertWnd::CQVAlertWnd(const QString &caption, const QString &body)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("CQVAlertWnd"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    // An alert closing while the frame sits in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowOpacity(kOpacity);
    setCursor(Qt::PointingHandCursor);

    auto *icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(kIconSize, kIconSize));
    icon->setAlignment(Qt::AlignTop);

    m_caption = new QLabel(OneLine(caption), this);
    m_caption->setObjectName(QStringLiteral("c1007"));
    m_caption->setTextFormat(Qt::PlainText);
    QFont bold = m_caption->font();
    bold.setBold(true);
    m_caption->setFont(bold);

    // Looks like a link; a click anywhere closes the alert.
    m_body = new QLabel(OneLine(body), this);
    m_body->setObjectName(QStringLiteral("c1011"));
    m_body->setTextFormat(Qt::PlainText);
    m_body->setWordWrap(true);
    m_body->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont underlined = m_body->font();
    underlined.setUnderline(true);
    m_body->setFont(underlined);
    QPalette link = m_body->palette();
    link.setColor(QPalette::WindowText, link.color(QPalette::Link));
    m_body->setPalette(link);

    auto *texts = new QVBoxLayout;
    texts->addWidget(m_caption);
    texts->addWidget(m_body, 1);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);

    setFixedWidth(kWidth);
    setFixedHeight(std::max(kMinHeight, layout->heightForWidth(kWidth)));
}

void CQVAlertWnd::Popup(QScreen *screen, int closeAfterMs, const QList<QRect> &taken)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    QRect place(area.right() - kMargin - width() + 1, area.bottom() - kMargin - height() + 1, width(), height());
    // The lowest free place in the column above the corner; a full column
    // starts again at the corner.
    for (bool moved = true; moved;) {
        moved = false;
        for (const QRect &other : taken) {
            if (other.intersects(place)) {
                place.moveBottom(other.top() - kMargin);
                moved = true;
            }
        }
    }
    if (place.top() < area.top())
        place.moveBottom(area.bottom() - kMargin);
    m_place = place;
    const QPoint end = place.topLeft();
    const QPoint start(end.x(), area.bottom() + 1);

    move(start);
    show();
    m_slide = new QPropertyAnimation(this, "pos", this);
    m_slide->setDuration(kSlideMs);
    m_slide->setStartValue(start);
    m_slide->setEndValue(end);
    m_slide->setEasingCurve(QEasingCurve::OutCubic);
    m_slide->start();
    QTimer::singleShot(closeAfterMs, this, &QWidget::close);
}

bool CQVAlertWnd::IsSliding() const
{
    return m_slide && m_slide->state() == QAbstractAnimation::Running;
}

void CQVAlertWnd::mousePressEvent(QMouseEvent *)
{
    close();
}

void CQVAlertWnd::paintEvent(QPaintEvent *)
{
    // The application's palette is the visual manager's: the popup matches
    // the frame's colours.
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    QLinearGradient fill(frame.topLeft(), frame.bottomLeft());
    fill.setColorAt(0, palette().color(QPalette::Base));
    fill.setColorAt(1, palette().color(QPalette::Window));
    painter.fillRect(frame, fill);
    painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 3), palette().color(QPalette::Highlight));
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(frame);
}
