#include "host/MainFrame.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "host/ChildView.h"
#include "host/CommandRouter.h"
#include "host/FrameAlerts.h"
#include "host/FrameDefaults.h"
#include "host/HostLog.h"
#include "host/MenuMnemonics.h"
#include "host/OutlookBar.h"
#include "host/QVTrayIcon.h"
#include "host/ServiceLinks.h"
#include "host/SettingsDlg.h"
#include "host/SignInDialogs.h"
#include "host/UIPlugin.h"
#include "host/WorkspaceStore.h"
#include "host/widgets/AboutDlg.h"
#include "host/widgets/HostResources.h"
#include "host/widgets/SplashWnd.h"
#include "skins/QVVisualManager.h"
#include "shared/AltLetters.h"
#include "shared/CommandBars.h"
#include "shared/CustomizeDialog.h"
#include "shared/DialogIcons.h"
#include "skins/QVSkinManager.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>

#include <set>

using namespace QVPlugin;

namespace {

constexpr int kMinimumWidth = 640;
constexpr int kMinimumHeight = 440;
constexpr int kBarWidth = 250;
// The first start's size, before any saved placement (and never beyond the
// screen): beside the bar, a visitor's chat and every tab of the visitor's
// details show at once.
constexpr int kFirstWidth = 1280;
constexpr int kFirstHeight = 800;
const QString kWorkspaceSection = QStringLiteral("Workspace");
const QString kCommandBarsKey = QStringLiteral("CommandBars");

// Restores the arrow cursor however Create ends.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

CMainFrame::CMainFrame(Options options)
    : m_options(std::move(options)), m_workspace(std::make_unique<CWorkspaceStore>(m_options.settingsFile))
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(QStringLiteral("Quelvar"));
    setWindowIcon(AppIcon());
    // Dialogs of the host and the plug-ins take their icons from here.
    MarkMainWindow(this);
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    m_router = std::make_unique<CCommandRouter>(
        this, [this](unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info) {
            return m_ui && m_ui->RouteCommand(id, code, update, info);
        });
    new CMenuMnemonics(menuBar());
    qApp->installEventFilter(new CAltLettersAreNoText(this));
    m_commandBars = new CCommandBars(this, [this](unsigned id) {
        auto *action = new QAction(this);
        SetCommandId(action, id);
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        return action;
    });
    m_commandBars->SetBasicCommands(
        {CmdAppExit, CmdEditCut, CmdEditPaste, CmdEditUndo, CmdAppAbout, CmdViewStatusBar, CmdViewToolBar});
    auto *customize = new QAction(tr("Customize..."), this);
    connect(customize, &QAction::triggered, this, [this] { RunCommand(CmdCustomize); });
    m_commandBars->SetCustomizeAction(customize);
    AddCommandHandlers();
}

CMainFrame::~CMainFrame()
{
    m_closing = true;
    if (m_bus) {
        m_bus->SendMessage(nullptr, MSG_LOGOUT, nullptr, nullptr);
        // The plug-ins take their windows out of the frame while it still stands.
        m_bus->Shutdown();
        m_ui = nullptr;
        m_bus.reset();
    }
}

