#include "host/QVAlertWnd.h"

#include "host/widgets/HostResources.h"
#include "shared/OneLine.h"

#include <QApplication>
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
// How often an alert that found the screen full looks for a place again.
constexpr int kWaitMs = 250;

} // namespace

std::optional<QRect> CQVAlertWnd::FreePlace(const QRect &area, const QSize &size, const QList<QRect> &taken)
{
    // Columns from the right edge leftwards; in each, the lowest place
    // above the corner that no open alert covers.
    for (int right = area.right() - kMargin; right - size.width() + 1 >= area.left();
         right -= size.width() + kMargin) {
        QRect place(right - size.width() + 1, area.bottom() - kMargin - size.height() + 1, size.width(),
                    size.height());
        for (bool moved = true; moved && place.top() >= area.top();) {
            moved = false;
            for (const QRect &other : taken) {
                if (other.intersects(place)) {
                    place.moveBottom(other.top() - kMargin);
                    moved = true;
                }
            }
        }
        if (place.top() >= area.top())
            return place;
    }
    return std::nullopt;
}

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
    m_screen = screen;
    m_closeAfterMs = closeAfterMs;
    // Every alert on screen takes its place, also one the caller did not list.
    QList<QRect> covered = taken;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        auto *other = qobject_cast<CQVAlertWnd *>(top);
        if (other && other != this && other->isVisible())
            covered << other->Place();
    }
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const std::optional<QRect> place = FreePlace(area, size(), covered);
    if (!place) {
        // No alert covers another: this one waits until one has closed.
        QTimer::singleShot(kWaitMs, this, [this] { Popup(m_screen, m_closeAfterMs); });
        return;
    }
    m_place = *place;
    const QPoint end = m_place.topLeft();
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
