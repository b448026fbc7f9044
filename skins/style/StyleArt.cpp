// Paints the pictures of the "Quelvar Base" visual style at build time: our
// own artwork, drawn from shapes and gradients. Each picture holds the frames
// of its states stacked top to bottom, as qvbase_style.xml describes them.
// Usage: faycel_style_art <output folder> <prefix>
// Writes "<prefix>IDB_OFFICE2007_<name>.png" for every picture.

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Painter = std::function<void(QPainter &, const QRectF &, int frame)>;

struct Picture
{
    const char *name;
    QSize frame;
    int frames;
    Painter paint;
};

QColor rgb(int r, int g, int b, int a = 255)
{
    return QColor(r, g, b, a);
}

void vGradient(QPainter &p, const QRectF &r, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(r, g);
}

// A rounded box with a vertical gradient, a one-pixel border and a light inner line.
void box(QPainter &p, const QRectF &r, qreal radius, const QColor &top, const QColor &bottom, const QColor &border,
    const QColor &shine = QColor())
{
    const QRectF outer = r.adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(outer, radius, radius);
    if (shine.isValid()) {
        p.setPen(QPen(shine, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(outer.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    }
}

// Caption-button glyphs: normal, highlighted, pressed, inactive rows.
QColor glyphColor(int row)
{
    switch (row) {
    case 0:
        return rgb(238, 243, 249);
    case 1:
        return rgb(255, 255, 255);
    case 2:
        return rgb(96, 58, 10);
    default:
        return rgb(198, 208, 220);
    }
}

void glyph(QPainter &p, const QRectF &r, int row, const std::function<void(QPainter &, const QRectF &)> &shape)
{
    const qreal unit = r.width() / 16.0;
    // A dark halo keeps the glyph readable on light and dark backgrounds.
    if (row != 2) {
        p.setPen(QPen(rgb(20, 36, 60, 150), 3.2 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        shape(p, r);
    }
    p.setPen(QPen(glyphColor(row), 1.6 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    shape(p, r);
}

void closeShape(QPainter &p, const QRectF &r)
{
    const QRectF g = r.adjusted(r.width() * 0.28, r.height() * 0.28, -r.width() * 0.28, -r.height() * 0.28);
    p.drawLine(g.topLeft(), g.bottomRight());
    p.drawLine(g.topRight(), g.bottomLeft());
}

void maximizeShape(QPainter &p, const QRectF &r)
{
    const QRectF g = r.adjusted(r.width() * 0.25, r.height() * 0.25, -r.width() * 0.25, -r.height() * 0.25);
    p.drawRect(g);
    p.drawLine(QPointF(g.left(), g.top() + r.height() * 0.08), QPointF(g.right(), g.top() + r.height() * 0.08));
}

void restoreShape(QPainter &p, const QRectF &r)
{
    const qreal w = r.width();
    const QRectF back(r.left() + w * 0.38, r.top() + w * 0.22, w * 0.38, w * 0.36);
    const QRectF front(r.left() + w * 0.22, r.top() + w * 0.40, w * 0.38, w * 0.36);
    p.drawPolyline(QPolygonF({back.bottomRight() + QPointF(-w * 0.14, 0), back.bottomRight(), back.topRight(),
        back.topLeft(), back.topLeft() + QPointF(0, w * 0.16)}));
    p.drawRect(front);
}

void minimizeShape(QPainter &p, const QRectF &r)
{
    const qreal y = r.top() + r.height() * 0.70;
    p.drawLine(QPointF(r.left() + r.width() * 0.28, y), QPointF(r.right() - r.width() * 0.28, y));
}

// A door frame with an arrow leaving it to the right.
void exitShape(QPainter &p, const QRectF &r)
{
    const qreal w = r.width();
    p.drawPolyline(
        QPolygonF({QPointF(r.left() + w * 0.50, r.top() + w * 0.30), QPointF(r.left() + w * 0.50, r.top() + w * 0.22),
            QPointF(r.left() + w * 0.22, r.top() + w * 0.22), QPointF(r.left() + w * 0.22, r.top() + w * 0.78),
            QPointF(r.left() + w * 0.50, r.top() + w * 0.78), QPointF(r.left() + w * 0.50, r.top() + w * 0.70)}));
    const qreal y = r.top() + w * 0.50;
    p.drawLine(QPointF(r.left() + w * 0.38, y), QPointF(r.left() + w * 0.80, y));
    p.drawPolyline(QPolygonF({QPointF(r.left() + w * 0.66, y - w * 0.14), QPointF(r.left() + w * 0.80, y),
        QPointF(r.left() + w * 0.66, y + w * 0.14)}));
}

Painter captionButton(void (*shape)(QPainter &, const QRectF &))
{
    return [shape](QPainter &p, const QRectF &r, int row) { glyph(p, r, row, shape); };
}

// Highlighted and pressed backgrounds in the warm accent of the style.
void accentBox(QPainter &p, const QRectF &r, int state, qreal radius)
{
    switch (state) {
    case 0: // highlighted
        box(p, r, radius, rgb(255, 244, 206), rgb(255, 214, 128), rgb(204, 160, 80), rgb(255, 252, 236, 200));
        break;
    case 1: // pressed
        box(p, r, radius, rgb(248, 190, 112), rgb(252, 214, 150), rgb(176, 124, 48));
        break;
    default: // checked
        box(p, r, radius, rgb(253, 230, 178), rgb(248, 200, 116), rgb(194, 146, 66));
        break;
    }
}

std::vector<Picture> pictures()
{
    std::vector<Picture> list;
    const auto add = [&](const char *name, QSize frame, int frames, Painter paint) {
        list.push_back({name, frame, frames, std::move(paint)});
    };

    // Caption band: active and inactive, a light top edge over a deep gradient.
    add("MAINBORDER_CAPTION", {32, 24}, 2, [](QPainter &p, const QRectF &r, int f) {
        const bool active = f == 0;
        vGradient(
            p, r, active ? rgb(82, 124, 172) : rgb(176, 190, 207), active ? rgb(42, 76, 120) : rgb(136, 152, 174));
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), active ? rgb(140, 176, 214) : rgb(214, 222, 232));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), active ? rgb(30, 56, 92) : rgb(120, 136, 158));
    });
    // Window border: a ring of 4 pixels with a dark outer and a light inner line.
    const auto border = [](QPainter &p, const QRectF &r, int f, int band) {
        const bool active = f == 0;
        p.fillRect(r, active ? rgb(52, 88, 132) : rgb(146, 162, 182));
        p.setPen(active ? rgb(26, 48, 80) : rgb(104, 120, 142));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(active ? rgb(120, 156, 198) : rgb(196, 206, 220));
        p.drawRect(r.adjusted(band - 1, band - 1, -band, -band));
    };
    add("MAINBORDER", {16, 16}, 2, [border](QPainter &p, const QRectF &r, int f) { border(p, r, f, 4); });
    add("MDICHILDBORDER", {12, 12}, 2, [border](QPainter &p, const QRectF &r, int f) { border(p, r, f, 3); });

    add("SYS_BTN_BACK", {28, 20}, 2, [](QPainter &p, const QRectF &r, int f) { accentBox(p, r, f, 4); });
    add("SYS_BTN_BACK_S", {20, 16}, 2, [](QPainter &p, const QRectF &r, int f) { accentBox(p, r, f, 3); });
    const struct
    {
        const char *name;
        const char *small;
        void (*shape)(QPainter &, const QRectF &);
    } buttons[] = {
        {"SYS_BTN_CLOSE", "SYS_BTN_CLOSE_S", closeShape},
        {"SYS_BTN_RESTORE", "SYS_BTN_RESTORE_S", restoreShape},
        {"SYS_BTN_MAXIMIZE", "SYS_BTN_MAXIMIZE_S", maximizeShape},
        {"SYS_BTN_MINIMIZE", "SYS_BTN_MINIMIZE_S", minimizeShape},
        {"SYS_BTN_EXIT", "SYS_BTN_EXIT_S", exitShape},
    };
    for (const auto &b : buttons) {
        add(b.name, {16, 16}, 4, captionButton(b.shape));
        add(b.small, {12, 12}, 4, captionButton(b.shape));
    }

    add("MENU_HIGHLIGHT", {16, 22}, 2, [](QPainter &p, const QRectF &r, int f) {
        if (f == 0)
            box(p, r, 3, rgb(255, 246, 214), rgb(255, 222, 150), rgb(214, 172, 92), rgb(255, 253, 242, 220));
        else
            box(p, r, 3, rgb(246, 248, 251), rgb(230, 235, 242), rgb(190, 200, 214));
    });
    add("MENU_CHECK", {20, 20}, 1, [](QPainter &p, const QRectF &r, int) {
        box(p, r, 3, rgb(255, 236, 190), rgb(250, 206, 128), rgb(194, 146, 66));
    });

    add("TOOLBAR_BACK", {8, 28}, 1, [](QPainter &p, const QRectF &r, int) {
        vGradient(p, r, rgb(248, 250, 252), rgb(218, 226, 236));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), rgb(176, 188, 203));
    });
    add("TOOLBAR_BUTTON", {16, 22}, 3, [](QPainter &p, const QRectF &r, int f) { accentBox(p, r, f, 3); });
    add("GRIPPER", {4, 4}, 1, [](QPainter &p, const QRectF &, int) {
        p.fillRect(QRectF(1, 1, 2, 2), rgb(255, 255, 255));
        p.fillRect(QRectF(0, 0, 2, 2), rgb(128, 142, 162));
    });

    add("MENUBAR_BACK", {8, 24}, 1, [](QPainter &p, const QRectF &r, int) {
        vGradient(p, r, rgb(252, 253, 254), rgb(226, 233, 241));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), rgb(190, 200, 214));
    });
    add("MENUBAR_ITEM", {16, 22}, 2, [](QPainter &p, const QRectF &r, int f) {
        if (f == 0)
            accentBox(p, r, 0, 3);
        else // open: a pale box joined to its pop-up menu
            box(p, r, 3, rgb(252, 253, 254), rgb(236, 240, 245), rgb(128, 142, 162));
    });

    // Status bar: a deep band, the main frame's signature.
    add("STATUSBAR_BACK", {8, 22}, 1, [](QPainter &p, const QRectF &r, int) {
        vGradient(p, r, rgb(58, 96, 142), rgb(40, 70, 110));
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), rgb(30, 52, 84));
        p.fillRect(QRectF(r.left(), r.top() + 1, r.width(), 1), rgb(104, 142, 186));
    });
    add("STATUSBAR_SIZEBOX", {12, 12}, 1, [](QPainter &p, const QRectF &, int) {
        for (int row = 0; row < 3; ++row) {
            for (int col = 2 - row; col < 3; ++col) {
                p.fillRect(QRectF(2 + col * 3 + 1, 2 + row * 3 + 1, 2, 2), rgb(24, 44, 72));
                p.fillRect(QRectF(2 + col * 3, 2 + row * 3, 2, 2), rgb(190, 208, 230));
            }
        }
    });

    add("COMBOBOX_BUTTON", {16, 20}, 3, [](QPainter &p, const QRectF &r, int f) {
        if (f == 0)
            box(p, r, 2, rgb(250, 251, 253), rgb(222, 230, 239), rgb(176, 188, 203));
        else
            accentBox(p, r, f - 1, 2);
    });
    add("TASKPANE_GROUP", {16, 24}, 1, [](QPainter &p, const QRectF &r, int) {
        box(p, r.adjusted(0, 0, 0, 4), 4, rgb(250, 252, 254), rgb(214, 224, 236), rgb(160, 174, 193));
    });
    add("TAB", {24, 22}, 3, [](QPainter &p, const QRectF &r, int f) {
        // Open at the bottom so the selected tab joins its page.
        const QRectF shape = r.adjusted(0, 0, 0, 4);
        switch (f) {
        case 0:
            box(p, shape, 4, rgb(240, 244, 248), rgb(218, 226, 236), rgb(150, 164, 184));
            break;
        case 1:
            box(p, shape, 4, rgb(255, 248, 226), rgb(255, 226, 160), rgb(194, 150, 76));
            break;
        default:
            box(p, shape, 4, rgb(255, 255, 255), rgb(250, 251, 253), rgb(150, 164, 184), rgb(255, 214, 128));
            break;
        }
    });
    add("RIBBON_BUTTON", {16, 16}, 2, [](QPainter &p, const QRectF &r, int f) { accentBox(p, r, f, 3); });
    add("OUTLOOK_BUTTON", {16, 28}, 3, [](QPainter &p, const QRectF &r, int f) {
        switch (f) {
        case 0:
            vGradient(p, r, rgb(240, 244, 249), rgb(208, 218, 231));
            break;
        case 1:
            vGradient(p, r, rgb(255, 244, 206), rgb(255, 214, 128));
            break;
        default:
            vGradient(p, r, rgb(252, 206, 140), rgb(246, 176, 92));
            break;
        }
        p.fillRect(QRectF(r.left(), r.top(), r.width(), 1), rgb(255, 255, 255, 180));
        p.fillRect(QRectF(r.left(), r.bottom() - 1, r.width(), 1), rgb(150, 164, 184));
    });
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output folder> <prefix>\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    for (const Picture &picture : pictures()) {
        QImage image(
            picture.frame.width(), picture.frame.height() * picture.frames, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (int frame = 0; frame < picture.frames; ++frame) {
            const QRectF rect(0, frame * picture.frame.height(), picture.frame.width(), picture.frame.height());
            painter.save();
            painter.setClipRect(rect);
            painter.translate(rect.topLeft());
            picture.paint(painter, QRectF(QPointF(0, 0), rect.size()), frame);
            painter.restore();
        }
        painter.end();
        const QString file = out.filePath(
            prefix + QStringLiteral("IDB_OFFICE2007_") + QLatin1String(picture.name) + QStringLiteral(".png"));
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
