#pragma once
// CQVAlertWnd: the desktop alert - a small frameless popup that slides in at
// the corner of the work area over every other window without taking the
// focus, slightly transparent, with a bold caption and the alert's body. It
// closes itself after a few seconds or when clicked, and deletes itself.
// Several may be open at once. The texts come from visitors: both are shown
// as plain text. User-interface thread only.

#include <QList>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <optional>

class QLabel;
class QPropertyAnimation;
class QScreen;

class CQVAlertWnd : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kCloseAfterMs = 3000;
    static constexpr int kSlideMs = 400;
    static constexpr double kOpacity = 230.0 / 255.0;

    // A window of its own, so that it shows while the frame hides in the tray.
    CQVAlertWnd(const QString &caption, const QString &body);

    // Slides in at the corner of the screen (null = the primary one), above
    // the places of the alerts still open (taken), so each can be read;
    // closes after closeAfterMs.
    void Popup(QScreen *screen = nullptr, int closeAfterMs = kCloseAfterMs, const QList<QRect> &taken = {});
    bool IsSliding() const;
    // The place for an alert of this size in the work area that covers none
    // of the taken ones: the lowest in the rightmost column that has room;
    // none when every column is full.
    static std::optional<QRect> FreePlace(const QRect &area, const QSize &size, const QList<QRect> &taken);
    // Where it stands once it has slid in.
    QRect Place() const { return m_place; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_caption;
    QLabel *m_body;
    QPropertyAnimation *m_slide = nullptr;
    QRect m_place;
    QPointer<QScreen> m_screen;
    int m_closeAfterMs = kCloseAfterMs;
};
