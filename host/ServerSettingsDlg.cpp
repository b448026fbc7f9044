#include "host/ServerSettingsDlg.h"

#include "host/AccountDialog.h"

#include <QFormLayout>
#include <QLineEdit>

CServerSettingsDlg::CServerSettingsDlg(const QString &server, QWidget *parent)
    : QDialog(parent), m_server(new QLineEdit(server, this))
{
    setObjectName(QStringLiteral("CServerSettingsDlg"));
    m_server->setObjectName(QStringLiteral("c1017"));
    m_server->setMinimumWidth(240);
    auto *form = new QFormLayout;
    form->addRow(tr("Server:"), m_server);
    LayOutAccountDialog(this, form, tr("Server"), tr("Enter the hostname or IP address"));
    m_server->selectAll();
}

QString CServerSettingsDlg::Server() const
{
    return m_server->text();
}
