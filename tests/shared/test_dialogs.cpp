#include "shared/DialogHeader.h"
#include "shared/DialogIcons.h"
#include "shared/DialogResizer.h"
#include "tests/TestUtil.h"

#include <QDialog>
#include <QMainWindow>
#include <QPushButton>
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

QIcon SolidIcon(const QColor &color)
{
    QPixmap pixmap(64, 64);
    pixmap.fill(color);
    return QIcon(pixmap);
}

// The bounds of the dark (text) pixels within area.
QRect InkBounds(const QImage &image, const QRect &area)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace

TEST(DialogHeader, AttachMakesRoomAndControlsKeepTheirDistances)
{
    QDialog dialog;
    dialog.resize(300, 200);
    QWidget *a = AddControl(&dialog, 1000, QRect(10, 10, 80, 20));
    QWidget *b = AddControl(&dialog, 1, QRect(200, 160, 80, 24));
    CDialogHeader header;
    header.Attach(&dialog);
    EXPECT_EQ(dialog.size(), QSize(300, 245));
    EXPECT_EQ(a->pos(), QPoint(10, 55));
    EXPECT_EQ(b->pos(), QPoint(200, 205));
    EXPECT_EQ(header.geometry(), QRect(-1, -1, 301, 45));
    dialog.show();
    dialog.resize(420, dialog.height());
    EXPECT_TRUE(waitUntil([&] { return header.geometry().right() == 419; }));

    // A dialog with a layout gets a top margin, and a fixed height stays fixed.
    QDialog laidOut;
    auto *layout = new QVBoxLayout(&laidOut);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *button = new QPushButton(QStringLiteral("OK"), &laidOut);
    layout->addWidget(button);
    laidOut.setFixedSize(200, 100);
    CDialogHeader other;
    other.Attach(&laidOut);
    laidOut.show();
    EXPECT_EQ(laidOut.maximumSize(), QSize(200, 145));
    EXPECT_TRUE(waitUntil([&] { return laidOut.height() == 145 && button->y() >= 45; }));
}

TEST(DialogHeader, DrawsIconTitleAndSubtitleWhereTheAlignmentSays)
{
    const QSize size(400, CDialogHeader::kHeight);
    for (int alignment : {0, 1, 2}) {
        SCOPED_TRACE(alignment);
        CDialogHeader header;
        QPalette pal = header.palette();
        pal.setColor(QPalette::Base, Qt::white);
        pal.setColor(QPalette::Text, Qt::black);
        pal.setColor(QPalette::Dark, QColor(128, 128, 128));
        header.setPalette(pal);
        header.resize(size);
        header.SetTitle(QStringLiteral("Server"));
        header.SetSubtitle(alignment == 0 ? QStringLiteral("Enter the hostname or IP address")
                                          : QStringLiteral("A subtitle that goes on well past the two lines the "
                                                           "banner has room for below its title, so it is cut"));
        header.SetIcon(SolidIcon(Qt::red));
        header.SetTextAlignment(alignment);
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        header.render(&image);
        const int edge = header.EdgeSize();
        const auto layout = CDialogHeader::ComputeLayout(size, alignment, header.IconSize(), edge);

        EXPECT_EQ(layout.icon.topLeft(), QPoint(400 - header.IconSize().width() - 15, 5));
        EXPECT_EQ(QColor(image.pixel(layout.icon.center())), QColor(Qt::red));
        EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(Qt::white));
        EXPECT_EQ(QColor(image.pixel(200, size.height() - 1)), QColor(128, 128, 128));

        // Text stays in its rectangles, clear of the icon, whatever its length,
        // and the title sits where the alignment says.
        const QRect titleInk = InkBounds(image, QRect(0, 0, layout.icon.left(), 20));
        const QRect subtitleInk = InkBounds(image, QRect(0, 20, layout.icon.left(), 45 - edge - 20));
        EXPECT_TRUE(layout.title.contains(titleInk)) << Describe(titleInk);
        EXPECT_TRUE(layout.subtitle.contains(subtitleInk)) << Describe(subtitleInk);
        EXPECT_LT(layout.title.right(), layout.icon.left());
        const int offset[] = {titleInk.left() - layout.title.left(),
                              titleInk.center().x() - layout.title.center().x(),
                              layout.title.right() - titleInk.right()};
        EXPECT_LE(std::abs(offset[alignment]), 3) << Describe(titleInk) << " in " << Describe(layout.title);
        if (alignment == CDialogHeader::AlignLeft) {
            EXPECT_LE(std::abs(subtitleInk.left() - 21), 1) << "the subtitle is indented";
        }
    }
}

