#pragma once
// Asks the agent from what a web visitor is to be blocked. Its product is
// one keyword ("chatting", "both" or "monitoring") for the caller's
// "block-visitor" command; Cancel means nothing is sent.
// User-interface thread only.

#include <QDialog>

class CBlockVisitorDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CBlockVisitorDlg(QWidget *parent = nullptr);

    // The chosen keyword; "chatting" until a choice is made.
    const QString &BlockType() const { return m_blockType; }

private:
    QString m_blockType = QStringLiteral("chatting");
};