bool CMainFrame::Create()
{
    CSplashWnd::ShowSplashScreen(this);
    WaitCursor wait;
    // The application's look; it falls back to plain Fusion by itself when
    // the style cannot be read or the screen has too few colours.
    CQVVisualManager::SetDefaultManager();

    m_view = new CChildView(this);
    setCentralWidget(m_view);
    m_presence = new QLabel(this);
    m_presence->setObjectName(QStringLiteral("PresencePane"));
    m_presence->setTextFormat(Qt::PlainText);
    m_presence->setMinimumWidth(120);
    statusBar()->addPermanentWidget(m_presence);

    m_bar = new CQVOutlookBar(this);
    addDockWidget(Qt::LeftDockWidgetArea, m_bar);
    resizeDocks({m_bar}, {kBarWidth}, Qt::Horizontal);
    m_bar->SetChangeGuard([this](int index) { return OnPageChanging(index); });
    connect(m_bar, &CQVOutlookBar::ActivePageChanged, this, &CMainFrame::OnPageChanged);

    m_bus = std::make_unique<CManager>(m_options.programDir);
    if (!m_bus->AddPlugin(new CRegSettingsStoragePlugin(m_options.settingsFile), PLUGIN_ORDER_SETTINGS_STORAGE)) {
        qCWarning(lcHost) << "the settings storage did not start";
        return false;
    }
    auto *ui = new CUIPlugin(this);
    if (!m_bus->AddPlugin(ui, PLUGIN_ORDER_UI)) {
        qCWarning(lcHost) << "the user-interface plug-in did not start";
        return false;
    }
    m_ui = ui;
    m_bus->LoadPluginLibraries();
    if (m_options.makeUpdateCheck) {
        if (IPlugin *updateCheck = m_options.makeUpdateCheck())
            m_bus->AddPlugin(updateCheck, PLUGIN_ORDER_UPGRADE);
    }

    m_bar->SetAnimated(m_bus->GetSetting(QStringLiteral("OutlookAnimation"), 1).toInt() != 0);
    const QString skin = m_bus->GetSetting(QStringLiteral("ui.skin"), QStringLiteral("standard")).toString();
    if (!CQVSkinManager::SetCurrentSkin(skin))
        qCInfo(lcHost) << "no skin named" << skin;

    const QString programDir =
        m_options.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_options.programDir;
    m_commandBars->LoadUserImages(programDir);
    m_alerts = std::make_unique<CFrameAlerts>(
        this, m_bus.get(), programDir, m_options.makeTrayArea ? m_options.makeTrayArea() : MakeSystemTrayArea());
    connect(this, &CMainFrame::AlertRequested, m_alerts.get(), &CFrameAlerts::OnAlert);
    connect(this, &CMainFrame::TrayFlashingRequested, m_alerts.get(), &CFrameAlerts::SetTrayFlashing);
    return true;
}

void CMainFrame::LoadFrame()
{
    if (!m_ui)
        return;
    if (!restoreGeometry(m_workspace->Geometry(kWorkspaceSection)))
        PlaceOnFirstStart();
    restoreState(m_workspace->State(kWorkspaceSection));

    // Page 1 and back, so that the first page's mode is activated by the
    // same notifications as a click would send.
    if (m_bar->ActivePage() == 0 && m_bar->PageCount() > 1) {
        m_bar->SetActivePage(1);
        m_bar->SetActivePage(0);
    }
    const int mode = ModeIdOf(m_bar->PageWindow(m_bar->ActivePage()));
    if (m_bar->ActivePage() >= 0 && mode != m_ui->CurrentMode())
        m_ui->ActivateMode(mode);

    // Once the first mode's menus are in, the commands on the agent's bars are known.
    m_commandBars->RestoreState(m_workspace->Value(kWorkspaceSection, kCommandBarsKey));
    connect(m_commandBars, &CCommandBars::Changed, this, [this] {
        m_workspace->SaveValue(kWorkspaceSection, kCommandBarsKey, m_commandBars->SaveState());
    });

    m_state = PresenceOffline;
    QMetaObject::invokeMethod(this, [this] { ShowPresence(PresenceOffline); }, Qt::QueuedConnection);
}

void CMainFrame::PlaceOnFirstStart()
{
    const QScreen *s = screen();
    const QRect available = s ? s->availableGeometry() : QRect(0, 0, kFirstWidth, kFirstHeight);
    resize(QSize(kFirstWidth, kFirstHeight).boundedTo(available.size()).expandedTo(minimumSize()));
    move(available.center() - rect().center());
}

void CMainFrame::SetSignInDialogs(std::unique_ptr<ISignInDialogs> dialogs)
{
    m_dialogs = std::move(dialogs);
}

QWidget *CMainFrame::ClientView() const
{
    return m_view;
}

// ---- commands -----------------------------------------------------------------

void CMainFrame::AddCommandHandlers()
{
    CCommandRouter &r = *m_router;
    r.SetHandler(CmdSignIn, [this] { SignIn(); },
                 [this](CommandUpdate &u) { u.Enable(m_state == PresenceOffline); });
    r.SetHandler(CmdSignOut, [this] { SignOut(); },
                 [this](CommandUpdate &u) { u.Enable(m_state != PresenceOffline); });
    r.SetHandler(CmdChangePassword, [this] {
        if (m_dialogs)
            m_dialogs->RunChangePassword(this);
    });
    r.SetHandler(CmdSettings, [this] { CSettingsDlg(m_bus.get(), this).exec(); });
    r.SetHandler(CmdAppExit, [this] { Exit(); });
    r.SetHandler(CmdAppAbout, [this] { CAboutDlg(this).exec(); });
    r.SetHandler(CmdViewStatusBar, [this] { statusBar()->setVisible(statusBar()->isHidden()); },
                 [this](CommandUpdate &u) {
                     u.Enable();
                     u.SetCheck(!statusBar()->isHidden());
                 });
    r.SetHandler(CmdCustomize, [this] { CCustomizeDialog(m_commandBars, this).exec(); });
    r.SetHandler(CmdHomePage, [this] { OpenServicePage(QString()); });
    const std::pair<unsigned, const char *> pages[] = {
        {CmdManageAccount, "account"},
        {CmdGettingStarted, "gettingstarted"},
        {CmdTechnicalSupport, "support"},
        {CmdFaq, "faq"},
    };
    for (const auto &[id, page] : pages) {
        const QString name = QString::fromLatin1(page);
        r.SetHandler(id, [this, name] { OpenServicePage(name); });
    }
    r.SetHandler(CmdNoAction, [] {});
    r.SetHandler(CmdNoAction2, [] {});
}

