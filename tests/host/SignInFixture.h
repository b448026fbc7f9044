#pragma once
// The main frame with the program's own sign-in dialogs, for the sign-in
// tests: a frame over a settings file of the test's own, prompts and opened
// links recorded, and a way to answer the modal dialogs that the frame's
// commands open.

#include "../TestUtil.h"

#include "bus/Manager.h"
#include "host/MainFrame.h"
#include "host/SignInDialogs.h"
#include "shared/Prompt.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace hosttest {

// Receives the links the dialogs open instead of a browser.
class LinkRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

// Runs action on the dialog of type T as soon as it shows; for commands
// that block in the dialog's own event loop. The action must close it.
template <typename T>
void WhenShown(std::function<void(T *)> action)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<T *>(w);
            if (dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                action(dialog);
                return;
            }
        }
    });
    timer->start();
}

template <typename T>
T *Child(QWidget *parent, const char *name)
{
    T *child = parent->findChild<T *>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

class SignInFrame : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_program.isValid() && m_config.isValid());
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts << request.text;
            return QMessageBox::Ok;
        });
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &links, "open");
    }
    void TearDown() override
    {
        frame.reset();
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        CPrompt::SetHandler({});
    }

    QString ProgramDir() const { return m_program.path(); }

    // addPlugins: puts the test's plug-ins on the bus before the frame loads.
    void Start(const std::function<void(QVPlugin::CManager *)> &addPlugins = {})
    {
        CMainFrame::Options options;
        options.programDir = m_program.path();
        options.settingsFile = m_config.filePath(QStringLiteral("Quelvar.conf"));
        frame = std::make_unique<CMainFrame>(options);
        ASSERT_TRUE(frame->Create());
        if (addPlugins)
            addPlugins(frame->Bus());
        auto owned = std::make_unique<CSignInDialogs>(frame->Bus());
        dialogs = owned.get();
        frame->SetSignInDialogs(std::move(owned));
        frame->LoadFrame();
        frame->resize(860, 560);
        frame->show();
        QCoreApplication::processEvents();
    }

    QVariant Setting(const QString &key) const { return frame->Bus()->GetSetting(key, QStringLiteral("(none)")); }
    void SetSetting(const QString &key, const QVariant &value) { frame->Bus()->SetSetting(key, value); }

    QString PresencePane() const { return frame->findChild<QLabel *>(QStringLiteral("PresencePane"))->text(); }

    std::unique_ptr<CMainFrame> frame;
    CSignInDialogs *dialogs = nullptr; // owned by the frame
    QStringList prompts;
    LinkRecorder links;

private:
    QTemporaryDir m_program;
    QTemporaryDir m_config;
};

} // namespace hosttest
