#pragma once
// CQVTrayIcon: the frame's icon in the notification area, tip "Quelvar". It
// flashes by stepping through the frames of the tray picture every 500 ms
// until stopped, and hides a window into the tray and brings it back at the
// place it had. The notification area itself sits behind ITrayArea, so tests
// can stand in for the desktop's tray. User-interface thread only.

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

// The desktop's notification area.
class ITrayArea
{
public:
    virtual ~ITrayArea() = default;
    // False on desktops without a tray: nothing may be hidden into it.
    virtual bool IsAvailable() const = 0;
    virtual void SetIcon(const QIcon &icon) = 0;
    virtual void SetToolTip(const QString &tip) = 0;
    virtual void SetVisible(bool visible) = 0;
    // Runs on a click on the icon.
    virtual void SetClickHandler(std::function<void()> handler) = 0;
};

// The real one, over QSystemTrayIcon.
std::unique_ptr<ITrayArea> MakeSystemTrayArea();

class CQVTrayIcon : public QObject
{
    Q_OBJECT

public:
    static constexpr int kAnimationMs = 500;

    // frames: the tray picture, cut into squares as high as it is.
    CQVTrayIcon(std::unique_ptr<ITrayArea> area, const QPixmap &frames, QObject *parent = nullptr);
    ~CQVTrayIcon() override;

    bool IsAvailable() const { return m_area->IsAvailable(); }
    void SetTip(const QString &tip);
    void ShowIcon(bool show);

    void StartAnimation();
    // Back to the normal frame.
    void StopAnimation();
    bool IsAnimating() const { return m_timer.isActive(); }
    int ShownFrame() const { return m_shown; }
    int FrameCount() const { return int(m_frames.size()); }

    // Hides the window, keeping where it was; it has no taskbar entry while hidden.
    void HideWindow(QWidget *window);
    // Shows it again where it was, in front, and active unless the agent's
    // typing is to stay where it is.
    void RestoreWindow(QWidget *window, bool activate = true);
    bool IsInTray(QWidget *window) const;

signals:
    void Clicked();

private:
    void ShowFrame(int index);

    std::unique_ptr<ITrayArea> m_area;
    std::vector<QIcon> m_frames;
    int m_shown = 0;
    QTimer m_timer;
    QHash<QWidget *, QByteArray> m_placements;
};
