#pragma once
// A frameless top-level window that draws its own frame and caption with the
// caption buttons its style asks for, and moves and resizes through the window
// system (QWindow::startSystemMove / startSystemResize). The client area is
// the widget's contents rectangle. User-interface thread only.

#include "skins/FaycelExport.h"

#include <QWidget>

#include <vector>

class FAYCEL_EXPORT CSkinnedWnd : public QWidget
{
    Q_OBJECT
public:
    enum StyleFlag {
        Caption = 0x1,
        SystemMenu = 0x2, // gives the close button
        MinimizeBox = 0x4,
        MaximizeBox = 0x8,
        SizingBorder = 0x10,
    };
    Q_DECLARE_FLAGS(Style, StyleFlag)

    enum HitCode {
        HitNowhere,
        HitClient,
        HitCaption,
        HitSysMenu,
        HitMinButton,
        HitMaxButton,
        HitClose,
        HitLeft,
        HitRight,
        HitTop,
        HitTopLeft,
        HitTopRight,
        HitBottom,
        HitBottomLeft,
        HitBottomRight,
    };
    Q_ENUM(HitCode)

    explicit CSkinnedWnd(Style style = Style(Caption | SystemMenu | MinimizeBox | MaximizeBox | SizingBorder),
                         QWidget *parent = nullptr);

    Style GetWindowStyle() const { return m_style; }
    bool HasCaption() const { return m_style.testFlag(Caption); }
    bool HasMenu() const { return m_style.testFlag(SystemMenu); }
    bool HasCloseBtn() const { return m_style.testFlag(SystemMenu); }
    bool HasMinimizeBtn() const { return m_style.testFlag(MinimizeBox); }
    bool HasMaximizeBtn() const { return m_style.testFlag(MaximizeBox); }

    // The frame's width: none while maximised or minimised.
    int GetFrameWidth() const;
    int GetCaptionHeight() const;
    // The caption band in window coordinates (empty without a caption).
    QRect GetCaptionRect() const;
    // Where a caption button (HitClose, HitMaxButton, HitMinButton) lies; empty when there is none.
    QRect GetCaptionButtonRect(HitCode button) const;
    // What lies under a point in window coordinates.
    HitCode HitTest(const QPoint &pos) const;

protected:
    // Lays the caption buttons out from the right edge of the caption leftwards.
    void UpdateCaption() const;

    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void mouseDoubleClickEvent(QMouseEvent *e) override;
    void leaveEvent(QEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    struct CaptionButton
    {
        HitCode hit;
        QRect rect;
    };

    void OnTrackCaptionButtons(const QPoint &pos);
    void StopCaptionButtonsTracking();
    void RedrawCaptionButton(HitCode hit);
    const CaptionButton *GetSysButton(HitCode hit) const;
    void UpdateMargins();
    void UpdateCursor(HitCode hit);
    void RunSysCommand(HitCode hit);

    Style m_style;
    mutable std::vector<CaptionButton> m_buttons; // built once from the style
    HitCode m_highlighted = HitNowhere;
    HitCode m_pressed = HitNowhere;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CSkinnedWnd::Style)
