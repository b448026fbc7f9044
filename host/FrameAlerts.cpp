#include "host/FrameAlerts.h"

#include "bus/Manager.h"
#include "bus/Payloads.h"
#include "host/HostLog.h"
#include "host/MinTrayNoticeDlg.h"
#include "host/QVAlertWnd.h"
#include "host/QVTrayIcon.h"
#include "host/widgets/HostResources.h"
#include "shared/QuietWindow.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>

using namespace QVPlugin;

namespace {

const QString kMinimizeToTray = QStringLiteral("ui.minimizeToTray");
const QString kConfirmation = QStringLiteral("ui.minimizeToTray.confirmation");

} // namespace

CFrameAlerts::CFrameAlerts(QWidget *frame, CManager *bus, const QString &programDir,
    std::unique_ptr<ITrayArea> trayArea, CAlertPolicy::Clock clock)
    : m_frame(frame),
      m_bus(bus),
      m_programDir(programDir),
      m_policy([bus](const QString &key, const QVariant &value) { return bus->GetSetting(key, value); },
          std::move(clock))
{
    m_tray = std::make_unique<CQVTrayIcon>(std::move(trayArea), QPixmap(HostResource("BITMAP", 330)));
    m_tray->SetTip(QStringLiteral("Quelvar"));
    m_tray->ShowIcon(true);
    connect(m_tray.get(), &CQVTrayIcon::Clicked, this, &CFrameAlerts::RestoreFrame);
    m_notice = [](QWidget *parent) {
        CMinTrayNoticeDlg notice(parent);
        return notice.exec() == QDialog::Accepted && notice.DoNotShowAgain();
    };
}

CFrameAlerts::~CFrameAlerts()
{
    for (const QPointer<CQVAlertWnd> &popup : m_popups)
        delete popup.data();
}

void CFrameAlerts::SetSoundPlayer(std::function<void(const QString &)> player)
{
    m_player = std::move(player);
}

void CFrameAlerts::SetNoticeRunner(std::function<bool(QWidget *)> runner)
{
    m_notice = std::move(runner);
}

void CFrameAlerts::OnAlert(const AlertInfo &alert)
{
    const AlertActions actions = m_policy.Decide(alert, {m_frame->isActiveWindow(), m_frame->isVisible()});
    if (!actions.Any())
        return;
    qCInfo(lcHost) << "alert of kind" << alert.kind;
    if (actions.bring == AlertActions::Restore) {
        if (IsFrameInTray()) {
            m_tray->StopAnimation();
            m_tray->RestoreWindow(m_frame, false);
        } else if (m_frame->isMinimized()) {
            QuietWindow::Show(m_frame);
        }
    }
    // In front of the other windows, but not of the program's window the
    // agent works in: that one keeps the keys and the pointer. Before the
    // popup, which must stay above the frame even where the window manager
    // does not keep it on top.
    const QWidget *working = QApplication::activeWindow();
    if (actions.bring != AlertActions::NoBring && (!working || working == m_frame))
        m_frame->raise();
    if (actions.showWindow) {
        std::erase_if(m_popups, [](const QPointer<CQVAlertWnd> &popup) { return popup.isNull(); });
        QList<QRect> taken;
        for (const QPointer<CQVAlertWnd> &popup : m_popups) {
            if (popup->isVisible())
                taken << popup->Place();
        }
        m_popups.emplace_back(new CQVAlertWnd(actions.caption, actions.body));
        m_popups.back()->Popup(m_frame->screen(), CQVAlertWnd::kCloseAfterMs, taken);
    }
    if (!actions.sound.isEmpty())
        PlaySound(actions.sound);
    if (actions.flashWindow)
        QApplication::alert(m_frame);
    if (actions.flashTray)
        m_tray->StartAnimation();
}

void CFrameAlerts::PlaySound(const QString &file)
{
    // A name without a folder is one of the program's own sounds.
    const QString path = QDir(m_programDir).absoluteFilePath(file);
    if (m_player) {
        m_player(path);
        return;
    }
    if (!QFileInfo::exists(path)) {
        qCInfo(lcHost) << "no sound file" << path;
        return;
    }
    if (!m_sound)
        m_sound = std::make_unique<QSoundEffect>();
    m_sound->stop();
    m_sound->setSource(QUrl::fromLocalFile(path));
    m_sound->play();
}

void CFrameAlerts::SetTrayFlashing(bool on)
{
    if (on)
        m_tray->StartAnimation();
    else
        m_tray->StopAnimation();
}

bool CFrameAlerts::OnUserMinimizeOrClose()
{
    if (IsFrameInTray())
        return true;
    // Without a tray the frame could never be brought back.
    if (m_hiding || !m_tray->IsAvailable() || !m_bus->GetSetting(kMinimizeToTray, false).toBool())
        return m_hiding;
    m_hiding = true;
    QMetaObject::invokeMethod(this, &CFrameAlerts::HideIntoTray, Qt::QueuedConnection);
    return true;
}

void CFrameAlerts::HideIntoTray()
{
    if (m_bus->GetSetting(kConfirmation, true).toBool()) {
        // A minimised frame cannot carry the notice: it stands alone then.
        const bool doNotShowAgain = m_notice(m_frame->isMinimized() ? nullptr : m_frame);
        m_bus->SetSetting(kConfirmation, !doNotShowAgain);
    }
    m_tray->HideWindow(m_frame);
    m_hiding = false;
}

bool CFrameAlerts::IsFrameInTray() const
{
    return m_tray->IsInTray(m_frame);
}

void CFrameAlerts::RestoreFrame()
{
    m_tray->StopAnimation();
    if (m_frame->isHidden()) {
        m_tray->RestoreWindow(m_frame);
        return;
    }
    if (m_frame->isMinimized())
        m_frame->showNormal();
    m_frame->raise();
    m_frame->activateWindow();
}
