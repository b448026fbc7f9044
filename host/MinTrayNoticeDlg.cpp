#include "host/MinTrayNoticeDlg.h"

#include "host/widgets/HostResources.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

const QString CMinTrayNoticeDlg::kText = QStringLiteral(
    "Quelvar will run in the task bar (near the clock) when you are signed in.  \n\n"
    "To quit Quelvar, choose 'Exit' from the 'File' menu.");

CMinTrayNoticeDlg::CMinTrayNoticeDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CMinTrayNoticeDlg"));
    setWindowTitle(QStringLiteral("Quelvar"));
    setWindowIcon(AppIcon());

    auto *icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    auto *text = new QLabel(kText, this);
    text->setObjectName(QStringLiteral("cText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    auto *picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("c314"));
    picture->setPixmap(QPixmap(HostResource("BITMAP", 314)));
    picture->setAlignment(Qt::AlignCenter);
    m_doNotShow = new QCheckBox(QStringLiteral("Click here to not see this message again"), this);
    m_doNotShow->setObjectName(QStringLiteral("c1004"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addWidget(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(picture);
    layout->addWidget(m_doNotShow);
    layout->addWidget(buttons);
    setFixedWidth(360);
}

bool CMinTrayNoticeDlg::DoNotShowAgain() const
{
    return m_doNotShow->isChecked();
}
