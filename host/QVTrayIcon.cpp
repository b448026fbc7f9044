#include "host/QVTrayIcon.h"

#include "shared/OneLine.h"
#include "shared/QuietWindow.h"

#include <QSystemTrayIcon>
#include <QWidget>

namespace {

class CSystemTrayArea final : public ITrayArea
{
public:
    bool IsAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }
    void SetIcon(const QIcon &icon) override { m_icon.setIcon(icon); }
    void SetToolTip(const QString &tip) override { m_icon.setToolTip(tip); }
    void SetVisible(bool visible) override { m_icon.setVisible(visible); }
    void SetClickHandler(std::function<void()> handler) override
    {
        QObject::disconnect(&m_icon, &QSystemTrayIcon::activated, nullptr, nullptr);
        QObject::connect(&m_icon, &QSystemTrayIcon::activated, [handler](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                handler();
        });
    }

private:
    QSystemTrayIcon m_icon;
};

} // namespace

std::unique_ptr<ITrayArea> MakeSystemTrayArea()
{
    return std::make_unique<CSystemTrayArea>();
}

CQVTrayIcon::CQVTrayIcon(std::unique_ptr<ITrayArea> area, const QPixmap &frames, QObject *parent)
    : QObject(parent), m_area(std::move(area))
{
    const int side = frames.height();
    for (int x = 0; side > 0 && x + side <= frames.width(); x += side)
        m_frames.emplace_back(frames.copy(x, 0, side, side));
    if (m_frames.empty())
        m_frames.emplace_back(frames);
    m_timer.setInterval(kAnimationMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { ShowFrame((m_shown + 1) % FrameCount()); });
    m_area->SetClickHandler([this] { emit Clicked(); });
    m_area->SetIcon(m_frames[0]);
}

CQVTrayIcon::~CQVTrayIcon()
{
    m_area->SetVisible(false);
}

void CQVTrayIcon::SetTip(const QString &tip)
{
    // The notification area takes at most 128 characters.
    m_area->SetToolTip(OneLine(tip).left(127));
}

void CQVTrayIcon::ShowIcon(bool show)
{
    m_area->SetVisible(show);
}

void CQVTrayIcon::ShowFrame(int index)
{
    m_shown = index;
    m_area->SetIcon(m_frames[size_t(index)]);
}

void CQVTrayIcon::StartAnimation()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void CQVTrayIcon::StopAnimation()
{
    m_timer.stop();
    if (m_shown != 0)
        ShowFrame(0);
}

void CQVTrayIcon::HideWindow(QWidget *window)
{
    m_placements.insert(window, window->saveGeometry());
    // Shown again, it comes back as it was before it was minimised.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->hide();
}

void CQVTrayIcon::RestoreWindow(QWidget *window, bool activate)
{
    const QByteArray placement = m_placements.take(window);
    if (!placement.isEmpty())
        window->restoreGeometry(placement);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    if (!activate) {
        QuietWindow::Show(window);
        return;
    }
    QuietWindow::FollowAttribute(window);
    window->show();
    window->raise();
    window->activateWindow();
}

bool CQVTrayIcon::IsInTray(QWidget *window) const
{
    return m_placements.contains(window) && window->isHidden();
}