bool CMainFrame::RunCommand(unsigned id)
{
    return m_router->Execute(id, QApplication::focusWidget());
}

void CMainFrame::PostCommand(unsigned id)
{
    QMetaObject::invokeMethod(this, [this, id] { RunCommand(id); }, Qt::QueuedConnection);
}

CommandUpdate CMainFrame::CommandState(unsigned id) const
{
    return m_router->Update(id, QApplication::focusWidget());
}

void CMainFrame::OpenServicePage(const QString &page)
{
    QString server = m_bus->GetSetting(QStringLiteral("server.address"), QString()).toString();
    if (server.trimmed().isEmpty())
        server = DefaultServerAddress();
    const QUrl url = page.isEmpty() ? ServiceHomeUrl(server) : ServiceRedirectUrl(server, page);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

// ---- menus and accelerators ---------------------------------------------------

void CMainFrame::SetMenu(const MenuSpec &menu)
{
    QMenuBar *bar = menuBar();
    bar->clear();
    // The menu bar may be rebuilt from one of its own commands.
    for (QObject *old : m_menuItems)
        old->deleteLater();
    m_menuItems.clear();

    for (const MenuSpec &item : menu.children) {
        if (item.separator) {
            bar->addSeparator();
        } else if (item.IsPopup()) {
            QMenu *popup = bar->addMenu(item.text);
            m_menuItems.push_back(popup);
            FillMenu(popup, item.children);
        } else {
            m_menuItems.push_back(AddCommandItem(bar, item));
        }
    }
    m_commandBars->ApplyMenuBar();
}

QAction *CMainFrame::AddCommandItem(QWidget *menu, const MenuSpec &item)
{
    auto *action = new QAction(item.text, menu);
    SetCommandId(action, item.id);
    connect(action, &QAction::triggered, this, [this, id = item.id] { RunCommand(id); });
    menu->addAction(action);
    return action;
}

void CMainFrame::FillMenu(QMenu *menu, const std::vector<MenuSpec> &items)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        UpdateMenu(menu);
        m_commandBars->PrepareMenu(menu);
    });
    for (const MenuSpec &item : items) {
        if (item.separator) {
            menu->addSeparator();
        } else if (item.IsPopup()) {
            FillMenu(menu->addMenu(item.text), item.children);
        } else {
            AddCommandItem(menu, item);
        }
    }
}

void CMainFrame::UpdateMenu(QMenu *menu)
{
    for (QAction *action : menu->actions()) {
        if (const unsigned id = CommandIdOf(action))
            CommandState(id).ApplyTo(action);
    }
}

void CMainFrame::SetAccelerators(const AcceleratorTable &table)
{
    // An accelerator's own command may change the table.
    for (QShortcut *shortcut : m_shortcuts) {
        shortcut->setEnabled(false);
        shortcut->deleteLater();
    }
    m_shortcuts.clear();

    // A key bound twice runs the command of its first entry.
    std::set<QKeySequence> seen;
    for (const AcceleratorEntry &entry : table) {
        if (entry.key.isEmpty() || !seen.insert(entry.key).second)
            continue;
        auto *shortcut = new QShortcut(entry.key, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, id = entry.id] {
            if (!isMinimized())
                RunCommand(id);
        });
        m_shortcuts.push_back(shortcut);
    }
}

// ---- pages, views and modes ---------------------------------------------------

QWidget *CMainFrame::ViewParent()
{
    return m_view;
}

QWidget *CMainFrame::BarParent()
{
    return m_bar;
}

bool CMainFrame::AddBarPage(QWidget *window, const QString &title, const QIcon &icon, const QIcon &smallIcon)
{
    return m_bar && m_bar->AddPage(window, title, icon.isNull() ? smallIcon : icon) >= 0;
}

void CMainFrame::RemoveBarPage(QWidget *window)
{
    if (m_bar)
        m_bar->RemovePage(window);
}

