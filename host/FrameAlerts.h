#pragma once
// CFrameAlerts: carries out what the main frame does for the agent's
// attention - plug-ins' alerts (popup, sound, bringing the frame forward,
// flashing the frame and the tray icon, as CAlertPolicy decides), the tray
// icon with its flashing, and hiding the frame into the tray when the agent
// minimises or closes it with "ui.minimizeToTray" on. Sounds play through
// QSoundEffect, never blocking and silent without an audio device.
//
// Owned by the frame; user-interface thread only.

#include "host/AlertPolicy.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class CQVAlertWnd;
class CQVTrayIcon;
class ITrayArea;
class QSoundEffect;
class QWidget;

namespace QVPlugin {
class CManager;
}

class CFrameAlerts : public QObject
{
    Q_OBJECT

public:
    // frame and bus: not owned; they outlive this. programDir: where sound
    // files named without a folder are found.
    CFrameAlerts(QWidget *frame, QVPlugin::CManager *bus, const QString &programDir,
        std::unique_ptr<ITrayArea> trayArea, CAlertPolicy::Clock clock = CAlertPolicy::SteadyClock());
    ~CFrameAlerts() override;

    // Plays a sound file (an absolute path); replaces QSoundEffect for tests.
    void SetSoundPlayer(std::function<void(const QString &path)> player);
    // Runs the minimise-to-tray notice; true when the agent asked not to see
    // it again. Replaces the dialog for tests.
    void SetNoticeRunner(std::function<bool(QWidget *parent)> runner);

    CQVTrayIcon *Tray() const { return m_tray.get(); }

    void OnAlert(const QVPlugin::AlertInfo &alert);
    void SetTrayFlashing(bool on);
    // At each sign-in: earlier alerts no longer hold back new ones.
    void ResetClocks() { m_policy.Reset(); }

    // The agent minimised or closed the frame: true when the frame goes into
    // the tray instead (on the next turn of the event loop, after the notice).
    bool OnUserMinimizeOrClose();
    bool IsFrameInTray() const;
    void RestoreFrame();

private:
    void HideIntoTray();
    void PlaySound(const QString &file);

    QWidget *m_frame;
    QVPlugin::CManager *m_bus;
    QString m_programDir;
    CAlertPolicy m_policy;
    std::unique_ptr<CQVTrayIcon> m_tray;
    std::function<void(const QString &)> m_player;
    std::function<bool(QWidget *)> m_notice;
    std::unique_ptr<QSoundEffect> m_sound;
    // Open alerts; each deletes itself when it closes.
    std::vector<QPointer<CQVAlertWnd>> m_popups;
    bool m_hiding = false;
};