TEST(DialogResizer, AnchorRules)
{
    // The client area grows from 400 x 300 to 500 x 360.
    const QSizeF client(500, 360);
    const QRectF start(100, 50, 80, 20);
    const struct { unsigned flags; QRectF expected; } cases[] = {
        {0x0F, {0, 0, 500, 360}}, {0x01, {0, 0, 500, 20}}, {0x02, {0, 340, 500, 20}}, {0x04, {0, 0, 80, 360}},
        {0x08, {420, 0, 80, 360}}, {0x800, {0, 50, 80, 20}}, {0x1000, {100, 50, 400, 20}},
        {0x200, {100, 0, 80, 70}}, {0x400, {100, 50, 80, 310}},
        // The first fixed anchor wins, and fixed anchors override the moves.
        {0x0E, {0, 340, 500, 20}}, {0x1800, {0, 50, 80, 20}}, {0x600, {100, 0, 80, 70}}, {0x8F0, {0, 50, 80, 20}},
        // Moves with the size change.
        {0x50, start}, {0xA0, {200, 110, 80, 20}}, {0xF0, {100, 50, 180, 80}}, {0xD0, {100, 50, 180, 20}},
        {0x70, {100, 50, 80, 80}}, {0x00, {150, 80, 80, 20}},
    };
    for (const auto &c : cases) {
        QRectF rect = start;
        EXPECT_EQ(CDialogResizer::ApplyAnchor(c.flags, rect, client, 100, 60), c.flags != 0x50) << std::hex << c.flags;
        EXPECT_EQ(rect, c.expected) << std::hex << c.flags << " gave " << Describe(rect);
    }

    // Half moves keep their fractions; no size change moves nothing.
    QRectF rect = start;
    CDialogResizer::ApplyAnchor(0, rect, QSizeF(401, 301), 1, 1);
    CDialogResizer::ApplyAnchor(0, rect, QSizeF(402, 302), 1, 1);
    EXPECT_EQ(rect, QRectF(101, 51, 80, 20));
    EXPECT_FALSE(CDialogResizer::ApplyAnchor(0, rect, QSizeF(402, 302), 0, 0));
}

TEST(DialogResizer, AutomaticFlagsFollowTheMiddleOfTheClientArea)
{
    const struct { QRectF rect; unsigned flags; } cases[] = {
        {{10, 10, 50, 20}, 0x50},    // top left: stays
        {{10, 10, 380, 280}, 0xF0},  // across the middle: widens and grows
        {{300, 250, 80, 20}, 0xA0},  // bottom right: moves
        {{10, 130, 50, 20}, 0x70},   // bottom exactly on the middle
        {{200, 10, 50, 20}, 0x90},   // left exactly on the centre
    };
    for (const auto &c : cases)
        EXPECT_EQ(CDialogResizer::AutomaticFlags(c.rect, QSizeF(400, 300)), c.flags) << Describe(c.rect);
}

