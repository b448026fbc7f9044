#pragma once
// The seam between the main frame and the sign-in dialogs. The frame runs
// the flows of signing in and out (its Sign In, Sign Out and Change Password
// commands, lost connections, one automatic sign-in again); the dialogs that
// ask the agent come through this interface, so the frame works, and is
// tested, without them. User-interface thread only.

#include "bus/Payloads.h"

#include <QPointer>

class CConnectingDialog;
class QWidget;

namespace QVPlugin {
class CManager;
}

class ISignInDialogs
{
public:
    virtual ~ISignInDialogs() = default;

    // The login dialog, modal over parent. True when the agent signs in: the
    // dialog has stored the account settings and filled login. False when
    // the agent cancelled, which ends the program.
    virtual bool RunLogin(QWidget *parent, QVPlugin::LoginInfo &login) = 0;
    // The modeless "Connecting to the server..." dialog, shown while a
    // sign-in runs; Close does nothing when none is shown.
    virtual void ShowConnecting(QWidget *parent) = 0;
    virtual void CloseConnecting() = 0;
    // The change-password dialog, modal over parent; it sends the new
    // password itself.
    virtual void RunChangePassword(QWidget *parent) = 0;
};

// The program's own dialogs behind the seam: CLoginDlg, CConnectingDialog
// and CChangePasswordDlg, talking to the plug-ins through the frame's bus.
class CSignInDialogs final : public ISignInDialogs
{
public:
    // bus: not owned; outlives this object.
    explicit CSignInDialogs(QVPlugin::CManager *bus);
    ~CSignInDialogs() override;

    bool RunLogin(QWidget *parent, QVPlugin::LoginInfo &login) override;
    void ShowConnecting(QWidget *parent) override;
    void CloseConnecting() override;
    void RunChangePassword(QWidget *parent) override;

    // The connecting dialog on show, or null.
    CConnectingDialog *Connecting() const;

private:
    QVPlugin::CManager *m_bus;
    QPointer<CConnectingDialog> m_connecting; // deletes itself when closed
};
