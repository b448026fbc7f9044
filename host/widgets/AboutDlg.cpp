#include "host/widgets/AboutDlg.h"

#include "host/widgets/HostResources.h"
#include "shared/ModuleVersion.h"
#include "shared/WrappedText.h"

#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const char *const kNotice = QT_TRANSLATE_NOOP(
    "CAboutDlg",
    "Ostrel, the live-chat workplace of Quelvar.\n"
    "Copyright (C) Quelvar. All rights reserved.\n\n"
    "This program is protected by copyright law. Copying or passing on the program or any part of it "
    "without the permission of Quelvar is not allowed.\n\n"
    "Ostrel is built with Qt, gloox, gSOAP and Hunspell. Our thanks go to their authors; each of them "
    "is used under its own licence.");

// Below the version line, and the OK button in the bottom-right corner.
constexpr QRect kNoticeRect(16, 184, 348, 76);
constexpr QSize kButtonSize(80, 26);
constexpr int kMargin = 10;

} // namespace

QString CAboutDlg::VersionLine(const QString &fileVersion)
{
    const QChar separator = fileVersion.contains(QLatin1Char('.')) ? QLatin1Char('.') : QLatin1Char(',');
    QStringList parts = fileVersion.split(separator);
    for (QString &part : parts)
        part = part.trimmed();
    return QStringLiteral("Version ") + parts.join(QLatin1Char('.'));
}

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
    , m_picture(HostResource("BITMAP", 319))
{
    setObjectName(QStringLiteral("CAboutDlg"));
    setWindowTitle(tr("About Quelvar"));
    setFixedSize(m_picture.isNull() ? QSize(380, 300) : m_picture.deviceIndependentSize().toSize());

    CModuleVersion version;
    version.ReadVersionInfo();
    m_version = VersionLine(version.GetValue(QStringLiteral("FILEVERSION")));

    auto *notice = new QPlainTextEdit(this);
    notice->setObjectName(QStringLiteral("c1005"));
    notice->setReadOnly(true);
    notice->setPlainText(tr(kNotice));
    notice->setGeometry(kNoticeRect);

    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("c1"));
    ok->setDefault(true);
    ok->setGeometry(QRect(QPoint(width() - kButtonSize.width() - kMargin, height() - kButtonSize.height() - kMargin),
                          kButtonSize));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("Arial"), 8));
    DrawWrappedText(painter, kVersionRect, m_version, Qt::AlignLeft);
}
