#include "host/LoginDlg.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "host/AccountRules.h"
#include "host/HostLog.h"
#include "host/ServerSettingsDlg.h"
#include "host/ServiceLinks.h"
#include "host/widgets/HostResources.h"
#include "shared/DialogIcons.h"
#include "shared/DialogResizer.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

using namespace QVPlugin;

namespace {

// Where the controls sit on the background picture.
constexpr QSize kDefaultSize(360, 430);
constexpr int kLeft = 40;
constexpr int kWidth = 280;

QLabel *Label(const QString &text, const QRect &where, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(where);
    return label;
}

QLabel *Link(const char *name, const QString &richText, const QRect &where, QWidget *parent)
{
    auto *link = new QLabel(richText, parent);
    link->setObjectName(QLatin1String(name));
    link->setTextFormat(Qt::RichText);
    link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    link->setGeometry(where);
    return link;
}

} // namespace

CLoginDlg::CLoginDlg(CManager *bus, LoginInfo &login, QWidget *parent)
    : QDialog(parent), m_bus(bus), m_login(login), m_background(HostResource("BITMAP", 317))
{
    setObjectName(QStringLiteral("CLoginDlg"));
    setWindowTitle(QStringLiteral("Quelvar"));
    SetDialogIcons(this);
    const QSize size = m_background.isNull() ? kDefaultSize : m_background.deviceIndependentSize().toSize();
    resize(size);
    setMinimumSize(size);

    Label(tr("Username:"), QRect(kLeft, 148, kWidth, 18), this);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("c1009"));
    m_userName->setGeometry(kLeft, 168, kWidth, 26);
    Label(tr("Password:"), QRect(kLeft, 202, kWidth, 18), this);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("c1006"));
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setGeometry(kLeft, 222, kWidth, 26);
    m_remember = new QCheckBox(tr("Remember Password"), this);
    m_remember->setObjectName(QStringLiteral("c1010"));
    m_remember->setGeometry(kLeft, 256, kWidth, 22);
    auto *signIn = new QPushButton(tr("Sign In"), this);
    signIn->setObjectName(QStringLiteral("c1"));
    signIn->setDefault(true);
    signIn->setGeometry(kLeft, 288, kWidth, 32);
    connect(signIn, &QPushButton::clicked, this, &QDialog::accept);

    const auto onLink = [this](const QString &link) { OnLink(link); };
    connect(Link("c1008", QStringLiteral("<a href=\"signup\">%1</a>").arg(tr("Don't have an account?")),
                 QRect(kLeft, 332, kWidth, 18), this),
            &QLabel::linkActivated, this, onLink);
    connect(Link("c1007", QStringLiteral("<a href=\"lostpassword\">%1</a>").arg(tr("Forgot your password?")),
                 QRect(kLeft, 352, kWidth, 18), this),
            &QLabel::linkActivated, this, onLink);
    m_serverLink = Link("c1011", QString(), QRect(kLeft, 392, kWidth, 18), this);
    m_serverLink->setToolTip(tr("Server"));
    connect(m_serverLink, &QLabel::linkActivated, this, onLink);

    auto *resizer = new CDialogResizer(this);
    const unsigned widen = CDialogResizer::Widen | CDialogResizer::StayVertically;
    resizer->Attach(this, 0, {{1009, widen}, {1006, widen}, {1, widen}});

    m_userName->setText(m_bus->GetSetting(AccountKeys::UserName, QString()).toString());
    const QString password = m_bus->GetSetting(AccountKeys::Password, QString()).toString();
    if (!password.isEmpty()) {
        m_password->setText(password);
        m_remember->setChecked(true);
    }
    const QString server = m_bus->GetSetting(AccountKeys::ServerAddress, QString()).toString();
    SetServer(server.isEmpty() ? DefaultServerAddress() : server);

    // The password field when it is the only thing left to type.
    (m_userName->text().isEmpty() || !m_password->text().isEmpty() ? m_userName : m_password)->setFocus();
    // Over the frame when it is up, else on the screen.
    const QWidget *frame = parentWidget() ? parentWidget()->window() : nullptr;
    if (frame && frame->isVisible())
        move(frame->frameGeometry().center() - rect().center());
    else if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void CLoginDlg::SetServer(const QString &server)
{
    m_server = server;
    m_serverLink->setText(ServerLinkText(server));
}

void CLoginDlg::OnLink(const QString &link)
{
    if (link == QLatin1String("server")) {
        ChooseServer();
        return;
    }
    const QUrl url = ServiceRedirectUrl(m_server, link);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void CLoginDlg::ChooseServer()
{
    CServerSettingsDlg dialog(m_server, this);
    if (dialog.exec() == QDialog::Accepted)
        SetServer(ChosenServer(m_server, dialog.Server()));
}

void CLoginDlg::accept()
{
    const QString user = m_userName->text();
    QVMessage<QString> name(user);
    // The XMPP plug-in has told the agent what is wrong with a refused name.
    if (m_bus->SendMessage(nullptr, MSG_VALIDATE_USERNAME, &name, nullptr) < 0) {
        m_userName->setFocus();
        return;
    }
    m_bus->SetSetting(AccountKeys::UserName, user);
    // An empty value removes a password remembered before.
    m_bus->SetSetting(AccountKeys::Password, m_remember->isChecked() ? QVariant(m_password->text()) : QVariant());
    SetServer(WithDefaultPort(m_server));
    m_bus->SetSetting(AccountKeys::ServerAddress, m_server);

    m_login.user = user;
    m_login.password = m_password->text();
    m_login.server = m_server;
    QDialog::accept();
}

void CLoginDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
    // The moment start-up ends for the agent; the start-up benchmark waits
    // for this line.
    if (!m_painted) {
        m_painted = true;
        qCDebug(lcHost) << "login dialog painted";
    }
}
