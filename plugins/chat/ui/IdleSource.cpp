#include "plugins/chat/ui/IdleSource.h"

#include "plugins/chat/ChatLog.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>

CInputIdleSource::CInputIdleSource(QObject *parent) : QObject(parent)
{
    m_sinceInput.start();
    if (QCoreApplication *app = QCoreApplication::instance())
        app->installEventFilter(this);
}

std::int64_t CInputIdleSource::IdleMilliseconds()
{
    return m_sinceInput.elapsed();
}

bool CInputIdleSource::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        m_sinceInput.start();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// Xlib defines names that Qt uses (KeyPress, None): included after the Qt code.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

// Its own connection to the display, so nothing depends on Qt's.
class CX11IdleSource : public IIdleSource
{
public:
    explicit CX11IdleSource(Display *display) : m_display(display), m_info(XScreenSaverAllocInfo()) {}
    ~CX11IdleSource() override
    {
        XFree(m_info);
        XCloseDisplay(m_display);
    }
    std::int64_t IdleMilliseconds() override
    {
        if (!m_info || !XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), m_info))
            return 0;
        return std::int64_t(m_info->idle);
    }

private:
    Display *m_display;
    XScreenSaverInfo *m_info;
};

} // namespace

std::unique_ptr<IIdleSource> CreateSystemIdleSource()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (Display *display = XOpenDisplay(nullptr)) {
            int eventBase = 0;
            int errorBase = 0;
            if (XScreenSaverQueryExtension(display, &eventBase, &errorBase))
                return std::make_unique<CX11IdleSource>(display);
            XCloseDisplay(display);
        }
        qCInfo(lcChat) << "no X screen-saver extension: idle time from the program's own input";
    }
    return std::make_unique<CInputIdleSource>();
}
