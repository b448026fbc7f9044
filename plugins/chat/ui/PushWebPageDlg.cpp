#include "plugins/chat/ui/PushWebPageDlg.h"

#include "plugins/chat/model/WebAddress.h"
#include "shared/Prompt.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

void Tell(const QString &text, QWidget *parent)
{
    PromptRequest request;
    request.text = text;
    request.icon = QMessageBox::Information;
    CPrompt::Show(request, parent);
}

} // namespace

CPushWebPageDlg::CPushWebPageDlg(QWidget *parent)
    : QDialog(parent), m_url(new QLineEdit(QStringLiteral("http://"), this)),
      m_open([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("CPushWebPageDlg"));
    setWindowTitle(tr("Push Web Page"));

    auto *label = new QLabel(tr("Enter the address of the web page you want to send:"), this);
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(m_url);
    m_url->setObjectName(QStringLiteral("c10008"));

    auto *buttons = new QHBoxLayout;
    auto addButton = [&](const char *id, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(id));
        button->setAutoDefault(false);
        buttons->addWidget(button);
        return button;
    };
    QPushButton *asLink = addButton("c10009", tr("Send As Link"));
    QPushButton *newWindow = addButton("c10011", tr("Open New Window"));
    QPushButton *verify = addButton("c10012", tr("Verify"));
    QPushButton *cancel = addButton("c2", tr("Cancel"));
    asLink->setDefault(true);
    connect(asLink, &QPushButton::clicked, this, [this] { Choose(true); });
    connect(newWindow, &QPushButton::clicked, this, [this] { Choose(false); });
    connect(verify, &QPushButton::clicked, this, &CPushWebPageDlg::Verify);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_url);
    layout->addLayout(buttons);
    m_url->setFocus();
}

QString CPushWebPageDlg::Url() const
{
    return m_url->text();
}

void CPushWebPageDlg::Choose(bool asLink)
{
    if (m_url->text().isEmpty()) {
        Tell(tr("Please enter the web site address to open."), this);
        m_url->setFocus();
        return;
    }
    m_asLink = asLink;
    accept();
}

void CPushWebPageDlg::Verify()
{
    const QString url = m_url->text();
    if (url.isEmpty()) {
        Tell(tr("Please enter the web site address to verify."), this);
        return;
    }
    // The agent's machine opens web pages only, never files or programs.
    if (!Tessary::IsWebAddress(url)) {
        Tell(tr("Only web addresses (http:// or https://) can be verified."), this);
        return;
    }
    m_open(QUrl(url.trimmed()));
}
