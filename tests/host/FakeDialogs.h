#pragma once
// Sign-in dialogs that record what the frame asked and answer as scripted.

#include "host/SignInDialogs.h"

#include <QStringList>

namespace hosttest {

class FakeDialogs : public ISignInDialogs
{
public:
    explicit FakeDialogs(QStringList *log) : m_log(log) {}

    bool RunLogin(QWidget *, QVPlugin::LoginInfo &login) override
    {
        *m_log << QStringLiteral("login");
        if (signIn)
            login.user = QStringLiteral("agent");
        return signIn;
    }
    void ShowConnecting(QWidget *) override { *m_log << QStringLiteral("connecting shown"); }
    void CloseConnecting() override { *m_log << QStringLiteral("connecting closed"); }
    void RunChangePassword(QWidget *) override { *m_log << QStringLiteral("change password"); }

    bool signIn = true;

private:
    QStringList *m_log;
};

} // namespace hosttest
