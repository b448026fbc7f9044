#pragma once
// The main frame with the program's own sign-in dialogs, for the sign-in
// tests: a frame over a settings file of the test's own, prompts and opened
// links recorded, and a way to answer the modal dialogs that the frame's
// commands open.

#include "../TestUtil.h"
#include "FrameTest.h"

#include "bus/Manager.h"
#include "host/LoginDlg.h"
#include "host/MainFrame.h"
#include "host/SignInDialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace hosttest {

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

// Fills the login dialog, remembering the password, and presses Sign In.
inline void FillLogin(CLoginDlg *dialog, const QString &user, const QString &password)
{
    Child<QLineEdit>(dialog, "c1009")->setText(user);
    Child<QLineEdit>(dialog, "c1006")->setText(password);
    Child<QCheckBox>(dialog, "c1010")->setChecked(true);
    Child<QPushButton>(dialog, "c1")->click();
}

class SignInFrame : public FrameTest
{
protected:
    // addPlugins: puts the test's plug-ins on the bus before the frame loads.
    void Start(const std::function<void(QVPlugin::CManager *)> &addPlugins = {})
    {
        CMainFrame::Options options;
        options.programDir = ProgramDir();
        options.settingsFile = SettingsFile();
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

    CSignInDialogs *dialogs = nullptr; // owned by the frame
};

} // namespace hosttest
