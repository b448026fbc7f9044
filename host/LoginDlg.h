#pragma once
// The login dialog: user name, password, "Remember Password", links to the
// chat service's sign-up and lost-password pages and to the server dialog.
// Signing in has the XMPP plug-in check the user name, stores the account
// settings and fills the frame's LoginInfo. User-interface thread only.

#include <QDialog>
#include <QPixmap>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace QVPlugin {
class CManager;
class LoginInfo;
} // namespace QVPlugin

class CLoginDlg : public QDialog
{
    Q_OBJECT
public:
    // bus and login: not owned; both outlive the dialog. login is filled
    // when the agent signs in.
    CLoginDlg(QVPlugin::CManager *bus, QVPlugin::LoginInfo &login, QWidget *parent = nullptr);

    // The chat server the agent signs in to, host[:port].
    QString Server() const { return m_server; }

    // Sign In: refused user names keep the dialog open.
    void accept() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void SetServer(const QString &server);
    void OnLink(const QString &link);
    // Asks for another server with the server dialog.
    void ChooseServer();

    QVPlugin::CManager *m_bus;
    QVPlugin::LoginInfo &m_login;
    QPixmap m_background;
    QLineEdit *m_userName;
    QLineEdit *m_password;
    QCheckBox *m_remember;
    QLabel *m_serverLink;
    QString m_server;
    bool m_painted = false;
};
