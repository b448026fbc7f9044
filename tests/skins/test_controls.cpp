#include "skins/BackgroundRegion.h"
#include "skins/QVButton.h"
#include "skins/QVSkinControl.h"
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

const QColor kParent(0, 160, 0);
const QColor kFace(200, 0, 0);

void paint(QWidget *w, QPalette::ColorRole role, const QColor &color,
           QPalette::ColorGroup group = QPalette::All)
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

// A window of one colour holding a button at (10, 10, 80, 20).
struct ButtonHost
{
    ButtonHost()
    {
        paint(&window, QPalette::Window, kParent);
        window.setAutoFillBackground(true);
        window.resize(100, 40);
        button = new CQVButton(true, &window);
        button->setGeometry(10, 10, 80, 20);
        button->SetFaceColor(kFace);
        window.show();
    }
    QColor at(int x, int y) { return window.grab().toImage().pixelColor(x, y); }
    void enter()
    {
        QEnterEvent e(QPointF(5, 5), QPointF(15, 15), button->mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(button, &e);
    }
    void leave()
    {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(button, &e);
    }

    QWidget window;
    CQVButton *button;
};

} // namespace

TEST(QVButton, NormalHoverAndTransparentBackgrounds)
{
    ButtonHost host;
    EXPECT_EQ(host.at(50, 20), kFace);
    EXPECT_EQ(host.at(5, 5), kParent);
    host.enter(); // without a hover background a button never hovers
    EXPECT_FALSE(host.button->IsHovered());
    host.leave();

    // Hover background: blue left half, yellow right half, stretched over the button.
    QPixmap hover(10, 4);
    hover.fill(Qt::blue);
    {
        QPainter p(&hover);
        p.fillRect(5, 0, 5, 4, Qt::yellow);
    }
    host.button->SetBackgroundHover(hover);
    EXPECT_EQ(host.at(50, 20), kFace);
    host.enter();
    EXPECT_TRUE(host.button->IsHovered());
    EXPECT_EQ(host.at(20, 20), QColor(Qt::blue));
    EXPECT_EQ(host.at(80, 20), QColor(Qt::yellow));
    host.leave();
    EXPECT_FALSE(host.button->IsHovered());
    EXPECT_EQ(host.at(50, 20), kFace);

    host.button->SetTransparent(true);
    EXPECT_EQ(host.at(50, 20), kParent);
    host.enter();
    EXPECT_EQ(host.at(20, 20), QColor(Qt::blue)); // hover shows on a transparent button too
}

TEST(QVButton, HotImageShowsUnderTheMouse)
{
    ButtonHost host;
    host.button->SetImage(solid(QSize(8, 8), Qt::white), solid(QSize(8, 8), Qt::black));
    EXPECT_EQ(host.at(50, 20), QColor(Qt::white));
    EXPECT_EQ(host.at(15, 20), kFace);
    host.enter();
    EXPECT_EQ(host.at(50, 20), QColor(Qt::black));
    host.leave();
    EXPECT_EQ(host.at(50, 20), QColor(Qt::white));
}

