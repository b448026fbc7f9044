#include "SkinTestUtil.h"

#include "skins/QVButton.h"
#include "skins/QVSkinForm.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>

#include <optional>

using namespace skintest;

namespace {

QRgb pixelOf(const QPixmap &pixmap)
{
    return pixmap.toImage().pixel(1, 1);
}

// A window laid out as the test skin's forms expect: items named "c<id>".
struct SkinWidgets : ::testing::Test
{
    QTemporaryDir dir;
    QWidget window;
    QListWidget *list = named(new QListWidget(&window), 1001);
    CQVButton *ok = named(new CQVButton(false, &window), 1);
    QLabel *title = named(new QLabel(&window), 1002);
    QLabel *status = named(new QLabel(&window), 1003);
    QWidget *extra = named(new QWidget(&window), 1004);
    QWidget *panel = named(new QWidget(&window), 1005);
    QWidget *inner = named(new QWidget(panel), 2001);
    std::optional<Locked> base, derived;

    void SetUp() override
    {
        CQVSkinRect::SetDpi(96);
        window.resize(300, 200);

        ASSERT_TRUE(CQVSkinManager::Load(stageTestSkins(dir)));
        ASSERT_TRUE(CQVSkinManager::SetCurrentSkin("alpha"));
        base.emplace("Base");
        derived.emplace("Derived");
        ASSERT_TRUE(base->form && derived->form);
    }
    void TearDown() override { CQVSkinRect::SetDpi(96); }

