#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"
#include "shared/DialogResizer.h"
#include "tests/TestUtil.h"

#include <QDialog>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QSizeGrip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>

namespace {

QWidget *AddControl(QWidget *parent, int id, const QRect &rect)
{
    auto *w = new QPushButton(parent);
    w->setObjectName(QStringLiteral("c%1").arg(id));
    w->setGeometry(rect);
    return w;
}

std::string Describe(const QRectF &r)
{
    return QStringLiteral("(%1, %2, %3 x %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// Renders a header of the given size on white with black text.
QImage RenderHeader(CDialogHeader &header, const QSize &size)
{
    QPalette pal = header.palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, Qt::black);
    pal.setColor(QPalette::Light, Qt::white);
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    header.setPalette(pal);
    header.resize(size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    header.render(&image);
    return image;
}

// Columns and rows of the dark (text) pixels within area.
QRect InkBounds(const QImage &image, const QRect &area)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

QIcon SolidIcon(const QColor &color)
{
    QPixmap pixmap(64, 64);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

TEST(DialogHeader, AttachMakesRoomAndControlsKeepTheirDistances)
{
    QDialog dialog;
    dialog.resize(300, 200);
    QWidget *a = AddControl(&dialog, 1000, QRect(10, 10, 80, 20));
    QWidget *b = AddControl(&dialog, 1, QRect(200, 160, 80, 24));
    const QPoint distance = b->pos() - a->pos();

    CDialogHeader header;
    header.Attach(&dialog);

    EXPECT_EQ(dialog.size(), QSize(300, 200 + CDialogHeader::kHeight));
    EXPECT_EQ(a->pos(), QPoint(10, 10 + CDialogHeader::kHeight));
    EXPECT_EQ(b->pos() - a->pos(), distance);
    EXPECT_EQ(header.parentWidget(), &dialog);
    EXPECT_EQ(header.geometry().topLeft(), QPoint(-1, -1));
    EXPECT_EQ(header.height(), CDialogHeader::kHeight);
    EXPECT_EQ(header.geometry().right(), dialog.width() - 1);

    // The banner spans the dialog whatever its width.
    dialog.resize(420, dialog.height());
    dialog.show();
    EXPECT_TRUE(waitUntil([&] { return header.geometry().right() == 419; }));
}

TEST(DialogHeader, DialogWithLayoutGetsATopMarginAndKeepsAFixedHeight)
{
    QDialog dialog;
    auto *layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *button = new QPushButton(QStringLiteral("OK"), &dialog);
    layout->addWidget(button);
    dialog.setFixedSize(200, 100);

    CDialogHeader header;
    header.Attach(&dialog);
    dialog.show();

    EXPECT_EQ(dialog.size(), QSize(200, 100 + CDialogHeader::kHeight));
    EXPECT_EQ(dialog.maximumHeight(), 100 + CDialogHeader::kHeight);
    EXPECT_TRUE(waitUntil([&] { return button->y() >= CDialogHeader::kHeight; }));
}

TEST(DialogHeader, DrawsIconTitleAndSubtitleWhereTheAlignmentSays)
{
    const QSize size(400, CDialogHeader::kHeight);
    for (int alignment : {0, 1, 2}) {
        SCOPED_TRACE(alignment);
        CDialogHeader header;
        header.SetTitle(QStringLiteral("Server"));
        header.SetSubtitle(QStringLiteral("Enter the hostname or IP address"));
        header.SetIcon(SolidIcon(Qt::red));
        header.SetTextAlignment(alignment);
        const QImage image = RenderHeader(header, size);
        const auto layout = CDialogHeader::ComputeLayout(size, alignment, header.IconSize(), header.EdgeSize());

        // The icon sits at the right, 5 pixels down.
        EXPECT_EQ(layout.icon.topLeft(), QPoint(400 - header.IconSize().width() - 15, 5));
        EXPECT_EQ(QColor(image.pixel(layout.icon.center())), QColor(Qt::red));
        // White above the bottom edge, the shadow along it.
        EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(Qt::white));
        EXPECT_EQ(QColor(image.pixel(200, size.height() - 1)), QColor(128, 128, 128));

        const QRect text(0, 0, layout.icon.left(), size.height() - header.EdgeSize());
        const QRect titleInk = InkBounds(image, text & QRect(0, 0, 400, 20));
        const QRect subtitleInk = InkBounds(image, text & QRect(0, 20, 400, 45));
        ASSERT_FALSE(titleInk.isEmpty());
        ASSERT_FALSE(subtitleInk.isEmpty());
        EXPECT_TRUE(layout.title.contains(titleInk)) << Describe(titleInk);
        EXPECT_TRUE(layout.subtitle.contains(subtitleInk)) << Describe(subtitleInk);
        switch (alignment) {
        case CDialogHeader::AlignLeft:
            EXPECT_LE(titleInk.left(), 12);
            EXPECT_GE(subtitleInk.left(), 20); // indented
            EXPECT_LE(subtitleInk.left(), 22);
            break;
        case CDialogHeader::AlignCenter:
            EXPECT_NEAR(titleInk.center().x(), layout.title.center().x(), 3);
            EXPECT_NEAR(subtitleInk.center().x(), layout.subtitle.center().x(), 3);
            break;
        default:
            EXPECT_GE(titleInk.right(), layout.title.right() - 3);
            EXPECT_GE(subtitleInk.right(), layout.subtitle.right() - 3);
            break;
        }
    }
}

TEST(DialogHeader, LongTextStaysInsideItsRectangles)
{
    const QSize size(240, CDialogHeader::kHeight);
    CDialogHeader header;
    header.SetTitle(QStringLiteral("A title far too long to fit on the single line it has"));
    header.SetSubtitle(QStringLiteral("A subtitle that goes on and on, well past the two lines that the banner "
                                      "has room for below its title, and must end in an ellipsis"));
    const QImage image = RenderHeader(header, size);
    const auto layout = CDialogHeader::ComputeLayout(size, 0, QSize(), header.EdgeSize());
    const QRect ink = InkBounds(image, QRect(0, 0, size.width(), size.height() - header.EdgeSize()));
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(layout.title.united(layout.subtitle).contains(ink)) << Describe(ink);
}

TEST(DialogResizer, AnchorRules)
{
    // The client area grows from 400 x 300 to 500 x 360.
    const QSizeF client(500, 360);
    const qreal dx = 100, dy = 60;
    const QRectF start(100, 50, 80, 20);
    const struct
    {
        unsigned flags;
        QRectF expected;
        bool touched;
    } cases[] = {
        {0x0F, {0, 0, 500, 360}, true},
        {0x01, {0, 0, 500, 20}, true},
        {0x02, {0, 340, 500, 20}, true},
        {0x04, {0, 0, 80, 360}, true},
        {0x08, {420, 0, 80, 360}, true},
        {0x800, {0, 50, 80, 20}, true},
        {0x1000, {100, 50, 400, 20}, true},
        {0x200, {100, 0, 80, 70}, true},
        {0x400, {100, 50, 80, 310}, true},
        // The first fixed anchor wins, and a fixed anchor overrides the moves.
        {0x03, {0, 0, 500, 20}, true},
        {0x0E, {0, 340, 500, 20}, true},
        {0x1800, {0, 50, 80, 20}, true},
        {0x600, {100, 0, 80, 70}, true},
        {0x8F0, {0, 50, 80, 20}, true},
        // Moves with the size change.
        {0x50, start, false},
        {0xA0, {200, 110, 80, 20}, true},
        {0xF0, {100, 50, 180, 80}, true},
        {0xD0, {100, 50, 180, 20}, true},
        {0x70, {100, 50, 80, 80}, true},
        {0x90, {200, 50, 80, 20}, true},
        {0x00, {150, 80, 80, 20}, true},
    };
    for (const auto &c : cases) {
        QRectF rect = start;
        EXPECT_EQ(CDialogResizer::ApplyAnchor(c.flags, rect, client, dx, dy), c.touched) << std::hex << c.flags;
        EXPECT_EQ(rect, c.expected) << std::hex << c.flags << " gave " << Describe(rect);
    }

    // No size change touches no control that only moves.
    QRectF rect = start;
    EXPECT_FALSE(CDialogResizer::ApplyAnchor(0x00, rect, QSizeF(400, 300), 0, 0));
    EXPECT_EQ(rect, start);
}

TEST(DialogResizer, HalfMovesKeepTheirFractions)
{
    QRectF rect(100, 50, 80, 20);
    CDialogResizer::ApplyAnchor(0, rect, QSizeF(401, 301), 1, 1);
    CDialogResizer::ApplyAnchor(0, rect, QSizeF(402, 302), 1, 1);
    EXPECT_EQ(rect, QRectF(101, 51, 80, 20));
}

TEST(DialogResizer, AutomaticFlagsFollowTheMiddleOfTheClientArea)
{
    const QSizeF client(400, 300); // middle 150, centre 200
    const struct
    {
        QRectF rect;
        unsigned flags;
    } cases[] = {
        {{10, 10, 50, 20}, 0x50},    // top left: stays
        {{10, 10, 380, 280}, 0xF0},  // across the middle: widens and grows
        {{300, 250, 80, 20}, 0xA0},  // bottom right: moves
        {{10, 130, 50, 20}, 0x70},   // bottom exactly on the middle
        {{200, 10, 50, 20}, 0x90},   // left exactly on the centre
        {{150, 160, 100, 20}, 0xE0}, // below the middle, across the centre
    };
    for (const auto &c : cases)
        EXPECT_EQ(CDialogResizer::AutomaticFlags(c.rect, client), c.flags) << Describe(c.rect);
}

TEST(DialogResizer, ResizingTheWindowMovesListedControlsOnly)
{
    QDialog dialog;
    dialog.resize(400, 300);
    QWidget *name = AddControl(&dialog, 1009, QRect(20, 20, 200, 22));
    QWidget *ok = AddControl(&dialog, 1, QRect(300, 260, 80, 24));
    QWidget *automatic = AddControl(&dialog, 1003, QRect(20, 60, 360, 180));
    QWidget *unlisted = AddControl(&dialog, 1010, QRect(20, 250, 80, 24));

    CDialogResizer resizer;
    resizer.Attach(&dialog, CDialogResizer::SizeGrip,
                   {{1009, 0xD0}, {1, 0xA0}, {1003, CDialogResizer::Automatic}, {4242, 0xF0}});
    ASSERT_EQ(resizer.Entries().size(), 4);
    EXPECT_EQ(resizer.Entries()[2].flags, 0xF0u);
    // An id the dialog lacks stays listed but has nothing to move.
    EXPECT_EQ(resizer.Entries()[3].id, 4242);
    EXPECT_TRUE(resizer.Entries()[3].widget.isNull());

    dialog.show();
    dialog.resize(500, 360);
    ASSERT_TRUE(waitUntil([&] { return ok->pos() == QPoint(400, 320); }));
    EXPECT_EQ(name->geometry(), QRect(20, 20, 300, 22));
    EXPECT_EQ(automatic->geometry(), QRect(20, 60, 460, 240));
    EXPECT_EQ(unlisted->geometry(), QRect(20, 250, 80, 24));

    // The grip sits in the corner, and not while the window is maximised.
    QSizeGrip *grip = resizer.Grip();
    ASSERT_NE(grip, nullptr);
    EXPECT_EQ(grip->geometry().bottomRight(), QPoint(499, 359));
    EXPECT_TRUE(grip->isVisible());
    dialog.showMaximized();
    EXPECT_TRUE(waitUntil([&] { return dialog.isMaximized() && !grip->isVisible(); }));
    dialog.showNormal();
    EXPECT_TRUE(waitUntil([&] { return !dialog.isMaximized() && grip->isVisible(); }));
}

TEST(DialogResizer, TakesInAtMost256ChildrenButNeverTheBanner)
{
    QWidget window;
    window.resize(400, 300);
    CDialogHeader header;
    header.Attach(&window);
    std::vector<QWidget *> children;
    for (int i = 0; i < 300; ++i)
        children.push_back(AddControl(&window, 2000 + i, QRect(i, 100, 10, 10)));

    CDialogResizer resizer;
    resizer.Attach(&window, CDialogResizer::TakeInChildren, {{2299, 0x80}});
    ASSERT_EQ(resizer.Entries().size(), CDialogResizer::kMaxControls);
    EXPECT_EQ(resizer.Entries()[0].widget, children[299]);
    for (const auto &entry : resizer.Entries())
        EXPECT_NE(entry.widget, &header);
    EXPECT_EQ(resizer.Entries()[1].widget, children[0]);
    EXPECT_EQ(resizer.Entries()[1].flags, 0u);

    // Taken-in children move by half the change; the 256th is the last one taken.
    resizer.Resize(QSize(420, 300 + CDialogHeader::kHeight));
    EXPECT_EQ(children[0]->x(), 10);
    EXPECT_EQ(children[299]->x(), 319);
    EXPECT_EQ(children[254]->x(), 264);
    EXPECT_EQ(children[255]->x(), 255);
}

TEST(DialogResizer, FitToControlsSizesTheWindowToTheirExtent)
{
    QDialog dialog;
    dialog.resize(600, 500);
    AddControl(&dialog, 1000, QRect(10, 12, 100, 20));
    AddControl(&dialog, 1, QRect(200, 150, 80, 24));
    CDialogResizer resizer;
    resizer.Attach(&dialog, CDialogResizer::FitToControls, {{1000, 0xD0}, {1, 0xA0}});
    EXPECT_EQ(dialog.size(), QSize(290, 186));
    // Fitting is no size change of the controls.
    dialog.show();
    ASSERT_TRUE(waitUntil([&] { return dialog.isVisible(); }));
    EXPECT_EQ(dialog.findChild<QWidget *>(QStringLiteral("c1"))->pos(), QPoint(200, 150));
}

TEST(DialogIcons, DialogsTakeTheMarkedMainWindowsIcon)
{
    QDialog dialog;
    SetDialogIcons(&dialog); // no main window yet
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetWindowIcon));

    QMainWindow other;
    other.setWindowIcon(SolidIcon(Qt::blue));
    SetDialogIcons(&dialog); // not marked: not the main window
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetWindowIcon));

    auto main = std::make_unique<QMainWindow>();
    main->setWindowIcon(SolidIcon(Qt::green));
    MarkMainWindow(main.get());
    EXPECT_EQ(FindMainWindow(), main.get());
    SetDialogIcons(&dialog);
    EXPECT_EQ(QColor(dialog.windowIcon().pixmap(16, 16).toImage().pixel(8, 8)), QColor(Qt::green));

    main.reset();
    EXPECT_EQ(FindMainWindow(), nullptr);
}
