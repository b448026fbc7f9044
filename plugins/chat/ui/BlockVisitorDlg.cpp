#include "plugins/chat/ui/BlockVisitorDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CBlockVisitorDlg::CBlockVisitorDlg(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CBlockVisitorDlg"));
    setWindowTitle(tr("Block Visitor"));

    auto *label = new QLabel(tr("Choose what you want to block the visitor from:"), this);
    label->setObjectName(QStringLiteral("c1002"));
    label->setTextFormat(Qt::PlainText);

    auto *buttons = new QHBoxLayout;
    auto addChoice = [&](const char *id, const QString &text, const char *keyword) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(id));
        // Enter presses the button the agent tabbed to; with none focused,
        // "Chatting", the default.
        button->setAutoDefault(true);
        connect(button, &QPushButton::clicked, this, [this, keyword] {
            m_blockType = QLatin1String(keyword);
            accept();
        });
        buttons->addWidget(button);
        return button;
    };
    QPushButton *chatting = addChoice("c1", tr("Chatting"), "chatting");
    addChoice("c10026", tr("Both"), "both");
    addChoice("c10025", tr("Visitor Monitoring"), "monitoring");
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("c2"));
    cancel->setAutoDefault(true);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);

    chatting->setDefault(true);
    chatting->setFocus();

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
