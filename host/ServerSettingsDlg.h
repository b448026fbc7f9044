#pragma once
// Asks the agent for the chat server's host name or address (with an
// optional port). The caller decides what the typed text becomes.
// User-interface thread only.

#include <QDialog>

class QLineEdit;

class CServerSettingsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CServerSettingsDlg(const QString &server, QWidget *parent = nullptr);

    // The text in the "Server:" field, as typed.
    QString Server() const;

private:
    QLineEdit *m_server;
};