// Skin buttons set their look by property name; a typo would silently make
// a dynamic property instead.
TEST(QVButton, TakesTheSkinsLookThroughProperties)
{
    CQVButton button;
    QPixmap image(4, 4), hot(4, 4), hover(2, 2);
    image.fill(Qt::red);
    hot.fill(Qt::green);
    hover.fill(Qt::blue);
    EXPECT_TRUE(button.setProperty(CQVSkinButton::FaceColorProperty, QColor(10, 20, 30)));
    EXPECT_TRUE(button.setProperty(CQVSkinButton::ImageProperty, image));
    EXPECT_TRUE(button.setProperty(CQVSkinButton::HotImageProperty, hot));
    EXPECT_TRUE(button.setProperty(CQVSkinButton::HoverBackgroundProperty, hover));
    EXPECT_TRUE(button.setProperty(CQVSkinButton::TransparentProperty, true));
    EXPECT_EQ(button.GetFaceColor(), QColor(10, 20, 30));
    EXPECT_EQ(button.GetImage().toImage().pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(button.GetHotImage().toImage().pixelColor(1, 1), QColor(Qt::green));
    EXPECT_TRUE(button.HasBackgroundHover());
    EXPECT_TRUE(button.IsTransparent());
    EXPECT_TRUE(button.dynamicPropertyNames().isEmpty());
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
    EXPECT_EQ(CWndWithHeader::HeaderHeightFor(13), 19);
    const int header = wnd.GetHeaderHeight();
    EXPECT_EQ(header, wnd.fontMetrics().height() * 3 / 2);

    // Without a child the band is the whole window.
    EXPECT_EQ(wnd.GetHostedWnd(), nullptr);
    QImage image = wnd.grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 75), band);
    EXPECT_EQ(image.pixelColor(5, 149), QColor(Qt::black));

    auto *hosted = new QWidget(&wnd);
    paint(hosted, QPalette::Window, child);
    hosted->setAutoFillBackground(true);
    hosted->show();
    EXPECT_EQ(wnd.GetHostedWnd(), hosted);
    EXPECT_EQ(hosted->geometry(), QRect(0, header, 200, 150 - header));
    wnd.resize(300, 100);
    EXPECT_EQ(hosted->geometry(), QRect(0, header, 300, 100 - header));

    image = wnd.grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 0), light);
    EXPECT_EQ(image.pixelColor(5, header / 2), band);
    EXPECT_EQ(image.pixelColor(5, header - 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(150, header + 10), child);
}

TEST(BackgroundRegion, ExcludesVisibleChildrenButNotTranslucentOnes)
{
    QWidget window;
    window.resize(200, 100);
    auto *opaque = new QWidget(&window);
    opaque->setGeometry(10, 10, 30, 30);
    auto *hidden = new QWidget(&window);
    hidden->setGeometry(50, 10, 30, 30);
    hidden->hide();
    auto *translucent = new QWidget(&window);
    translucent->setAttribute(Qt::WA_TranslucentBackground);
    translucent->setGeometry(100, 10, 80, 80);
    auto *inner = new QWidget(translucent);
    inner->setGeometry(10, 10, 20, 20);

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
    EXPECT_LE(close.height(), caption.height() - 2);
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
    };
    for (const auto &c : cases)
        EXPECT_EQ(wnd.HitTest(c.point), c.hit) << c.name;

    if (frame > 0) {
        EXPECT_EQ(wnd.HitTest(QPoint(0, 150)), CSkinnedWnd::HitLeft);
        EXPECT_EQ(wnd.HitTest(QPoint(399, 150)), CSkinnedWnd::HitRight);
        EXPECT_EQ(wnd.HitTest(QPoint(200, 299)), CSkinnedWnd::HitBottom);
        EXPECT_EQ(wnd.HitTest(QPoint(0, 0)), CSkinnedWnd::HitTopLeft);
        EXPECT_EQ(wnd.HitTest(QPoint(399, 299)), CSkinnedWnd::HitBottomRight);
    }
}

TEST(SkinnedWnd, CloseButtonClosesOnlyWhenReleasedOverIt)
{
    CSkinnedWnd wnd;
    wnd.resize(400, 300);
    wnd.show();
    const QPoint close = wnd.GetCaptionButtonRect(CSkinnedWnd::HitClose).center();
    auto send = [&wnd](QEvent::Type type, QPoint pos, Qt::MouseButtons buttons) {
        QMouseEvent e(type, pos, wnd.mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&wnd, &e);
    };

    send(QEvent::MouseMove, close, Qt::NoButton);
    send(QEvent::MouseButtonPress, close, Qt::LeftButton);
    send(QEvent::MouseMove, QPoint(200, 150), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, QPoint(200, 150), Qt::NoButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(wnd.isVisible());

    send(QEvent::MouseMove, close, Qt::NoButton);
    send(QEvent::MouseButtonPress, close, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, close, Qt::NoButton);
    EXPECT_TRUE(waitUntil([&wnd] { return !wnd.isVisible(); }));
}
