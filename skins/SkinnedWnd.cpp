#include "skins/SkinnedWnd.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionTitleBar>
#include <QWindow>

#include <algorithm>

CSkinnedWnd::CSkinnedWnd(Style style, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_style(style)
{
    if (HasMenu())
        m_buttons.push_back({HitClose, QRect()});
    if (HasMaximizeBtn())
        m_buttons.push_back({HitMaxButton, QRect()});
    if (HasMinimizeBtn())
        m_buttons.push_back({HitMinButton, QRect()});
    setMouseTracking(true);
    setAutoFillBackground(true);
    UpdateMargins();
}

int CSkinnedWnd::GetFrameWidth() const
{
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return 0;
    return style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
}

int CSkinnedWnd::GetCaptionHeight() const
{
    QStyleOptionTitleBar option;
    option.initFrom(this);
    return style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, this);
}

QRect CSkinnedWnd::GetCaptionRect() const
{
    if (!HasCaption())
        return QRect();
    const int frame = GetFrameWidth();
    return QRect(frame, frame, std::max(width() - 2 * frame, 0), GetCaptionHeight());
}

void CSkinnedWnd::UpdateCaption() const
{
    const QRect caption = GetCaptionRect();
    const int size = style()->pixelMetric(QStyle::PM_TitleBarButtonSize, nullptr, this);
    const int height = std::min(size, caption.height() - 2);
    int right = caption.left() + caption.width();
    for (CaptionButton &button : m_buttons) {
        if (caption.isEmpty()) {
            button.rect = QRect();
            continue;
        }
        button.rect = QRect(right - size, caption.top() + (caption.height() - height) / 2, size, height);
        right -= size;
    }
}

QRect CSkinnedWnd::GetCaptionButtonRect(HitCode button) const
{
    UpdateCaption();
    const CaptionButton *b = GetSysButton(button);
    return b ? b->rect : QRect();
}

CSkinnedWnd::HitCode CSkinnedWnd::HitTest(const QPoint &pos) const
{
    if (!rect().contains(pos))
        return HitNowhere;
    UpdateCaption();
    for (const CaptionButton &button : m_buttons) {
        if (button.rect.contains(pos))
            return button.hit;
    }
    const QRect caption = GetCaptionRect();
    const int frame = GetFrameWidth();
    if (caption.contains(pos)) {
        // The icon square at the left opens the window menu on other systems.
        const int icon = caption.height() + 2 * frame;
        return pos.x() < caption.left() + icon ? HitSysMenu : HitCaption;
    }
    if (!m_style.testFlag(SizingBorder) || frame <= 0)
        return HitClient;
    // Corners reach along the edges as far as a caption is high.
    const int corner = frame + GetCaptionHeight();
    const bool left = pos.x() < frame, right = pos.x() >= width() - frame;
    const bool top = pos.y() < frame, bottom = pos.y() >= height() - frame;
    const bool nearLeft = pos.x() < corner, nearRight = pos.x() >= width() - corner;
    const bool nearTop = pos.y() < corner, nearBottom = pos.y() >= height() - corner;
    if ((top && nearLeft) || (left && nearTop))
        return HitTopLeft;
    if ((top && nearRight) || (right && nearTop))
        return HitTopRight;
    if ((bottom && nearLeft) || (left && nearBottom))
        return HitBottomLeft;
    if ((bottom && nearRight) || (right && nearBottom))
        return HitBottomRight;
    if (left)
        return HitLeft;
    if (right)
        return HitRight;
    if (top)
        return HitTop;
    if (bottom)
        return HitBottom;
    return HitClient;
}

