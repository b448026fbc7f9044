#include "host/SignInDialogs.h"

#include "host/ChangePasswordDlg.h"
#include "host/ConnectingDialog.h"
#include "host/LoginDlg.h"

CSignInDialogs::CSignInDialogs(QVPlugin::CManager *bus) : m_bus(bus) {}

CSignInDialogs::~CSignInDialogs()
{
    CloseConnecting();
}

bool CSignInDialogs::RunLogin(QWidget *parent, QVPlugin::LoginInfo &login)
{
    CLoginDlg dialog(m_bus, login, parent);
    return dialog.exec() == QDialog::Accepted;
}

void CSignInDialogs::ShowConnecting(QWidget *parent)
{
    CloseConnecting();
    m_connecting = new CConnectingDialog(parent);
    m_connecting->Open();
    if (parent)
        parent->window()->repaint();
}

CConnectingDialog *CSignInDialogs::Connecting() const
{
    return m_connecting;
}

void CSignInDialogs::CloseConnecting()
{
    if (m_connecting)
        m_connecting->close();
    m_connecting = nullptr;
}

void CSignInDialogs::RunChangePassword(QWidget *parent)
{
    CChangePasswordDlg dialog(m_bus, parent);
    dialog.exec();
}
