#include "host/widgets/SplashWnd.h"

#include "host/widgets/HostResources.h"
#include "host/HostLog.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace {
bool s_enabled = false;
QPointer<CSplashWnd> s_current;
} // namespace

void CSplashWnd::EnableSplashScreen(bool enable)
{
    s_enabled = enable;
}

void CSplashWnd::ShowSplashScreen(QWidget *frame)
{
    if (!s_enabled || s_current)
        return;
    const QPixmap picture(HostResource("BITMAP", 318));
    if (picture.isNull()) {
        qCWarning(lcHost) << "The splash picture is missing";
        return;
    }
    s_current = new CSplashWnd(frame, picture);
    s_current->show();
}

void CSplashWnd::HideSplashScreen()
{
    if (s_current)
        s_current->HideAndDelete();
}

CSplashWnd *CSplashWnd::Current()
{
    return s_current;
}

CSplashWnd::CSplashWnd(QWidget *frame, const QPixmap &picture)
    : QWidget(frame, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_picture(picture)
    , m_frame(frame)
{
    setObjectName(QStringLiteral("SplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_picture.deviceIndependentSize().toSize());

    QScreen *screen = frame && frame->screen() ? frame->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect area(QPoint(0, 0), size());
        area.moveCenter(screen->geometry().center());
        move(area.topLeft());
    }

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("SplashTimer"));
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &CSplashWnd::HideAndDelete);
    m_timer->start(kShowMs);
}

void CSplashWnd::HideAndDelete()
{
    m_timer->stop();
    if (s_current == this)
        s_current = nullptr;
    close();
    if (m_frame)
        m_frame->update();
}

void CSplashWnd::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}