void CSkinnedWnd::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    UpdateCaption();
    const bool active = isActiveWindow();

    const int frame = GetFrameWidth();
    if (frame > 0) {
        QStyleOptionFrame option;
        option.initFrom(this);
        option.rect = rect();
        option.lineWidth = frame;
        option.midLineWidth = 0;
        if (active)
            option.state |= QStyle::State_Active;
        style()->drawPrimitive(QStyle::PE_FrameWindow, &option, &painter, this);
    }

    const QRect caption = GetCaptionRect();
    if (caption.isEmpty())
        return;
    QStyleOptionTitleBar title;
    title.initFrom(this);
    title.rect = caption;
    title.text = windowTitle();
    title.icon = windowIcon();
    title.titleBarState = int(windowState());
    // The flags reserve the buttons' room beside the label; the buttons
    // themselves are drawn below, where this window places them.
    title.titleBarFlags = Qt::Window | Qt::WindowTitleHint;
    title.subControls = QStyle::SC_TitleBarLabel;
    if (HasMenu()) {
        title.titleBarFlags |= Qt::WindowSystemMenuHint;
        title.subControls |= QStyle::SC_TitleBarSysMenu;
    }
    if (HasMinimizeBtn())
        title.titleBarFlags |= Qt::WindowMinimizeButtonHint;
    if (HasMaximizeBtn())
        title.titleBarFlags |= Qt::WindowMaximizeButtonHint;
    if (active) {
        title.state |= QStyle::State_Active;
        title.titleBarState |= Qt::WindowActive;
    } else {
        title.state &= ~QStyle::State_Active;
    }
    style()->drawComplexControl(QStyle::CC_TitleBar, &title, &painter, this);

    for (const CaptionButton &button : m_buttons) {
        QStyleOptionToolButton option;
        option.initFrom(this);
        option.rect = button.rect;
        option.state &= ~(QStyle::State_MouseOver | QStyle::State_Sunken);
        if (button.hit == m_highlighted) {
            option.state |= QStyle::State_MouseOver | QStyle::State_Raised;
            if (button.hit == m_pressed)
                option.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, this);
        }
        QStyle::StandardPixmap pixmap = QStyle::SP_TitleBarCloseButton;
        if (button.hit == HitMaxButton)
            pixmap = isMaximized() ? QStyle::SP_TitleBarNormalButton : QStyle::SP_TitleBarMaxButton;
        else if (button.hit == HitMinButton)
            pixmap = QStyle::SP_TitleBarMinButton;
        const int iconSize = style()->pixelMetric(QStyle::PM_TitleBarButtonIconSize, nullptr, this);
        QRect iconRect(0, 0, iconSize, iconSize);
        iconRect.moveCenter(button.rect.center());
        style()->standardIcon(pixmap, nullptr, this)
            .paint(&painter, iconRect, Qt::AlignCenter, active ? QIcon::Normal : QIcon::Disabled);
    }
}

const CSkinnedWnd::CaptionButton *CSkinnedWnd::GetSysButton(HitCode hit) const
{
    for (const CaptionButton &button : m_buttons) {
        if (button.hit == hit)
            return &button;
    }
    return nullptr;
}

void CSkinnedWnd::RedrawCaptionButton(HitCode hit)
{
    UpdateCaption();
    if (const CaptionButton *button = GetSysButton(hit))
        update(button->rect);
}

void CSkinnedWnd::OnTrackCaptionButtons(const QPoint &pos)
{
    HitCode hit = HitTest(pos);
    if (!GetSysButton(hit))
        hit = HitNowhere;
    if (hit == m_highlighted)
        return;
    const HitCode previous = m_highlighted;
    m_highlighted = hit;
    RedrawCaptionButton(previous);
    RedrawCaptionButton(hit);
}

void CSkinnedWnd::StopCaptionButtonsTracking()
{
    const HitCode highlighted = m_highlighted, pressed = m_pressed;
    m_highlighted = m_pressed = HitNowhere;
    RedrawCaptionButton(highlighted);
    RedrawCaptionButton(pressed);
}

