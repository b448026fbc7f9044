#include "QVVisualManager.h"

#include "SkinLog.h"
#include "SkinnedWnd.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QToolBar>

#include <algorithm>

namespace {

int g_screenDepth = 0;

int screenDepth()
{
    if (g_screenDepth > 0)
        return g_screenDepth;
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 32;
}

const QString StatusBarText = QStringLiteral("BARS/STATUSBAR/Text");

// Paths of the caption-button values of one size.
QString buttonsPath(bool small, const char *value)
{
    return QStringLiteral("MAINWND/CAPTION/BUTTONS/") + (small ? QStringLiteral("SMALL/") : QStringLiteral("NORMAL/"))
        + QLatin1String(value);
}

bool isToolWindow(Qt::WindowFlags flags)
{
    return (flags & Qt::WindowType_Mask) == Qt::Tool;
}

void fillTriangle(QPainter *painter, const QRect &rect, Qt::ArrowType direction, const QColor &color)
{
    const QPointF c = QRectF(rect).center();
    const qreal s = std::min(rect.width(), rect.height()) / 4.0 + 0.5;
    QPolygonF shape;
    if (direction == Qt::DownArrow)
        shape << QPointF(c.x() - s, c.y() - s / 2) << QPointF(c.x() + s, c.y() - s / 2)
              << QPointF(c.x(), c.y() + s / 2);
    else
        shape << QPointF(c.x() - s / 2, c.y() - s) << QPointF(c.x() + s / 2, c.y())
              << QPointF(c.x() - s / 2, c.y() + s);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(color);
    painter->drawPolygon(shape);
    painter->restore();
}

} // namespace

CQVVisualManager::CQVVisualManager(const QString &resourceRoot)
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion")))
    , m_root(resourceRoot)
{
    OnUpdateSystemColors();
}

CQVVisualManager::~CQVVisualManager() = default;

CQVVisualManager *CQVVisualManager::SetDefaultManager()
{
    auto *manager = new CQVVisualManager();
    QApplication::setStyle(manager);
    QApplication::setPalette(manager->standardPalette());
    return manager;
}

void CQVVisualManager::SetScreenDepth(int bitsPerPixel)
{
    g_screenDepth = bitsPerPixel;
}

QString CQVVisualManager::GetStyleResourceID() const
{
    return QStringLiteral("IDX_QVBASE_STYLE");
}

void CQVVisualManager::CleanUp()
{
    for (IconSet &set : m_icons)
        set = IconSet();
}

QImage CQVVisualManager::LoadPicture(const QString &name) const
{
    const QImage image(m_root + QStringLiteral("PNG/") + name + QStringLiteral(".png"));
    if (image.isNull())
        qCWarning(lcSkins) << "style picture missing:" << name;
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void CQVVisualManager::LoadSkinIcons(int index, QSize size, const QString &suffix)
{
    static const char *const names[] = {
        "SYS_BTN_CLOSE", "SYS_BTN_MAXIMIZE", "SYS_BTN_RESTORE", "SYS_BTN_MINIMIZE", "SYS_BTN_EXIT"};
    IconSet &set = m_icons[index];
    set = IconSet();
    set.size = size;
    for (int kind = Close; kind <= Exit; ++kind)
        set.pictures[kind] = LoadPicture(m_style.PictureName(QLatin1String(names[kind]) + suffix));
}

void CQVVisualManager::OnUpdateSystemColors()
{
    CleanUp();
    m_style = CQVVisualStyle();
    m_styled = false;
    // Few colours: the plain look, and no style picture is loaded.
    if (screenDepth() <= 8)
        return;

    QFile file(m_root + QStringLiteral("STYLE_XML/") + GetStyleResourceID());
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSkins) << "no style resource" << file.fileName();
        return;
    }
    m_style = CQVVisualStyle::Read(file.readAll(), [this](const QString &name) { return LoadPicture(name); });
    if (!m_style.IsLoaded()) {
        qCWarning(lcSkins) << "style resource not read:" << file.fileName();
        return;
    }
    m_styled = true;
    for (int index = 0; index < 2; ++index) {
        if (const auto size = m_style.GetSize(buttonsPath(index == 1, "IconSize")))
            LoadSkinIcons(index, *size, index == 1 ? QStringLiteral("_S") : QString());
    }
    if (QApplication::style() == this)
        QApplication::setPalette(standardPalette());
}

