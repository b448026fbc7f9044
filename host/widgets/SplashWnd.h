#pragma once
// The splash picture shown for a few seconds while the main frame starts.
// At most one is shown; it deletes itself once hidden.
// User-interface thread only.

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class QTimer;

class CSplashWnd : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kShowMs = 3000;

    // The application says once at start-up whether a splash may be shown.
    static void EnableSplashScreen(bool enable);

    // Called while the frame is created: shows the splash picture centred on
    // the screen, owned by the frame, when allowed and none is shown yet.
    static void ShowSplashScreen(QWidget *frame);

    // Hides the splash picture (if shown) and repaints the frame.
    static void HideSplashScreen();

    // The splash window on show, or null.
    static CSplashWnd *Current();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    CSplashWnd(QWidget *frame, const QPixmap &picture);
    void HideAndDelete();

    QPixmap m_picture;
    QTimer *m_timer; // a child, "SplashTimer"
    QPointer<QWidget> m_frame;
};
