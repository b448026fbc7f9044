#include "host/OstrelApp.h"

#include "host/FrameDefaults.h"
#include "host/HostLog.h"
#include "host/MainFrame.h"
#include "host/SignInDialogs.h"
#include "host/SingleInstance.h"
#include "host/UpdaterSwap.h"
#include "host/UpgradePlugin.h"
#include "host/widgets/SplashWnd.h"
#include "shared/Prompt.h"
#include "skins/QVSkinManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QThread>

namespace {

const QString kAppName = QStringLiteral("Quelvar");

void Tell(const QString &text, QMessageBox::Icon icon)
{
    PromptRequest request;
    request.caption = kAppName;
    request.text = text;
    request.icon = icon;
    CPrompt::Show(request);
}

} // namespace

COstrelApp::COstrelApp(Environment environment) : m_env(std::move(environment)) {}

COstrelApp::~COstrelApp()
{
    ExitInstance();
}

QString COstrelApp::ProgramDir() const
{
    return m_env.programDir.isEmpty() ? QCoreApplication::applicationDirPath() : m_env.programDir;
}

bool COstrelApp::InitInstance()
{
    m_instance = std::make_unique<CSingleInstance>(m_env.runtimeDir);
    if (m_instance->ActivateRunningCopy()) {
        qCInfo(lcHost) << "asked the running copy to come forward";
        return false;
    }
    // Every return below is a failed start-up until the frame is up.
    m_exitCode = 1;
    if (!m_instance->Lock(kInstanceWaitMs)) {
        Tell(QStringLiteral("Another instance of Quelvar is running.  \n"
                            "Double-click on the Quelvar icon in the tray (near the clock)."),
             QMessageBox::Information);
        return false;
    }
    if (!m_instance->Listen())
        return false;

    QCoreApplication::setOrganizationName(kAppName);
    QCoreApplication::setApplicationName(kAppName);

    const auto sleep = m_env.sleep ? m_env.sleep : [](int ms) { QThread::msleep(ulong(ms)); };
    SwapInUpdater(ProgramDir(), sleep);

    if (!CQVSkinManager::Load(QDir(ProgramDir()).filePath(QStringLiteral("skins")) + QLatin1Char('/'))) {
        Tell(QStringLiteral("Failed to load skins. Please re-install Quelvar"), QMessageBox::Warning);
        return false;
    }

    CSplashWnd::EnableSplashScreen(true);
    CMainFrame::Options options;
    options.programDir = ProgramDir();
    options.settingsFile = m_env.settingsFile;
    // Called while the frame is created, so m_frame is set by then.
    options.makeUpdateCheck = [this] { return new CUpgradePlugin(m_frame.get(), ProgramDir()); };
    m_frame = std::make_unique<CMainFrame>(options);
    if (!m_frame->Create()) {
        m_frame.reset();
        return false;
    }
    m_frame->SetSignInDialogs(std::make_unique<CSignInDialogs>(m_frame->Bus()));
    m_frame->LoadFrame();
    m_frame->show();
    connect(m_instance.get(), &CSingleInstance::ActivationRequested, m_frame.get(), &CMainFrame::Activate);
    // The frame may hide in the tray: the program ends when it closes, not
    // when the last window on screen does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    connect(m_frame.get(), &CMainFrame::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_frame->PostCommand(CmdSignIn);
    m_exitCode = 0;
    return true;
}

int COstrelApp::ExitInstance()
{
    m_frame.reset();
    m_instance.reset();
    return m_exitCode;
}
