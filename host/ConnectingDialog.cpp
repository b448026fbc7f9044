#include "host/ConnectingDialog.h"

#include "host/widgets/HostResources.h"
#include "host/widgets/PictureEx.h"

#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

CConnectingDialog::CConnectingDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_picture(new CPictureEx(this))
{
    setObjectName(QStringLiteral("CConnectingDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto *text = new QLabel(tr("Connecting to the server..."), this);
    text->setTextFormat(Qt::PlainText);
    text->setAlignment(Qt::AlignCenter);

    m_picture->setObjectName(QStringLiteral("c1015"));
    m_picture->LoadFromResource(HostResource("GIF", 333));
    m_picture->setFixedSize(m_picture->PictureSize());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(text);
    layout->addWidget(m_picture, 0, Qt::AlignHCenter);
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

void CConnectingDialog::Open()
{
    const QWidget *over = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area = over && over->isVisible() ? over->frameGeometry()
                       : screen()                ? screen()->availableGeometry()
                                                 : QRect();
    if (area.isValid())
        move(area.center() - rect().center());
    show();
    m_picture->Draw();
    repaint();
}

void CConnectingDialog::done(int result)
{
    m_picture->Stop();
    QDialog::done(result);
}

void CConnectingDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
