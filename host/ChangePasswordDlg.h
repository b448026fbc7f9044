#pragma once
// Asks for a new password twice and sends it to the chat service as the
// server command "change-password"; the remembered password is forgotten.
// The service's reply reaches the live-chat plug-in. User-interface thread
// only.

#include <QDialog>

class QLineEdit;

namespace QVPlugin {
class CManager;
}

class CChangePasswordDlg : public QDialog
{
    Q_OBJECT
public:
    // bus: not owned; outlives the dialog.
    explicit CChangePasswordDlg(QVPlugin::CManager *bus, QWidget *parent = nullptr);

    // Sends the new password when both fields hold the same one; otherwise
    // tells the agent and stays open.
    void accept() override;

private:
    QVPlugin::CManager *m_bus;
    QLineEdit *m_password;
    QLineEdit *m_retyped;
};
