#include "host/AccountDialog.h"

#include "host/widgets/HostResources.h"
#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

void LayOutAccountDialog(QDialog *dialog, QLayout *fields, const QString &title, const QString &subtitle)
{
    dialog->setWindowTitle(QStringLiteral("Quelvar"));
    SetDialogIcons(dialog);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("c1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("c2"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);

    auto *layout = new QVBoxLayout(dialog);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addWidget(buttons);

    auto *header = new CDialogHeader(dialog);
    header->SetTitle(title);
    header->SetSubtitle(subtitle);
    header->SetIcon(AppIcon());
    header->Attach(dialog);
}
