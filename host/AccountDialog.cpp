#include "host/AccountDialog.h"

#include "host/widgets/HostResources.h"
#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"

#include <QDialog>

void LayOutAccountDialog(QDialog *dialog, QLayout *fields, const QString &title, const QString &subtitle)
{
    dialog->setWindowTitle(QStringLiteral("Quelvar"));
    SetDialogIcons(dialog);
    CDialogHeader::LayOutDialog(dialog, fields, title, subtitle, AppIcon());
}