QImage CQVVisualManager::ButtonRow(ButtonKind kind, int row, bool small) const
{
    const IconSet &set = m_icons[small ? 1 : 0];
    const QImage &picture = set.pictures[kind];
    if (picture.isNull())
        return QImage();
    const int height = set.size.height() > 0 ? std::min(set.size.height(), picture.height()) : picture.height() / 4;
    const int rows = std::max(picture.height() / std::max(height, 1), 1);
    row = std::clamp(row, 0, rows - 1);
    return picture.copy(0, row * height, picture.width(), height);
}

void CQVVisualManager::DrawNcBtn(
    QPainter &painter, const QRect &rect, ButtonKind kind, ButtonState state, bool small, bool active, bool mdi) const
{
    // Rows of a caption-button picture: normal, highlighted, pressed, inactive.
    int row = 0;
    if (!active) {
        row = 3;
    } else if (state != Normal) {
        row = state == Highlighted ? 1 : 2;
        const int frame = state == Highlighted ? 0 : 1;
        const CQVStyleRenderer &mdiBack = m_style.Renderer(QStringLiteral("RIBBON/BUTTON"));
        if (mdi && m_style.GetType() > 19 && mdiBack.IsValid())
            mdiBack.Draw(painter, rect, frame);
        else
            m_style.Renderer(buttonsPath(small, "BACK")).Draw(painter, rect, frame);
    }
    const QImage image = ButtonRow(kind, row, small);
    if (image.isNull())
        return;
    // Logical pixels: Qt scales for high-DPI screens itself.
    const QRect target(rect.left() + (rect.width() - image.width()) / 2,
        rect.top() + (rect.height() - image.height()) / 2, image.width(), image.height());
    painter.drawImage(target, image);
}

void CQVVisualManager::ApplyPalette(QPalette &palette) const
{
    const auto set = [&](QPalette::ColorRole role, const char *path, bool disabledToo = true) {
        if (const auto color = m_style.GetColor(QLatin1String(path))) {
            palette.setColor(QPalette::Active, role, *color);
            palette.setColor(QPalette::Inactive, role, *color);
            if (disabledToo)
                palette.setColor(QPalette::Disabled, role, *color);
        }
    };
    set(QPalette::Window, "GLOBALS/BarFace");
    set(QPalette::Button, "GLOBALS/BarFace");
    set(QPalette::WindowText, "GLOBALS/BarText", false);
    set(QPalette::ButtonText, "GLOBALS/BarText", false);
    set(QPalette::Light, "GLOBALS/BarLight");
    set(QPalette::Mid, "GLOBALS/BarShadow");
    set(QPalette::Dark, "GLOBALS/BarDkShadow");
    set(QPalette::Shadow, "GLOBALS/BarDkShadow");
    set(QPalette::Highlight, "GLOBALS/Highlight", false);
    set(QPalette::HighlightedText, "GLOBALS/HighlightText", false);
    set(QPalette::ToolTipBase, "GLOBALS/TOOLTIP/GradientStart");
    set(QPalette::ToolTipText, "GLOBALS/TOOLTIP/Text");
    set(QPalette::Base, "EDIT/Background");
    set(QPalette::Text, "EDIT/Text", false);
    if (const auto face = m_style.GetColor(QStringLiteral("GLOBALS/BarFace"))) {
        const QColor light = m_style.Color(QStringLiteral("GLOBALS/BarLight"), face->lighter(110));
        const QColor midlight = QColor(
            (face->red() + light.red()) / 2, (face->green() + light.green()) / 2, (face->blue() + light.blue()) / 2);
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Midlight, midlight);
    }
    if (const auto disabled = m_style.GetColor(QStringLiteral("MENU/TextDisabled"))) {
        for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
            palette.setColor(QPalette::Disabled, role, *disabled);
    }
}

QPalette CQVVisualManager::standardPalette() const
{
    QPalette palette = QProxyStyle::standardPalette();
    if (m_styled)
        ApplyPalette(palette);
    return palette;
}

void CQVVisualManager::polish(QPalette &palette)
{
    QProxyStyle::polish(palette);
    if (m_styled)
        ApplyPalette(palette);
}

void CQVVisualManager::polish(QWidget *widget)
{
    QProxyStyle::polish(widget);
    if (!m_styled)
        return;
    // Text on the deep status bar band.
    if (qobject_cast<QStatusBar *>(widget)) {
        if (const auto text = m_style.GetColor(StatusBarText)) {
            QPalette palette = widget->palette();
            palette.setColor(QPalette::Active, QPalette::WindowText, *text);
            palette.setColor(QPalette::Inactive, QPalette::WindowText, *text);
            palette.setColor(QPalette::Disabled, QPalette::WindowText,
                m_style.Color(QStringLiteral("BARS/STATUSBAR/TextDisabled"), *text));
            widget->setPalette(palette);
        }
    }
}

