#pragma once
// CMainFrame: the program's main window. It owns the message bus and its
// built-in plug-ins, shows the menu bar and accelerators that the
// user-interface plug-in keeps, the outlook bar whose pages are modes, the
// client view that holds the plug-ins' views and the status bar with the
// presence pane; it routes every command (CCommandRouter), runs the flows of
// signing in and out around the sign-in dialogs, and asks the plug-ins
// before it closes.
//
// The decisions live in CUIPlugin, CMenuModel and CCommandRouter; this class
// builds widgets from their results. User-interface thread only.

#include "bus/Commands.h"
#include "bus/Payloads.h"
#include "host/UIFrame.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <vector>

class CChildView;
class CCommandBars;
class CFrameAlerts;
class ITrayArea;
class CCommandRouter;
class CQVOutlookBar;
class CUIPlugin;
class CWorkspaceStore;
class ISignInDialogs;
class QLabel;
class QMenu;
class QShortcut;

namespace QVPlugin {
class CManager;
class IPlugin;
} // namespace QVPlugin

class CMainFrame : public QMainWindow, private IUIFrame
{
    Q_OBJECT

public:
    struct Options
    {
        // Where the plug-in libraries are loaded from; empty = the program's folder.
        QString programDir;
        // The settings file; empty = the user's.
        QString settingsFile;
        // The built-in update check, registered after the plug-in libraries.
        std::function<QVPlugin::IPlugin *()> makeUpdateCheck;
        // The notification area; empty = the desktop's.
        std::function<std::unique_ptr<ITrayArea>()> makeTrayArea;
    };

    explicit CMainFrame(Options options = Options());
    ~CMainFrame() override;

    // Builds the window, the bus and its plug-ins and applies the skin
    // setting. False when a step fails; the frame is then unusable.
    bool Create();
    // Once created: restores the saved layout, activates the mode of the
    // active outlook-bar page and shows the agent as signed out.
    void LoadFrame();

    // Takes ownership. Without dialogs, signing in only logs.
    void SetSignInDialogs(std::unique_ptr<ISignInDialogs> dialogs);

    // Runs a command as its menu item would: only when it is enabled. True
    // when something ran it.
    bool RunCommand(unsigned id);
    // Runs it on the next turn of the event loop.
    void PostCommand(unsigned id);
    // The state a menu item of the command shows now.
    QVPlugin::CommandUpdate CommandState(unsigned id) const;

    // Brings the frame forward for a later start of the program.
    void Activate();

    QVPlugin::CManager *Bus() const { return m_bus.get(); }
    CUIPlugin *UIPlugin() const { return m_ui; }
    CQVOutlookBar *OutlookBar() const { return m_bar; }
    // The agent's menu bar and toolbars.
    CCommandBars *CommandBars() const { return m_commandBars; }
    // Alerts, sounds and the tray icon; null before Create.
    CFrameAlerts *Alerts() const { return m_alerts.get(); }
    QWidget *ClientView() const;
    // A PresenceState value; Offline while signed out.
    int ConnectionState() const { return m_state; }
    QVPlugin::LoginInfo &Login() { return m_login; }

signals:
    // The frame closed for good: the program ends.
    void Closed();
    // A plug-in's alert, for the alert window, sounds and flashing.
    void AlertRequested(const QVPlugin::AlertInfo &alert);
    // Start or stop flashing the tray icon; stopped whenever the frame
    // becomes the active window.
    void TrayFlashingRequested(bool on);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // A useful size centred on the screen, when no placement was saved.
    void PlaceOnFirstStart();
    // IUIFrame
    QWidget *ViewParent() override;
    QWidget *BarParent() override;
    QWidget *Window() override { return this; }
    bool AddBarPage(QWidget *window, const QString &title, const QIcon &icon, const QIcon &smallIcon) override;
    void RemoveBarPage(QWidget *window) override;
    void SetMenu(const QVPlugin::MenuSpec &menu) override;
    void SetAccelerators(const QVPlugin::AcceleratorTable &table) override;
    void SaveWorkspace(const QString &section) override;
    void LoadWorkspace(const QString &section) override;
    void SetRedraw(bool on) override;
    void Alert(const QVPlugin::AlertInfo &alert) override;
    void SetFlashing(bool on) override;
    void SetConnectionState(int state) override;
    void PostConnectionLost(bool retryAllowed) override;

    void AddCommandHandlers();
    void FillMenu(QMenu *menu, const std::vector<QVPlugin::MenuSpec> &items);
    // A command item at the end of a menu or the menu bar; it runs as RunCommand.
    QAction *AddCommandItem(QWidget *menu, const QVPlugin::MenuSpec &item);
    void UpdateMenu(QMenu *menu);
    bool OnPageChanging(int index);
    void OnPageChanged(int index);
    void ShowPresence(int state);
    void SignIn();
    int SignInStep();
    void SignOut();
    void OnConnectionLost(bool retryAllowed);
    void SignedOut();
    // File, Exit and a cancelled sign-in: a close that nothing turns into
    // hiding in the tray.
    void Exit();
    // The chat service's page by its redirect name; empty = the home page.
    void OpenServicePage(const QString &page);

    Options m_options;
    std::unique_ptr<CWorkspaceStore> m_workspace;
    std::unique_ptr<CCommandRouter> m_router;
    std::unique_ptr<ISignInDialogs> m_dialogs;
    CChildView *m_view = nullptr;
    CQVOutlookBar *m_bar = nullptr;
    CCommandBars *m_commandBars = nullptr;
    QLabel *m_presence = nullptr;
    std::vector<QObject *> m_menuItems; // the menu bar's popups and commands
    std::vector<QShortcut *> m_shortcuts;
    std::unique_ptr<QVPlugin::CManager> m_bus;
    CUIPlugin *m_ui = nullptr; // owned by the bus
    QVPlugin::LoginInfo m_login;
    int m_state = QVPlugin::PresenceOffline;
    // One automatic sign-in after a lost connection, until the next sign-out.
    int m_retries = 0;
    bool m_closing = false;
    std::unique_ptr<CFrameAlerts> m_alerts;
};
