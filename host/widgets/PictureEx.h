#pragma once
// A picture control: shows a still picture, or plays an animated GIF frame
// by frame. The animation runs on a timer of the user-interface thread,
// which composes each frame into an off-screen canvas and repaints.
// User-interface thread only.

#include "host/widgets/GifAnimation.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

class CPictureEx : public QWidget
{
    Q_OBJECT
public:
    explicit CPictureEx(QWidget *parent = nullptr);
    ~CPictureEx() override;

    // A Qt resource path such as HostResource("GIF", 333).
    bool LoadFromResource(const QString &path);

    // GIF data is taken apart into its frames; other data is loaded as one
    // still picture. False when nothing can be shown, leaving the control
    // empty. The control takes the picture's size.
    bool Load(const QByteArray &data);

    // Shows the picture: starts the animation of a GIF with several frames,
    // or draws a still picture once.
    bool Draw();
    void Stop();
    void Unload();

    void SetBackgroundColor(const QColor &color);
    // The part of the picture shown at the control's top left; empty for all.
    void SetVisiblePart(const QRect &part);

    bool IsGif() const { return m_isGif; }
    bool IsPlaying() const { return m_timer.isActive(); }
    bool IsLoaded() const { return !m_canvas.isNull() || m_player.FrameCount() > 0; }
    QSize PictureSize() const { return m_size; }
    QColor BackgroundColor() const { return m_background; }
    qsizetype FrameCount() const { return m_player.FrameCount(); }
    // The frame on show while playing.
    int CurrentFrame() const { return m_player.Index(); }
    // How long the frame on show stays; -1 when not playing.
    int CurrentFrameTimeMs() const { return m_timer.isActive() ? m_timer.interval() : -1; }
    // What the control paints.
    const QImage &Canvas() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void NextFrame();

    QImage m_still;  // a picture of one frame
    QImage m_canvas; // the composed still picture
    CGifPlayer m_player;
    QTimer m_timer;
    QSize m_size;
    QColor m_background = Qt::white;
    QRect m_visiblePart;
    bool m_isGif = false;
};
