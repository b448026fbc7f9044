#include "skins/BackgroundRegion.h"
#include "skins/QVButton.h"
#include "skins/SkinnedWnd.h"
#include "skins/WndWithHeader.h"

#include "tests/TestUtil.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

void paint(QWidget *w, QPalette::ColorRole role, const QColor &color, QPalette::ColorGroup group = QPalette::All)
{
    QPalette pal = w->palette();
    pal.setColor(group, role, color);
    w->setPalette(pal);
}

QPixmap solid(QSize size, const QColor &color)
{
    QPixmap p(size);
    p.fill(color);
    return p;
}

} // namespace

TEST(QVButton, NormalHoverTransparentAndHotImage)
{
    const QColor parent(0, 160, 0), face(200, 0, 0);
    QWidget window;
    paint(&window, QPalette::Window, parent);
    window.setAutoFillBackground(true);
    window.resize(100, 40);
    auto *button = new CQVButton(true, &window);
    button->setGeometry(10, 10, 80, 20);
    button->SetFaceColor(face);
    window.show();
    const auto at = [&window](int x, int y) { return window.grab().toImage().pixelColor(x, y); };
    const auto enter = [button] {
        QEnterEvent e(QPointF(5, 5), QPointF(15, 15), button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &e);
    };
    const auto leave = [button] {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(button, &e);
    };

    EXPECT_EQ(at(50, 20), face);
    EXPECT_EQ(at(5, 5), parent);
    enter();
    EXPECT_FALSE(button->IsHovered()) << "without a hover background a button never hovers";
    leave();

    // Hover background: blue left half, yellow right half, stretched over the button.
    QPixmap hover = solid(QSize(10, 4), Qt::blue);
    QPainter(&hover).fillRect(5, 0, 5, 4, Qt::yellow);
    button->SetBackgroundHover(hover);
    EXPECT_EQ(at(50, 20), face);
    enter();
    EXPECT_EQ(at(20, 20), QColor(Qt::blue));
    EXPECT_EQ(at(80, 20), QColor(Qt::yellow));
    leave();
    EXPECT_EQ(at(50, 20), face);

    button->SetTransparent(true);
    EXPECT_EQ(at(50, 20), parent);
    enter();
    EXPECT_EQ(at(20, 20), QColor(Qt::blue)) << "hover shows on a transparent button too";
    leave();

    button->SetTransparent(false);
    button->SetBackgroundHover(QPixmap());
    button->SetImage(solid(QSize(8, 8), Qt::white), solid(QSize(8, 8), Qt::black));
    EXPECT_EQ(at(50, 20), QColor(Qt::white));
    EXPECT_EQ(at(15, 20), face);
    enter();
    EXPECT_EQ(at(50, 20), QColor(Qt::black)) << "the hot image under the mouse";
    leave();
    EXPECT_EQ(at(50, 20), QColor(Qt::white));
}

TEST(WndWithHeader, HostsOneChildBelowTheBand)
{
    const QColor band(128, 128, 128), light(255, 255, 255), child(0, 0, 255);
    CWndWithHeader wnd;
    paint(&wnd, QPalette::Button, band, QPalette::Inactive);
    paint(&wnd, QPalette::Light, light, QPalette::Inactive);
    wnd.setWindowTitle(QStringLiteral("<b>Agents</b>"));
    wnd.resize(200, 150);
    wnd.show();
    const int header = wnd.GetHeaderHeight();
    EXPECT_EQ(header, wnd.fontMetrics().height() * 3 / 2);

    auto *hosted = new QWidget(&wnd);
    paint(hosted, QPalette::Window, child);
    hosted->setAutoFillBackground(true);
    hosted->show();
    EXPECT_EQ(hosted->geometry(), QRect(0, header, 200, 150 - header));
    wnd.resize(300, 100);
    EXPECT_EQ(hosted->geometry(), QRect(0, header, 300, 100 - header));

    const QImage image = wnd.grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 0), light);
    EXPECT_EQ(image.pixelColor(5, header / 2), band);
    EXPECT_EQ(image.pixelColor(5, header - 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(150, header + 10), child);
}

TEST(BackgroundRegion, ExcludesVisibleChildrenButNotTranslucentOnes)
{
    QWidget window;
    window.resize(200, 100);
    (new QWidget(&window))->setGeometry(10, 10, 30, 30);
    auto *hidden = new QWidget(&window);
    hidden->setGeometry(50, 10, 30, 30);
    hidden->hide();
    auto *translucent = new QWidget(&window);
    translucent->setAttribute(Qt::WA_TranslucentBackground);
    translucent->setGeometry(100, 10, 80, 80);
    (new QWidget(translucent))->setGeometry(10, 10, 20, 20);

    const QRegion region = CreateBackgroundRgn(&window);
    EXPECT_TRUE(region.contains(QPoint(5, 5)));
    EXPECT_FALSE(region.contains(QPoint(20, 20))) << "opaque child";
    EXPECT_TRUE(region.contains(QPoint(60, 20))) << "hidden child";
    EXPECT_TRUE(region.contains(QPoint(150, 50))) << "translucent child";
    EXPECT_FALSE(region.contains(QPoint(115, 25))) << "child of the translucent child";

    window.setMask(QRegion(0, 0, 50, 50));
    const QRegion masked = CreateBackgroundRgn(&window);
    EXPECT_TRUE(masked.contains(QPoint(45, 45)));
    EXPECT_FALSE(masked.contains(QPoint(60, 20)));
    EXPECT_FALSE(masked.contains(QPoint(20, 20)));
}