bool CMainFrame::OnPageChanging(int index)
{
    if (m_closing || !m_ui)
        return true;
    if (!m_bar->PageWindow(index))
        return false;
    return m_ui->DeactivateMode();
}

void CMainFrame::OnPageChanged(int index)
{
    QWidget *window = m_bar->PageWindow(index);
    if (m_closing || !m_ui || !window)
        return;
    const int mode = ModeIdOf(window);
    if (mode != m_ui->CurrentMode())
        m_ui->ActivateMode(mode);
}

void CMainFrame::SaveWorkspace(const QString &section)
{
    m_workspace->Save(section, saveState());
}

void CMainFrame::LoadWorkspace(const QString &section)
{
    const QByteArray state = m_workspace->State(section);
    if (!state.isEmpty())
        restoreState(state);
}

void CMainFrame::SetRedraw(bool on)
{
    setUpdatesEnabled(on);
    if (on)
        update();
}

// ---- alerts, presence and signing in ------------------------------------------

void CMainFrame::Alert(const AlertInfo &alert)
{
    emit AlertRequested(alert);
}

void CMainFrame::SetFlashing(bool on)
{
    emit TrayFlashingRequested(on);
}

void CMainFrame::SetConnectionState(int state)
{
    m_state = state;
    QMetaObject::invokeMethod(this, [this, state] { ShowPresence(state); }, Qt::QueuedConnection);
}

void CMainFrame::ShowPresence(int state)
{
    qCInfo(lcHost).noquote() << "presence" << PresenceText(state);
    if (m_presence)
        m_presence->setText(PresenceText(state));
    if (state != PresenceConnecting && m_dialogs)
        m_dialogs->CloseConnecting();
}

void CMainFrame::PostConnectionLost(bool retryAllowed)
{
    QMetaObject::invokeMethod(this, [this, retryAllowed] { OnConnectionLost(retryAllowed); }, Qt::QueuedConnection);
}

void CMainFrame::SignIn()
{
    CSplashWnd::HideSplashScreen();
    if (!m_dialogs) {
        qCInfo(lcHost) << "no sign-in dialogs in this build";
        return;
    }
    m_dialogs->CloseConnecting();
    if (!m_dialogs->RunLogin(this, m_login)) {
        QMetaObject::invokeMethod(this, &CMainFrame::Exit, Qt::QueuedConnection);
        return;
    }
    if (m_alerts)
        m_alerts->ResetClocks();
    SignInStep();
}

int CMainFrame::SignInStep()
{
    if (m_dialogs)
        m_dialogs->ShowConnecting(this);
    return m_bus->SendMessage(nullptr, MSG_LOGIN, &m_login, nullptr);
}

void CMainFrame::SignOut()
{
    m_bus->SendMessage(nullptr, MSG_LOGOUT, nullptr, nullptr);
    SignedOut();
}

void CMainFrame::OnConnectionLost(bool retryAllowed)
{
    if (retryAllowed && m_retries == 0) {
        m_retries = 1;
        if (SignInStep() >= 0)
            return;
    }
    SignedOut();
}

void CMainFrame::SignedOut()
{
    m_retries = 0;
    SetConnectionState(PresenceOffline);
    SignIn();
}

// ---- closing and activation ---------------------------------------------------

void CMainFrame::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        emit TrayFlashingRequested(false); // the agent has seen it
    // The program never minimises the frame itself: this is the agent.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_alerts
        && !(static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMinimized))
        m_alerts->OnUserMinimizeOrClose();
    QMainWindow::changeEvent(event);
}

void CMainFrame::Exit()
{
    close();
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    // Only the agent's close comes from the window system; a close the
    // program makes itself (File, Exit, a cancelled sign-in, the update
    // check) ends the program.
    if (event->spontaneous() && m_alerts && m_alerts->OnUserMinimizeOrClose()) {
        event->ignore();
        return;
    }
    if (m_ui && !m_ui->QueryClose()) {
        event->ignore();
        return;
    }
    m_workspace->Save(kWorkspaceSection, saveState(), saveGeometry());
    m_workspace->SaveValue(kWorkspaceSection, kCommandBarsKey, m_commandBars->SaveState());
    event->accept();
    emit Closed();
}

void CMainFrame::Activate()
{
    qCInfo(lcHost) << "a later start brought the frame forward";
    if (m_alerts && m_alerts->IsFrameInTray())
        m_alerts->RestoreFrame();
    if (isHidden())
        show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    // A dialog the agent left open comes first.
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}
