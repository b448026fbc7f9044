#pragma once
// COstrelApp: the program's start-up and end. Start-up keeps one copy per
// user, moves a downloaded updater into place, loads the skins beside the
// program and opens the main frame, which then signs the agent in.
// User-interface thread only; the QApplication must exist.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CMainFrame;
class CSingleInstance;

class COstrelApp : public QObject
{
    Q_OBJECT

public:
    struct Environment
    {
        // The program's folder; empty = the running program's.
        QString programDir;
        // Where the single-instance socket and lock live; empty = the user's
        // runtime folder.
        QString runtimeDir;
        // The settings file; empty = the user's.
        QString settingsFile;
        // Waits between attempts to move the updater; empty = really sleep.
        std::function<void(int ms)> sleep;
    };

    explicit COstrelApp(Environment environment = Environment());
    ~COstrelApp() override;

    // False when the program must end at once (another copy runs, or a
    // start-up step failed and told the agent).
    bool InitInstance();
    // Closes the frame, which signs out and releases the plug-ins; returns
    // the exit code: not 0 after a failed start-up, so scripts can tell.
    int ExitInstance();

    CMainFrame *MainFrame() const { return m_frame.get(); }

    static constexpr int kInstanceWaitMs = 500;

private:
    QString ProgramDir() const;

    Environment m_env;
    std::unique_ptr<CSingleInstance> m_instance;
    std::unique_ptr<CMainFrame> m_frame;
    int m_exitCode = 0;
};