TEST(SkinnedWnd, ButtonsFollowTheStyleFlagsNotTheWindowState)
{
    CSkinnedWnd noBoxes(CSkinnedWnd::Caption | CSkinnedWnd::SystemMenu);
    noBoxes.resize(300, 200);
    noBoxes.showMaximized();
    EXPECT_FALSE(noBoxes.HasMaximizeBtn());
    EXPECT_FALSE(noBoxes.HasMinimizeBtn());
    EXPECT_TRUE(noBoxes.HasCloseBtn());
    EXPECT_TRUE(noBoxes.GetCaptionButtonRect(CSkinnedWnd::HitMaxButton).isEmpty());

    CSkinnedWnd boxes;
    boxes.resize(300, 200);
    boxes.show();
    EXPECT_TRUE(boxes.HasMaximizeBtn());
    EXPECT_TRUE(boxes.HasMinimizeBtn());
}

TEST(SkinnedWnd, CaptionHitTest)
{
    CSkinnedWnd wnd;
    wnd.resize(400, 300);
    wnd.show();

    const int frame = wnd.GetFrameWidth();
    const QRect caption = wnd.GetCaptionRect();
    ASSERT_GT(frame, 0);
    ASSERT_GT(caption.height(), 2);
    EXPECT_EQ(caption, QRect(frame, frame, 400 - 2 * frame, wnd.GetCaptionHeight()));
    EXPECT_EQ(wnd.contentsRect().top(), frame + caption.height());

    // Close at the right edge of the caption, then maximise, then minimise.
    const QRect close = wnd.GetCaptionButtonRect(CSkinnedWnd::HitClose);
    const QRect max = wnd.GetCaptionButtonRect(CSkinnedWnd::HitMaxButton);
    const QRect min = wnd.GetCaptionButtonRect(CSkinnedWnd::HitMinButton);
    EXPECT_EQ(close.right(), caption.right());
    EXPECT_EQ(max.right() + 1, close.left());
    EXPECT_EQ(min.right() + 1, max.left());
    EXPECT_EQ(close.center().y(), caption.center().y());

    const struct
    {
        const char *name;
        QPoint point;
        CSkinnedWnd::HitCode hit;
    } cases[] = {
        {"caption", QPoint(200, caption.center().y()), CSkinnedWnd::HitCaption},
        {"icon square", QPoint(caption.left() + 2, caption.center().y()), CSkinnedWnd::HitSysMenu},
        {"close", close.center(), CSkinnedWnd::HitClose},
        {"maximise", max.center(), CSkinnedWnd::HitMaxButton},
        {"minimise", min.center(), CSkinnedWnd::HitMinButton},
        {"client", QPoint(200, 150), CSkinnedWnd::HitClient},
        {"outside", QPoint(400, 150), CSkinnedWnd::HitNowhere},
        {"left", QPoint(0, 150), CSkinnedWnd::HitLeft},
        {"right", QPoint(399, 150), CSkinnedWnd::HitRight},
        {"bottom", QPoint(200, 299), CSkinnedWnd::HitBottom},
        {"top left", QPoint(0, 0), CSkinnedWnd::HitTopLeft},
        {"bottom right", QPoint(399, 299), CSkinnedWnd::HitBottomRight},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wnd.HitTest(c.point), c.hit) << c.name;
}

TEST(SkinnedWnd, CloseButtonClosesOnlyWhenReleasedOverIt)
{
    CSkinnedWnd wnd;
    wnd.resize(400, 300);
    wnd.show();
    const QPoint close = wnd.GetCaptionButtonRect(CSkinnedWnd::HitClose).center();
    const auto send = [&wnd](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent e(type, pos, wnd.mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&wnd, &e);
    };
    const auto click = [&](QPoint releaseAt) {
        send(QEvent::MouseMove, close, Qt::NoButton);
        send(QEvent::MouseButtonPress, close, Qt::LeftButton);
        send(QEvent::MouseMove, releaseAt, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, releaseAt, Qt::NoButton);
    };

    click(QPoint(200, 150));
    QCoreApplication::processEvents();
    EXPECT_TRUE(wnd.isVisible());
    click(close);
    EXPECT_TRUE(waitUntil([&wnd] { return !wnd.isVisible(); }));
}