    static QImage paint(void (CQVSkinForm::*what)(QPainter &, const QRect &) const, const CQVSkinForm &form)
    {
        QImage image(200, 100, QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        (form.*what)(painter, image.rect());
        return image;
    }

    // Loads a one-form skin with the given paints, beside a 2x1 image
    // "tile.png" (red, blue), and paints it over white.
    static QImage paintInline(const QByteArray &paints)
    {
        QTemporaryDir folder;
        QImage tile(2, 1, QImage::Format_ARGB32);
        tile.setPixel(0, 0, 0xFFFF0000);
        tile.setPixel(1, 0, 0xFF0000FF);
        EXPECT_TRUE(tile.save(folder.filePath("tile.png")));
        EXPECT_TRUE(loadSkinText(folder, formFile({}, paints)));
        const Locked form("f");
        return form.form ? paint(&CQVSkinForm::OnPaint, *form.form) : QImage();
    }
};

TEST_F(SkinWidgets, BaseFormAppliesAndPlacesItems)
{
    status->show();
    ASSERT_TRUE(base->form->OnInit(&window));
    EXPECT_EQ(list->frameShape(), QFrame::Box);
    EXPECT_TRUE(status->isHidden());
    EXPECT_FALSE(title->isHidden());

    // The button's look arrives through its declared properties, not dynamic ones.
    EXPECT_EQ(ok->GetFaceColor(), QColor(0x33, 0x66, 0x99)) << "alpha dropped";
    EXPECT_EQ(pixelOf(ok->GetImage()), OkBlue);
    EXPECT_EQ(pixelOf(ok->GetHotImage()), HotOrange);
    EXPECT_EQ(pixelOf(ok->GetBackgroundHover()), HoverGrey);
    EXPECT_TRUE(ok->IsTransparent());
    EXPECT_TRUE(ok->dynamicPropertyNames().isEmpty());

    const struct
    {
        int dpi;
        QRect list, ok, title, status, panel, inner;
    } cases[] = {
        {96, {10, 10, 280, 150}, {210, 168, 80, 24}, {4, 4, 146, 22}, {150, 4, 146, 22}, {0, 100, 100, 100},
            {0, 0, 100, 50}},
        {120, {12, 12, 276, 138}, {188, 160, 100, 30}, {5, 5, 145, 27}, {150, 5, 145, 27}, {0, 100, 125, 100},
            {0, 0, 125, 50}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dpi);
        CQVSkinRect::SetDpi(c.dpi);
        base->form->OnSize(&window, window.rect());
        EXPECT_EQ(list->geometry(), c.list);
        EXPECT_EQ(ok->geometry(), c.ok);
        EXPECT_EQ(title->geometry(), c.title);
        EXPECT_EQ(status->geometry(), c.status);
        EXPECT_EQ(panel->geometry(), c.panel);
        EXPECT_EQ(inner->geometry(), c.inner) << "nested controls are placed inside their item";
    }
}

TEST_F(SkinWidgets, DerivedFormMovesInheritedItems)
{
    ASSERT_TRUE(base->form->OnInit(&window));
    ASSERT_TRUE(derived->form->OnInit(&window));
    EXPECT_EQ(list->frameShape(), QFrame::NoFrame) << "the override dropped the border";
    derived->form->OnSize(&window, window.rect());
    EXPECT_EQ(list->geometry(), QRect(20, 40, 260, 110));
    EXPECT_EQ(extra->geometry(), QRect(0, 0, 10, 10));
    EXPECT_EQ(ok->geometry(), QRect(210, 168, 80, 24));

    delete extra;
    EXPECT_FALSE(derived->form->OnInit(&window)) << "an item is missing";
    derived->form->OnSize(&window, QRect(0, 0, 200, 100));
    EXPECT_EQ(list->geometry(), QRect(20, 40, 160, 10)) << "the others are still placed";

    QTemporaryDir folder;
    ASSERT_TRUE(loadSkinText(folder, formFile(R"(<button id="b" dlgId="1001"/>)")));
    const Locked form("f");
    ASSERT_TRUE(form.form);
    EXPECT_FALSE(form.form->OnInit(&window)) << "a button control needs a button item";
}

TEST_F(SkinWidgets, ClientAndNestedPaints)
{
    const struct
    {
        int dpi;
        QPoint at;
        QRgb expected;
    } cases[] = {
        {96, {100, 60}, 0xFFFFFF00}, // the overridden colour
        {96, {100, 10}, 0xFF00FF00}, // nested band
        {96, {5, 10}, 0xFFFF0000},   // nested in the band
        {96, {11, 10}, 0xFF00FF00},
        {96, {100, 22}, 0xFFFFFF00},
        {120, {11, 10}, 0xFFFF0000}, // 10 px is 12 at 120 DPI
        {120, {100, 22}, 0xFF00FF00},
    };
    for (const auto &c : cases) {
        CQVSkinRect::SetDpi(c.dpi);
        EXPECT_EQ(paint(&CQVSkinForm::OnPaint, *derived->form).pixel(c.at), c.expected)
            << c.dpi << " DPI at " << c.at.x() << "," << c.at.y();
    }
    EXPECT_EQ(paint(&CQVSkinForm::OnPaint, *base->form).pixel(100, 60), 0xFF0000FFu)
        << "the base keeps its own colour";
}

TEST_F(SkinWidgets, NonClientPaintsAndClientRect)
{
    const QImage frame = paint(&CQVSkinForm::OnNcPaint, *derived->form);
    EXPECT_EQ(frame.pixel(100, 50), 0xFF202020u);
    EXPECT_EQ(frame.pixel(100, 1), FrameMagenta);
    EXPECT_EQ(frame.pixel(100, 6), 0xFF202020u);

    // At 96 DPI the skinned windows show it (test_skin_bases).
    QRect rect(10, 10, 200, 100);
    CQVSkinRect::SetDpi(120);
    ASSERT_TRUE(derived->form->OnNcCalcSize(rect));
    EXPECT_EQ(rect, QRect(15, 47, 190, 58));
}

TEST_F(SkinWidgets, PaintKinds)
{
    const QByteArray nested = R"(<rectangle left="0" top="0" right="10" bottom="10" color="#FFFF0000"/>)";
    const struct
    {
        const char *name;
        QByteArray paints;
        QPoint at;
        QRgb expected;
    } cases[] = {
        {"six-digit colour shows nothing", R"(<rectangle color="#0000FF"/>)", {50, 50}, 0xFFFFFFFF},
        {"no colour, nested still drawn", "<rectangle>" + nested + "</rectangle>", {5, 5}, 0xFFFF0000},
        {"missing image draws nothing", R"(<image image="none.png">)" + nested + "</image>", {5, 5}, 0xFFFFFFFF},
        {"missing image falls back to colour", R"(<rectangle image="none.png" color="#FF00FF00"/>)", {5, 5},
            0xFF00FF00},
        {"image paint stretches", R"(<image image="tile.png">)" + nested + "</image>", {150, 50}, 0xFF0000FF},
        {"rectangle image stretches", R"(<rectangle image="tile.png" color="#FF00FF00"/>)", {40, 50},
            0xFFFF0000},
        {"fill tiles, even column", R"(<rectangle image="tile.png" fill="true"/>)", {40, 50}, 0xFFFF0000},
        {"fill tiles, odd column", R"(<rectangle image="tile.png" fill="true"/>)", {41, 50}, 0xFF0000FF},
    };
    for (const auto &c : cases)
        EXPECT_EQ(paintInline(c.paints).pixel(c.at), c.expected) << c.name;
}

} // namespace