void CSkinnedWnd::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    const QPoint pos = e->position().toPoint();
    OnTrackCaptionButtons(pos);
    if (m_highlighted != HitNowhere) {
        m_pressed = m_highlighted;
        RedrawCaptionButton(m_pressed);
        return;
    }
    QWindow *window = windowHandle();
    Qt::Edges edges;
    switch (HitTest(pos)) {
    case HitCaption:
    case HitSysMenu:
        if (window)
            window->startSystemMove();
        return;
    case HitLeft: edges = Qt::LeftEdge; break;
    case HitRight: edges = Qt::RightEdge; break;
    case HitTop: edges = Qt::TopEdge; break;
    case HitBottom: edges = Qt::BottomEdge; break;
    case HitTopLeft: edges = Qt::TopEdge | Qt::LeftEdge; break;
    case HitTopRight: edges = Qt::TopEdge | Qt::RightEdge; break;
    case HitBottomLeft: edges = Qt::BottomEdge | Qt::LeftEdge; break;
    case HitBottomRight: edges = Qt::BottomEdge | Qt::RightEdge; break;
    default:
        QWidget::mousePressEvent(e);
        return;
    }
    if (window)
        window->startSystemResize(edges);
}

void CSkinnedWnd::mouseMoveEvent(QMouseEvent *e)
{
    const QPoint pos = e->position().toPoint();
    if (m_pressed == HitNowhere)
        OnTrackCaptionButtons(pos);
    UpdateCursor(HitTest(pos));
    QWidget::mouseMoveEvent(e);
}

void CSkinnedWnd::mouseReleaseEvent(QMouseEvent *e)
{
    const HitCode pressed = m_pressed;
    if (e->button() != Qt::LeftButton || pressed == HitNowhere) {
        QWidget::mouseReleaseEvent(e);
        return;
    }
    const bool stillOver = HitTest(e->position().toPoint()) == pressed;
    StopCaptionButtonsTracking();
    if (stillOver) {
        // Posted, as closing may delete the window under this handler.
        QMetaObject::invokeMethod(this, [this, pressed] { RunSysCommand(pressed); }, Qt::QueuedConnection);
    }
}

void CSkinnedWnd::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() == Qt::LeftButton && HitTest(e->position().toPoint()) == HitCaption
        && HasMaximizeBtn()) {
        RunSysCommand(HitMaxButton);
        return;
    }
    QWidget::mouseDoubleClickEvent(e);
}

void CSkinnedWnd::RunSysCommand(HitCode hit)
{
    switch (hit) {
    case HitClose:
        close();
        break;
    case HitMaxButton:
        if (isMaximized())
            showNormal();
        else
            showMaximized();
        break;
    case HitMinButton:
        if (isMinimized())
            showNormal();
        else
            showMinimized();
        break;
    default:
        break;
    }
}

void CSkinnedWnd::leaveEvent(QEvent *e)
{
    if (m_pressed == HitNowhere && m_highlighted != HitNowhere) {
        const HitCode previous = m_highlighted;
        m_highlighted = HitNowhere;
        RedrawCaptionButton(previous);
    }
    unsetCursor();
    QWidget::leaveEvent(e);
}

void CSkinnedWnd::changeEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::WindowStateChange:
    case QEvent::StyleChange:
    case QEvent::FontChange:
        UpdateMargins();
        update();
        break;
    case QEvent::ActivationChange:
    case QEvent::WindowTitleChange:
    case QEvent::WindowIconChange:
        update(GetCaptionRect());
        break;
    default:
        break;
    }
    QWidget::changeEvent(e);
}

void CSkinnedWnd::UpdateMargins()
{
    const int frame = GetFrameWidth();
    const int caption = HasCaption() ? GetCaptionHeight() : 0;
    setContentsMargins(frame, frame + caption, frame, frame);
}

void CSkinnedWnd::UpdateCursor(HitCode hit)
{
    switch (hit) {
    case HitLeft:
    case HitRight: setCursor(Qt::SizeHorCursor); break;
    case HitTop:
    case HitBottom: setCursor(Qt::SizeVerCursor); break;
    case HitTopLeft:
    case HitBottomRight: setCursor(Qt::SizeFDiagCursor); break;
    case HitTopRight:
    case HitBottomLeft: setCursor(Qt::SizeBDiagCursor); break;
    default: unsetCursor(); break;
    }
}
