#include "host/ServerSettingsDlg.h"

#include "host/widgets/HostResources.h"
#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CServerSettingsDlg::CServerSettingsDlg(const QString &server, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CServerSettingsDlg"));
    setWindowTitle(QStringLiteral("Quelvar"));
    SetDialogIcons(this);

    m_server = new QLineEdit(server, this);
    m_server->setObjectName(QStringLiteral("c1017"));
    m_server->setMinimumWidth(240);
    auto *form = new QFormLayout;
    form->addRow(tr("Server:"), m_server);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("c1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("c2"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);

    auto *header = new CDialogHeader(this);
    header->SetTitle(tr("Server"));
    header->SetSubtitle(tr("Enter the hostname or IP address"));
    header->SetIcon(AppIcon());
    header->Attach(this);
    m_server->selectAll();
}

QString CServerSettingsDlg::Server() const
{
    return m_server->text();
}
