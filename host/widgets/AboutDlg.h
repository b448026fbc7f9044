#pragma once
// The about box: the program's picture with its version, and the
// acknowledgement and legal notice. User-interface thread only.

#include <QDialog>
#include <QPixmap>

class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    // Where the version line goes on the picture.
    static constexpr QRect kVersionRect{QPoint(107, 122), QPoint(256, 171)};

    explicit CAboutDlg(QWidget *parent = nullptr);

    // "Version " and the four numbers of a "FILEVERSION" text, which are
    // separated by "," or, when the text holds a ".", by ".".
    static QString VersionLine(const QString &fileVersion);

    QString VersionText() const { return m_version; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_picture;
    QString m_version;
};