void CQVVisualManager::unpolish(QWidget *widget)
{
    if (qobject_cast<QStatusBar *>(widget))
        widget->setPalette(QPalette());
    QProxyStyle::unpolish(widget);
}

bool CQVVisualManager::DrawPicture(QPainter *painter, const QString &path, const QRect &rect, int frame) const
{
    const CQVStyleRenderer &renderer = m_style.Renderer(path);
    if (!renderer.IsValid())
        return false;
    renderer.Draw(*painter, rect, frame);
    return true;
}

void CQVVisualManager::DrawGradient(
    QPainter *painter, const QRect &rect, const QString &start, const QString &finish, const QColor &fallback) const
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, m_style.Color(start, fallback));
    gradient.setColorAt(1, m_style.Color(finish, fallback));
    painter->fillRect(rect, gradient);
}

void CQVVisualManager::drawPrimitive(
    PrimitiveElement element, const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    if (!m_styled) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QRect &r = option->rect;
    const bool enabled = option->state & State_Enabled;
    switch (element) {
    case PE_PanelStatusBar:
        if (DrawPicture(painter, QStringLiteral("BARS/STATUSBAR/BACK"), r))
            return;
        break;
    case PE_FrameStatusBarItem: {
        // A separator after each pane.
        painter->save();
        painter->setPen(m_style.Color(QStringLiteral("BARS/STATUSBAR/PaneBorder"), option->palette.mid().color()));
        painter->drawLine(r.right(), r.top() + 2, r.right(), r.bottom() - 2);
        painter->restore();
        return;
    }
    case PE_PanelMenu:
    case PE_FrameMenu: {
        painter->save();
        if (element == PE_PanelMenu)
            painter->fillRect(r, m_style.Color(QStringLiteral("MENU/Background"), option->palette.window().color()));
        painter->setPen(m_style.Color(QStringLiteral("BARS/POPUPBAR/Border"), option->palette.dark().color()));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    case PE_PanelMenuBar:
        return; // the bar's background comes with its empty area and its items
    case PE_PanelButtonTool: {
        // A frameless skinned window's highlighted or pressed caption button.
        if (const auto *skinned = qobject_cast<const CSkinnedWnd *>(widget)) {
            if (DrawPicture(painter, buttonsPath(isToolWindow(skinned->windowFlags()), "BACK"), r,
                    (option->state & State_Sunken) ? 1 : 0))
                return;
            break;
        }
        const bool onToolBar = widget && qobject_cast<const QToolBar *>(widget->parentWidget());
        if (!(option->state & State_AutoRaise) && !onToolBar)
            break;
        const bool hot = option->state & State_MouseOver;
        const bool down = option->state & State_Sunken;
        const bool on = option->state & State_On;
        if (!enabled || !(hot || down || on))
            return;
        if (DrawPicture(painter, QStringLiteral("BARS/TOOLBAR/BUTTON"), r, down ? 1 : (on && !hot) ? 2 : 0))
            return;
        break;
    }
    case PE_IndicatorToolBarHandle: {
        const CQVStyleRenderer &dot = m_style.Renderer(QStringLiteral("BARS/TOOLBAR/GRIPPER"));
        if (!dot.IsValid())
            break;
        const QSize size = dot.GetFrameSize();
        if (option->state & State_Horizontal) {
            const int x = r.center().x() - size.width() / 2;
            for (int y = r.top() + 3; y + size.height() <= r.bottom() - 2; y += size.height())
                dot.Draw(*painter, QRect(QPoint(x, y), size));
        } else {
            const int y = r.center().y() - size.height() / 2;
            for (int x = r.left() + 3; x + size.width() <= r.right() - 2; x += size.width())
                dot.Draw(*painter, QRect(QPoint(x, y), size));
        }
        return;
    }
    case PE_IndicatorToolBarSeparator: {
        painter->save();
        const QColor dark = m_style.Color(QStringLiteral("BARS/DEFAULT/Border"), option->palette.mid().color());
        const QColor light = option->palette.light().color();
        if (option->state & State_Horizontal) {
            const int x = r.center().x();
            painter->setPen(dark);
            painter->drawLine(x, r.top() + 3, x, r.bottom() - 3);
            painter->setPen(light);
            painter->drawLine(x + 1, r.top() + 3, x + 1, r.bottom() - 3);
        } else {
            const int y = r.center().y();
            painter->setPen(dark);
            painter->drawLine(r.left() + 3, y, r.right() - 3, y);
            painter->setPen(light);
            painter->drawLine(r.left() + 3, y + 1, r.right() - 3, y + 1);
        }
        painter->restore();
        return;
    }
    case PE_PanelLineEdit:
    case PE_FrameLineEdit: {
        const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
        painter->save();
        if (element == PE_PanelLineEdit)
            painter->fillRect(r, option->palette.base());
        if (element == PE_FrameLineEdit || (frame && frame->lineWidth > 0)) {
            const char *border = !enabled                              ? "EDIT/BorderDisabled"
                : (option->state & (State_HasFocus | State_MouseOver)) ? "EDIT/BorderHighlighted"
                                                                       : "EDIT/Border";
            painter->setPen(m_style.Color(QLatin1String(border), option->palette.mid().color()));
            painter->setBrush(Qt::NoBrush);
            painter->drawRect(r.adjusted(0, 0, -1, -1));
        }
        painter->restore();
        return;
    }
    case PE_PanelTipLabel: {
        painter->save();
        DrawGradient(painter, r, QStringLiteral("GLOBALS/TOOLTIP/GradientStart"),
            QStringLiteral("GLOBALS/TOOLTIP/GradientFinish"), option->palette.toolTipBase().color());
        painter->setPen(m_style.Color(QStringLiteral("GLOBALS/TOOLTIP/Border"), option->palette.dark().color()));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        painter->restore();
        return;
    }
    case PE_FrameWindow: {
        const bool mdi = qobject_cast<const QMdiSubWindow *>(widget);
        if (DrawPicture(painter, mdi ? QStringLiteral("MAINWND/BORDER_MDICHILD") : QStringLiteral("MAINWND/BORDER"), r,
                (option->state & State_Active) ? 0 : 1))
            return;
        break;
    }
    default:
        break;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void CQVVisualManager::DrawMenuItem(const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    const QRect &r = option->rect;
    const int gutter = std::max(item->maxIconWidth, 16) + 8;
    painter->save();
    painter->fillRect(r, m_style.Color(QStringLiteral("MENU/Background"), option->palette.window().color()));
    painter->fillRect(QRect(r.left(), r.top(), gutter, r.height()),
        m_style.Color(QStringLiteral("MENU/Gutter"), option->palette.window().color()));

    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        const int y = r.center().y();
        painter->setPen(m_style.Color(QStringLiteral("MENU/Separator"), option->palette.mid().color()));
        painter->drawLine(r.left() + gutter + 4, y, r.right() - 4, y);
        painter->restore();
        return;
    }

    const bool enabled = option->state & State_Enabled;
    const bool selected = option->state & State_Selected;
    if (selected) {
        const CQVStyleRenderer &highlight = m_style.Renderer(QStringLiteral("MENU/HIGHLIGHT"));
        if (highlight.IsValid())
            highlight.Draw(*painter, r.adjusted(2, 0, -2, 0), enabled ? 0 : 1);
        else
            painter->fillRect(r, option->palette.highlight());
    }
    const QColor text = !enabled
        ? m_style.Color(QStringLiteral("MENU/TextDisabled"), option->palette.color(QPalette::Disabled, QPalette::Text))
        : selected ? m_style.Color(QStringLiteral("MENU/TextHighlighted"), option->palette.text().color())
                   : m_style.Color(QStringLiteral("MENU/Text"), option->palette.text().color());

    // The check box or icon square in the gutter.
    const int side = std::min(gutter - 4, r.height() - 2);
    const QRect square(r.left() + (gutter - side) / 2, r.top() + (r.height() - side) / 2, side, side);
    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    if (checked) {
        m_style.Renderer(QStringLiteral("MENU/CHECK")).Draw(*painter, square);
        if (item->icon.isNull()) {
            painter->setRenderHint(QPainter::Antialiasing);
            const QRectF c = QRectF(square).adjusted(side * 0.28, side * 0.28, -side * 0.28, -side * 0.28);
            if (item->checkType == QStyleOptionMenuItem::Exclusive) {
                painter->setPen(Qt::NoPen);
                painter->setBrush(text);
                painter->drawEllipse(
                    c.adjusted(c.width() * 0.15, c.height() * 0.15, -c.width() * 0.15, -c.height() * 0.15));
            } else {
                painter->setPen(QPen(text, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter->drawPolyline(QPolygonF({QPointF(c.left(), c.center().y()),
                    QPointF(c.left() + c.width() * 0.4, c.bottom()), QPointF(c.right(), c.top())}));
            }
            painter->setRenderHint(QPainter::Antialiasing, false);
        }
    }
    if (!item->icon.isNull()) {
        const QIcon::Mode mode = !enabled ? QIcon::Disabled : selected ? QIcon::Active : QIcon::Normal;
        item->icon.paint(painter, square, Qt::AlignCenter, mode, checked ? QIcon::On : QIcon::Off);
    }

    // Label, shortcut after a tab, and the sub-menu arrow.
    const int arrow = item->menuItemType == QStyleOptionMenuItem::SubMenu ? 12 : 0;
    const QRect textRect = r.adjusted(gutter + 6, 0, -(arrow + 10), 0);
    int flags = Qt::AlignVCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, option, widget))
        flags |= Qt::TextHideMnemonic;
    QFont font = item->font;
    if (item->menuItemType == QStyleOptionMenuItem::DefaultItem)
        font.setBold(true);
    painter->setFont(font);
    painter->setPen(text);
    const qsizetype tab = item->text.indexOf(QLatin1Char('\t'));
    painter->drawText(textRect, flags | Qt::AlignLeft, item->text.left(tab));
    if (tab >= 0)
        painter->drawText(textRect, flags | Qt::AlignRight, item->text.mid(tab + 1));
    if (arrow)
        fillTriangle(painter, QRect(r.right() - arrow - 4, r.top(), arrow, r.height()), Qt::RightArrow, text);
    painter->restore();
}

void CQVVisualManager::drawControl(
    ControlElement element, const QStyleOption *option, QPainter *painter, const QWidget *widget) const
{
    if (!m_styled) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect &r = option->rect;
    const bool enabled = option->state & State_Enabled;
    switch (element) {
    case CE_MenuBarEmptyArea:
        if (DrawPicture(painter, QStringLiteral("BARS/MENUBAR/BACK"), widget ? widget->rect() : r))
            return;
        break;
    case CE_MenuBarItem: {
        const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
        const CQVStyleRenderer &back = m_style.Renderer(QStringLiteral("BARS/MENUBAR/BACK"));
        if (!item || !back.IsValid())
            break;
        painter->save();
        // The bar's background runs on under its items.
        painter->setClipRect(r, Qt::IntersectClip);
        back.Draw(*painter, widget ? widget->rect() : item->menuRect);
        const bool selected = (option->state & State_Selected) && enabled;
        const bool sunken = option->state & State_Sunken;
        if (selected || sunken)
            m_style.Renderer(QStringLiteral("BARS/MENUBAR/ITEM")).Draw(*painter, r, sunken ? 1 : 0);
        const char *textPath = !enabled ? "BARS/MENUBAR/TextDisabled"
            : (selected || sunken)      ? "BARS/MENUBAR/TextHighlighted"
                                        : "BARS/MENUBAR/Text";
        painter->setPen(m_style.Color(QLatin1String(textPath), option->palette.windowText().color()));
        int flags = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine;
        if (!proxy()->styleHint(SH_UnderlineShortcut, option, widget))
            flags |= Qt::TextHideMnemonic;
        painter->drawText(r, flags, item->text);
        painter->restore();
        return;
    }
    case CE_MenuItem:
        if (!qstyleoption_cast<const QStyleOptionMenuItem *>(option))
            break;
        DrawMenuItem(option, painter, widget);
        return;
    case CE_MenuEmptyArea:
        painter->fillRect(r, m_style.Color(QStringLiteral("MENU/Background"), option->palette.window().color()));
        return;
    case CE_ToolBar:
        if (DrawPicture(painter, QStringLiteral("BARS/TOOLBAR/BACK"), r))
            return;
        break;
    case CE_SizeGrip: {
        const auto *grip = qstyleoption_cast<const QStyleOptionSizeGrip *>(option);
        const CQVStyleRenderer &box = m_style.Renderer(QStringLiteral("BARS/STATUSBAR/SIZEBOX"));
        if (!grip || grip->corner != Qt::BottomRightCorner || !box.IsValid())
            break;
        const QSize size = box.GetFrameSize().boundedTo(r.size());
        box.Draw(*painter, QRect(r.bottomRight() - QPoint(size.width() - 1, size.height() - 1), size));
        return;
    }
    case CE_HeaderSection: {
        painter->save();
        const bool pressed = option->state & State_Sunken;
        const bool hot = option->state & State_MouseOver;
        const QString base = QStringLiteral("HEADER/");
        const QString kind = pressed ? QStringLiteral("Pressed")
            : hot                    ? QStringLiteral("Highlighted")
                                     : QStringLiteral("Gradient");
        DrawGradient(painter, r, base + kind + QStringLiteral("Start"), base + kind + QStringLiteral("Finish"),
            option->palette.button().color());
        painter->setPen(m_style.Color(QStringLiteral("HEADER/Border"), option->palette.mid().color()));
        painter->drawLine(r.topRight(), r.bottomRight());
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        painter->restore();
        return;
    }
    case CE_TabBarTabShape: {
        const auto *tab = qstyleoption_cast<const QStyleOptionTab *>(option);
        const CQVStyleRenderer &shape = m_style.Renderer(QStringLiteral("TABS/TAB"));
        if (!tab || tab->shape != QTabBar::RoundedNorth || !shape.IsValid())
            break;
        const bool selected = option->state & State_Selected;
        shape.Draw(*painter, selected ? r : r.adjusted(0, 2, 0, 0),
            selected                                ? 2
                : (option->state & State_MouseOver) ? 1
                                                    : 0);
        return;
    }
    case CE_DockWidgetTitle: {
        const auto *dock = qstyleoption_cast<const QStyleOptionDockWidget *>(option);
        if (!dock || dock->verticalTitleBar)
            break;
        painter->save();
        DrawGradient(painter, r, QStringLiteral("BARS/CAPTIONBAR/GradientStart"),
            QStringLiteral("BARS/CAPTIONBAR/GradientFinish"), option->palette.window().color());
        painter->setPen(m_style.Color(QStringLiteral("BARS/CAPTIONBAR/Border"), option->palette.mid().color()));
        painter->drawLine(r.bottomLeft(), r.bottomRight());
        const QRect text = proxy()->subElementRect(SE_DockWidgetTitleBarText, option, widget);
        painter->setPen(m_style.Color(QStringLiteral("BARS/CAPTIONBAR/Text"), option->palette.windowText().color()));
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            painter->fontMetrics().elidedText(dock->title, Qt::ElideRight, text.width()));
        painter->restore();
        return;
    }
    case CE_ToolBoxTabShape: {
        // Tool-box pages are the outlook-style bar's page buttons.
        if (DrawPicture(painter, QStringLiteral("OUTLOOK/BUTTON"), r,
                (option->state & State_Selected)        ? 2
                    : (option->state & State_MouseOver) ? 1
                                                        : 0))
            return;
        break;
    }
    default:
        break;
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void CQVVisualManager::DrawTitleBar(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
{
    const auto *bar = qstyleoption_cast<const QStyleOptionTitleBar *>(option);
    const QRect &r = bar->rect;
    const bool active = bar->state & State_Active;
    const bool mdi = qobject_cast<const QMdiSubWindow *>(widget);
    const bool small = isToolWindow(bar->titleBarFlags);
    const Qt::WindowFlags flags = bar->titleBarFlags;
    const Qt::WindowStates states = Qt::WindowStates(bar->titleBarState);
    const QString state = active ? QStringLiteral("MAINWND/CAPTION/ACTIVE/")
                                 : QStringLiteral("MAINWND/CAPTION/INACTIVE/");

    painter->save();
    const CQVStyleRenderer &back = m_style.Renderer(QStringLiteral("MAINWND/CAPTION/BACK"));
    if (m_style.GetType() <= 19 || !back.IsValid()) {
        const QRect inner = r.marginsRemoved(
            m_style.GetMargins(QStringLiteral("MAINWND/CAPTION/BORDER")).value_or(QMargins()));
        const QColor global = m_style.Color(
            active ? QStringLiteral("GLOBALS/ActiveCaption") : QStringLiteral("GLOBALS/InactiveCaption"),
            option->palette.highlight().color());
        DrawGradient(
            painter, inner, state + QStringLiteral("GradientStart"), state + QStringLiteral("GradientFinish"), global);
    }
    back.Draw(*painter, r, active ? 0 : 1);

    if ((bar->subControls & SC_TitleBarSysMenu) && (flags & Qt::WindowSystemMenuHint) && !bar->icon.isNull()) {
        const QRect icon = proxy()->subControlRect(CC_TitleBar, bar, SC_TitleBarSysMenu, widget);
        bar->icon.paint(painter, icon, Qt::AlignCenter, active ? QIcon::Normal : QIcon::Disabled);
    }

    const auto button = [&](SubControl control, ButtonKind kind) {
        const QRect rect = proxy()->subControlRect(CC_TitleBar, bar, control, widget);
        ButtonState buttonState = Normal;
        if (bar->activeSubControls & control) {
            if (bar->state & State_Sunken)
                buttonState = Pressed;
            else if (bar->state & State_MouseOver)
                buttonState = Highlighted;
        }
        DrawNcBtn(*painter, rect, kind, buttonState, small, active, mdi);
    };
    const bool minimized = states & Qt::WindowMinimized;
    const bool maximized = states & Qt::WindowMaximized;
    if ((bar->subControls & SC_TitleBarCloseButton) && (flags & Qt::WindowSystemMenuHint))
        button(SC_TitleBarCloseButton, Close);
    if ((bar->subControls & SC_TitleBarMaxButton) && (flags & Qt::WindowMaximizeButtonHint) && !maximized)
        button(SC_TitleBarMaxButton, Maximize);
    if ((bar->subControls & SC_TitleBarNormalButton)
        && (((flags & Qt::WindowMinimizeButtonHint) && minimized)
            || ((flags & Qt::WindowMaximizeButtonHint) && maximized)))
        button(SC_TitleBarNormalButton, Restore);
    if ((bar->subControls & SC_TitleBarMinButton) && (flags & Qt::WindowMinimizeButtonHint) && !minimized)
        button(SC_TitleBarMinButton, Minimize);

    if (bar->subControls & SC_TitleBarLabel) {
        const QRect label = proxy()->subControlRect(CC_TitleBar, bar, SC_TitleBarLabel, widget).adjusted(4, 0, 0, 0);
        const QColor global = m_style.Color(
            active ? QStringLiteral("GLOBALS/CaptionText") : QStringLiteral("GLOBALS/InactiveCaptionText"),
            option->palette.highlightedText().color());
        painter->setFont(m_style.Font(QStringLiteral("MAINWND/CAPTION/FONT"), painter->font()));
        const QColor text = m_style.Color(state + QStringLiteral("Text"), global);
        const QColor title = m_style.Color(state + QStringLiteral("TitleText"), text);
        const bool centre = m_style.GetBool(QStringLiteral("MAINWND/CAPTION/TextCenter")).value_or(false);
        DrawCaptionText(*painter, label, bar->text, centre, text, title);
    }
    painter->restore();
}

void CQVVisualManager::DrawCaptionText(QPainter &painter, const QRect &label, const QString &caption, bool centre,
    const QColor &text, const QColor &title)
{
    // A title that names a document ("Notes - Quelvar") shows the document
    // part in the text colour and the application's title in the title colour.
    const QString app = QGuiApplication::applicationDisplayName();
    const qsizetype at = app.isEmpty() ? -1 : caption.lastIndexOf(app);
    const QFontMetrics metrics = painter.fontMetrics();
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    if (at < 0 || metrics.horizontalAdvance(caption) > label.width()) {
        painter.setPen(text);
        painter.drawText(label, (centre ? Qt::AlignCenter : flags) | Qt::TextSingleLine,
            metrics.elidedText(caption, Qt::ElideRight, label.width()));
        return;
    }
    const QString parts[] = {caption.left(at), app, caption.mid(at + app.size())};
    int x = label.left() + (centre ? (label.width() - metrics.horizontalAdvance(caption)) / 2 : 0);
    for (int i = 0; i < 3; ++i) {
        if (parts[i].isEmpty())
            continue;
        painter.setPen(i == 1 ? title : text);
        const int width = metrics.horizontalAdvance(parts[i]);
        painter.drawText(QRect(x, label.top(), width, label.height()), flags, parts[i]);
        x += width;
    }
}

void CQVVisualManager::DrawComboBox(const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
{
    const auto *combo = qstyleoption_cast<const QStyleOptionComboBox *>(option);
    const QRect &r = option->rect;
    const bool enabled = option->state & State_Enabled;
    const bool hot = option->state & State_MouseOver;
    const bool down = (option->state & (State_Sunken | State_On));
    const int frame = down ? 2 : hot ? 1 : 0;
    const CQVStyleRenderer &button = m_style.Renderer(QStringLiteral("COMBO/BUTTON"));
    const QRect arrow = proxy()->subControlRect(CC_ComboBox, option, SC_ComboBoxArrow, widget);

    painter->save();
    if (combo->editable) {
        painter->fillRect(r, option->palette.base());
        button.Draw(*painter, arrow, frame);
    } else {
        button.Draw(*painter, r, frame);
    }
    const char *border = !enabled                   ? "COMBO/BorderDisabled"
        : (hot || (option->state & State_HasFocus)) ? "COMBO/BorderHighlighted"
                                                    : "COMBO/Border";
    painter->setPen(m_style.Color(QLatin1String(border), option->palette.mid().color()));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(r.adjusted(0, 0, -1, -1));
    fillTriangle(painter, arrow, Qt::DownArrow,
        enabled ? m_style.Color(QStringLiteral("COMBO/Arrow"), option->palette.buttonText().color())
                : option->palette.color(QPalette::Disabled, QPalette::ButtonText));
    painter->restore();
}

void CQVVisualManager::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex *option, QPainter *painter, const QWidget *widget) const
{
    if (m_styled) {
        if (control == CC_TitleBar && qstyleoption_cast<const QStyleOptionTitleBar *>(option)) {
            DrawTitleBar(option, painter, widget);
            return;
        }
        if (control == CC_ComboBox && qstyleoption_cast<const QStyleOptionComboBox *>(option)
            && m_style.Renderer(QStringLiteral("COMBO/BUTTON")).IsValid()) {
            DrawComboBox(option, painter, widget);
            return;
        }
    }
    QProxyStyle::drawComplexControl(control, option, painter, widget);
}

int CQVVisualManager::pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const
{
    if (m_styled) {
        const auto *bar = qstyleoption_cast<const QStyleOptionTitleBar *>(option);
        const bool small = bar && isToolWindow(bar->titleBarFlags);
        switch (metric) {
        case PM_MenuPanelWidth:
            return 1;
        case PM_TitleBarHeight:
            if (const auto size = m_style.GetSize(buttonsPath(small, "ConstSize")))
                return std::max(QProxyStyle::pixelMetric(metric, option, widget), size->height() + (small ? 4 : 6));
            break;
        case PM_TitleBarButtonSize:
            if (const auto size = m_style.GetSize(buttonsPath(small, "ConstSize")))
                return size->height();
            break;
        case PM_TitleBarButtonIconSize:
            if (const auto size = m_style.GetSize(buttonsPath(small, "IconSize")))
                return size->width();
            break;
        case PM_MdiSubWindowFrameWidth: {
            const CQVStyleRenderer &border = m_style.Renderer(QStringLiteral("MAINWND/BORDER_MDICHILD"));
            if (border.IsValid() && border.GetSides())
                return border.GetSides()->left();
            break;
        }
        default:
            break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

QSize CQVVisualManager::sizeFromContents(
    ContentsType type, const QStyleOption *option, const QSize &size, const QWidget *widget) const
{
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (m_styled && type == CT_MenuItem) {
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                result.setHeight(7);
            else
                result = QSize(result.width() + 16, std::max(result.height(), 22));
        }
    }
    return result;
}

QIcon CQVVisualManager::standardIcon(StandardPixmap pixmap, const QStyleOption *option, const QWidget *widget) const
{
    if (m_styled) {
        ButtonKind kind = Close;
        bool caption = true;
        switch (pixmap) {
        case SP_TitleBarCloseButton:
            kind = Close;
            break;
        case SP_TitleBarMaxButton:
            kind = Maximize;
            break;
        case SP_TitleBarNormalButton:
            kind = Restore;
            break;
        case SP_TitleBarMinButton:
            kind = Minimize;
            break;
        default:
            caption = false;
            break;
        }
        const bool small = widget && isToolWindow(widget->windowFlags());
        if (caption && !ButtonRow(kind, 0, small).isNull()) {
            QIcon icon;
            icon.addPixmap(QPixmap::fromImage(ButtonRow(kind, 0, small)), QIcon::Normal);
            icon.addPixmap(QPixmap::fromImage(ButtonRow(kind, 1, small)), QIcon::Active);
            icon.addPixmap(QPixmap::fromImage(ButtonRow(kind, 3, small)), QIcon::Disabled);
            return icon;
        }
    }
    return QProxyStyle::standardIcon(pixmap, option, widget);
}
