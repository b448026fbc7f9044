#pragma once
// How a form places and shows one child item of a window: a `control` of a
// skin file (an item found by its dialog id), a `button` (a control that also
// gives a button its look) or a `group` (no item of its own, only arranges
// its nested controls). Read once from the skin, then never changed.
// User-interface thread only.
//
// A window's dialog item with id N is its direct child widget whose
// objectName is "c" followed by N (see FindDlgItem).

#include "skins/FaycelExport.h"
#include "skins/QVSkinRect.h"

#include <QImage>
#include <QRgb>
#include <QString>

#include <memory>
#include <vector>

class QWidget;

class FAYCEL_EXPORT CQVSkinControl
{
public:
    enum Visibility { VisibilityLeave = 0, VisibilityHide = 1, VisibilityShow = 2 };

    CQVSkinControl() = default;
    virtual ~CQVSkinControl();

    // Applies border, visibility and the nested controls to the window's item;
    // false when the item (or a nested control's item) is missing.
    virtual bool OnInit(QWidget *window);
    // True when this control or a nested one carries itemId; that control's
    // skin visibility is applied to the item, the show flag is not.
    virtual bool ShowDlgItem(QWidget *window, int itemId, bool show);
    // Moves the item to the rectangle resolved against parentRect.
    virtual void OnSize(QWidget *window, const QRect &parentRect);
    // A deep copy; the caller owns it.
    virtual std::unique_ptr<CQVSkinControl> Clone() const;

    const QString &GetId() const { return m_id; }
    int GetDlgId() const { return m_dlgId; }
    const CQVSkinRect &GetRect() const { return m_rect; }
    bool HasBorder() const { return m_border; }
    Visibility GetVisibility() const { return m_visibility; }
    const std::vector<std::unique_ptr<CQVSkinControl>> &GetControls() const { return m_controls; }
    // First nested control with that id, or null; owned by this control.
    CQVSkinControl *GetControl(const QString &id) const;

    // The window's direct child named "c<itemId>", or null.
    static QWidget *FindDlgItem(QWidget *window, int itemId);

protected:
    CQVSkinControl(const CQVSkinControl &other);
    CQVSkinControl &operator=(const CQVSkinControl &) = delete;

    bool InitNested(QWidget *window);

private:
    friend class CQVSkinReader;

    QString m_id;
    CQVSkinRect m_rect;
    int m_dlgId = -1;
    std::vector<std::unique_ptr<CQVSkinControl>> m_controls;
    bool m_border = false;
    Visibility m_visibility = VisibilityLeave;
};

// A skin `button` gives its item (a QAbstractButton) its look through Qt
// properties, which the library's button declares: "faceColor" (QColor),
// "image" and "hotImage" (QPixmap), "hoverBackground" (QPixmap, null removes
// it) and "transparent" (bool).
class FAYCEL_EXPORT CQVSkinButton : public CQVSkinControl
{
public:
    static constexpr const char *FaceColorProperty = "faceColor";
    static constexpr const char *ImageProperty = "image";
    static constexpr const char *HotImageProperty = "hotImage";
    static constexpr const char *HoverBackgroundProperty = "hoverBackground";
    static constexpr const char *TransparentProperty = "transparent";

    CQVSkinButton() = default;

    bool OnInit(QWidget *window) override;
    std::unique_ptr<CQVSkinControl> Clone() const override;

    QRgb GetColor() const { return m_color; }
    const QImage &GetImage() const { return m_image; }
    const QImage &GetHoverImage() const { return m_hoverImage; }
    const QImage &GetHoverBackground() const { return m_hoverBackground; }
    bool IsTransparent() const { return m_transparent; }

protected:
    CQVSkinButton(const CQVSkinButton &other) = default;

private:
    friend class CQVSkinReader;

    QRgb m_color = 0xFFFFFFFFu;
    // Implicitly shared, so clones share the pixels.
    QImage m_image;
    QImage m_hoverImage;
    QImage m_hoverBackground;
    bool m_transparent = false;
};

class FAYCEL_EXPORT CQVSkinGroup : public CQVSkinControl
{
public:
    CQVSkinGroup() = default;

    bool OnInit(QWidget *window) override;
    void OnSize(QWidget *window, const QRect &parentRect) override;
    std::unique_ptr<CQVSkinControl> Clone() const override;

protected:
    CQVSkinGroup(const CQVSkinGroup &other) = default;
};
