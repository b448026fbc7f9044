#pragma once
// What a form paints behind a window's children or in its frame: a
// `rectangle` (solid colour, tiled or stretched image) or an `image` paint of
// a skin file, each with nested paints drawn inside it. Read once from the
// skin, then never changed. User-interface thread only.

#include "skins/FaycelExport.h"
#include "skins/QVSkinRect.h"

#include <QImage>
#include <QRgb>
#include <QString>

#include <memory>
#include <vector>

class QPainter;

class FAYCEL_EXPORT CQVSkinPaintRect
{
public:
    // ARGB value that means "no colour".
    static constexpr QRgb NoColor = 0x80000000u;

    CQVSkinPaintRect() = default;
    virtual ~CQVSkinPaintRect();

    // Draws this paint into its rectangle resolved against the parent, then the
    // nested paints inside it.
    virtual void Paint(QPainter &painter, const QRect &parent) const;
    // A deep copy; the caller owns it.
    virtual std::unique_ptr<CQVSkinPaintRect> Clone() const;

    const QString &GetId() const { return m_id; }
    const CQVSkinRect &GetRect() const { return m_rect; }
    QRgb GetColor() const { return m_color; }
    const QImage &GetImage() const { return m_image; }
    bool IsFill() const { return m_fill; }
    const std::vector<std::unique_ptr<CQVSkinPaintRect>> &GetPaints() const { return m_paints; }

protected:
    CQVSkinPaintRect(const CQVSkinPaintRect &other);
    CQVSkinPaintRect &operator=(const CQVSkinPaintRect &) = delete;

    void PaintNested(QPainter &painter, const QRect &rect) const;

private:
    friend class CQVSkinReader;

    QString m_id;
    CQVSkinRect m_rect;
    std::vector<std::unique_ptr<CQVSkinPaintRect>> m_paints;
    QImage m_image;
    bool m_fill = false;
    QRgb m_color = NoColor;
};

class FAYCEL_EXPORT CQVSkinPaintImage : public CQVSkinPaintRect
{
public:
    CQVSkinPaintImage() = default;

    // Without an image nothing is drawn, nested paints included.
    void Paint(QPainter &painter, const QRect &parent) const override;
    std::unique_ptr<CQVSkinPaintRect> Clone() const override;

protected:
    CQVSkinPaintImage(const CQVSkinPaintImage &other) = default;
};