TEST(DialogResizer, ResizingTheWindowMovesListedControlsOnly)
{
    QDialog dialog;
    dialog.resize(400, 300);
    QWidget *name = AddControl(&dialog, 1009, QRect(20, 20, 200, 22));
    QWidget *ok = AddControl(&dialog, 1, QRect(300, 260, 80, 24));
    QWidget *frame = AddControl(&dialog, 1003, QRect(20, 60, 360, 180));
    QWidget *unlisted = AddControl(&dialog, 1010, QRect(20, 250, 80, 24));

    CDialogResizer resizer;
    resizer.Attach(&dialog, CDialogResizer::SizeGrip,
                   {{1009, 0xD0}, {1, 0xA0}, {1003, CDialogResizer::Automatic}, {4242, 0xF0}});
    // An id the dialog lacks stays listed with nothing to move.
    ASSERT_EQ(resizer.Entries().size(), 4);
    EXPECT_TRUE(resizer.Entries()[3].widget.isNull());

    dialog.show();
    dialog.resize(500, 360);
    ASSERT_TRUE(waitUntil([&] { return ok->pos() == QPoint(400, 320); }));
    EXPECT_EQ(name->geometry(), QRect(20, 20, 300, 22));
    EXPECT_EQ(frame->geometry(), QRect(20, 60, 460, 240));
    EXPECT_EQ(unlisted->geometry(), QRect(20, 250, 80, 24));

    // The grip sits in the corner, but not while the window is maximised.
    ASSERT_NE(resizer.Grip(), nullptr);
    EXPECT_EQ(resizer.Grip()->geometry().bottomRight(), QPoint(499, 359));
    dialog.showMaximized();
    EXPECT_TRUE(waitUntil([&] { return dialog.isMaximized() && !resizer.Grip()->isVisible(); }));
    dialog.showNormal();
    EXPECT_TRUE(waitUntil([&] { return resizer.Grip()->isVisible(); }));
}

TEST(DialogResizer, ResizeWhileTheParentHoldsUpdatesLeavesThemToTheParent)
{
    QWidget parent;
    auto *window = new QWidget(&parent);
    window->resize(200, 100);
    AddControl(window, 1009, QRect(0, 0, 100, 20));
    CDialogResizer resizer;
    resizer.Attach(window, 0, {{1009, 0xD0}});
    parent.setUpdatesEnabled(false);
    window->resize(300, 100);
    resizer.Resize();
    parent.setUpdatesEnabled(true);
    EXPECT_TRUE(window->updatesEnabled());
}

TEST(DialogResizer, TakesInAtMost256ChildrenButNeverTheBannerAndCanFitTheWindow)
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
    for (const auto &entry : resizer.Entries())
        EXPECT_NE(entry.widget, &header);
    // Taken-in children move by half the change; the 256th control is the last.
    resizer.Resize(QSize(420, 345));
    EXPECT_EQ(children[0]->x(), 10);
    EXPECT_EQ(children[254]->x(), 264);
    EXPECT_EQ(children[255]->x(), 255);
    EXPECT_EQ(children[299]->x(), 319);

    QDialog dialog;
    dialog.resize(600, 500);
    AddControl(&dialog, 1000, QRect(10, 12, 100, 20));
    AddControl(&dialog, 1, QRect(200, 150, 80, 24));
    CDialogResizer fitting;
    fitting.Attach(&dialog, CDialogResizer::FitToControls, {{1000, 0xD0}, {1, 0xA0}});
    EXPECT_EQ(dialog.size(), QSize(290, 186));
    dialog.show();
    EXPECT_TRUE(waitUntil([&] { return dialog.isVisible(); }));
    EXPECT_EQ(dialog.findChild<QWidget *>(QStringLiteral("c1"))->pos(), QPoint(200, 150));
}

TEST(DialogIcons, DialogsTakeTheMarkedMainWindowsIcon)
{
    QDialog dialog;
    QMainWindow unmarked;
    unmarked.setWindowIcon(SolidIcon(Qt::blue));
    SetDialogIcons(&dialog);
    EXPECT_FALSE(dialog.testAttribute(Qt::WA_SetWindowIcon));

    auto main = std::make_unique<QMainWindow>();
    main->setWindowIcon(SolidIcon(Qt::green));
    MarkMainWindow(main.get());
    SetDialogIcons(&dialog);
    EXPECT_EQ(QColor(dialog.windowIcon().pixmap(16, 16).toImage().pixel(8, 8)), QColor(Qt::green));
    main.reset();
    EXPECT_EQ(FindMainWindow(), nullptr);
}
