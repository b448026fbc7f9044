#pragma once
// A push button that skins dress: a face colour or a transparent background,
// an image with a hot image shown under the mouse, and a hover background that
// is stretched over the whole button while the mouse is over it.
// User-interface thread only.

#include "skins/FaycelExport.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPushButton>

class FAYCEL_EXPORT CQVButton : public QPushButton
{
    Q_OBJECT
    // The skin's button controls pass their look through these.
    Q_PROPERTY(QColor faceColor READ GetFaceColor WRITE SetFaceColorProperty)
    Q_PROPERTY(QPixmap image READ GetImage WRITE SetImageProperty)
    Q_PROPERTY(QPixmap hotImage READ GetHotImage WRITE SetHotImageProperty)
    Q_PROPERTY(QPixmap hoverBackground READ GetBackgroundHover WRITE SetBackgroundHover)
    Q_PROPERTY(bool transparent READ IsTransparent WRITE SetTransparent)
public:
    // A flat button has no border.
    explicit CQVButton(bool flat = false, QWidget *parent = nullptr);

    // A copy of the picture becomes the hover background; a null one removes it.
    void SetBackgroundHover(const QPixmap &background);
    bool HasBackgroundHover() const { return !m_hoverBackground.isNull(); }
    bool IsHovered() const { return m_hovered; }

    // The image drawn without margins, and the one drawn while the mouse is over
    // the button (none: the image).
    void SetImage(const QPixmap &image, const QPixmap &hotImage = QPixmap());
    // An invalid colour restores the style's button colour.
    void SetFaceColor(const QColor &color, bool redraw = true);
    QColor GetFaceColor() const { return m_faceColor; }
    // A transparent button draws no background of its own: its parent shows through.
    void SetTransparent(bool transparent);
    bool IsTransparent() const { return m_transparent; }

    QPixmap GetImage() const { return m_image; }
    QPixmap GetHotImage() const { return m_hotImage; }
    QPixmap GetBackgroundHover() const { return QPixmap::fromImage(m_hoverBackground); }

    QSize sizeHint() const override;

protected:
    // Draws the button's background into rect: the hover background while
    // hovered, otherwise the face.
    virtual void OnFillBackground(QPainter &painter, const QRect &rect);

    void paintEvent(QPaintEvent *e) override;
    void enterEvent(QEnterEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;

private:
    void TrackMouse();
    void SetFaceColorProperty(const QColor &color) { SetFaceColor(color); }
    void SetImageProperty(const QPixmap &image) { SetImage(image, m_hotImage); }
    void SetHotImageProperty(const QPixmap &hot) { SetImage(m_image, hot); }

    QImage m_hoverBackground;
    QPixmap m_image;
    QPixmap m_hotImage;
    QColor m_faceColor;
    bool m_transparent = false;
    bool m_hovered = false;
    bool m_highlighted = false; // the mouse is over the button
};
