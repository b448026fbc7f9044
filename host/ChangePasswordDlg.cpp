#include "host/ChangePasswordDlg.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/AccountDialog.h"
#include "host/AccountRules.h"
#include "host/HostLog.h"
#include "shared/Prompt.h"

#include <QFormLayout>
#include <QLineEdit>

using namespace QVPlugin;

namespace {

QLineEdit *PasswordEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setEchoMode(QLineEdit::Password);
    edit->setMinimumWidth(200);
    return edit;
}

} // namespace

CChangePasswordDlg::CChangePasswordDlg(CManager *bus, QWidget *parent)
    : QDialog(parent), m_bus(bus), m_password(PasswordEdit("c1000", this)), m_retyped(PasswordEdit("c1001", this))
{
    setObjectName(QStringLiteral("CChangePasswordDlg"));
    auto *form = new QFormLayout;
    form->addRow(tr("New Password:"), m_password);
    form->addRow(tr("Retype New Password:"), m_retyped);
    LayOutAccountDialog(this, form, tr("Change Password"), tr("Please enter your new password"));
}

void CChangePasswordDlg::accept()
{
    switch (CheckNewPassword(m_password->text(), m_retyped->text())) {
    case NewPasswordCheck::Mismatch:
        CPrompt::Error(tr("Your new password does not match"), this);
        return;
    case NewPasswordCheck::Empty:
        CPrompt::Error(tr("Your new password cannot be empty"), this);
        m_password->setFocus();
        return;
    case NewPasswordCheck::Accepted:
        break;
    }
    m_bus->SetSetting(AccountKeys::Password, QVariant());
    // The service reads the password as UTF-8, like every text on the stream.
    ServerMessage command(m_password->text().trimmed().toStdString(), "change-password", std::string());
    const int result = m_bus->SendMessage(nullptr, MSG_SERVER_SET, &command, nullptr);
    qCInfo(lcHost) << "change of password sent, result" << result;
    QDialog::accept();
}
