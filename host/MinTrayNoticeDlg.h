#pragma once
// CMinTrayNoticeDlg: tells the agent, the first times the frame goes into the
// tray, that the program keeps running there and how to quit it; a check box
// turns the notice off. User-interface thread only.

#include <QDialog>

class QCheckBox;

class CMinTrayNoticeDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CMinTrayNoticeDlg(QWidget *parent = nullptr);

    // Read after OK: the agent asked not to see the notice again.
    bool DoNotShowAgain() const;

    static const QString kText;

private:
    QCheckBox *m_doNotShow;
};
