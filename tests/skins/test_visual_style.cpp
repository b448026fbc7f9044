#include "skins/QVStyleRenderer.h"
#include "skins/QVVisualStyle.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QByteArray styleDocument(const QByteArray &version, const QByteArray &sections = {})
{
    return "<STYLE>" + version + "<DESCRIPTION><NAME> Test style </NAME></DESCRIPTION>" + sections + "</STYLE>";
}

QByteArray version(const QByteArray &number, const QByteArray &more = {})
{
    return "<VERSION><NUMBER>" + number + "</NUMBER>" + more + "</VERSION>";
}

// Pictures are 4x4 red squares, except those whose names end in MISSING.
CQVVisualStyle read(const QByteArray &document, QStringList *asked = nullptr)
{
    return CQVVisualStyle::Read(document, [asked](const QString &name) {
        if (asked)
            *asked << name;
        QImage image(4, 4, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::red);
        return name.endsWith(QLatin1String("MISSING")) ? QImage() : image;
    });
}

TEST(VisualStyle, VersionTypeAndPrefix)
{
    const QByteArray globals = "<GLOBALS><BarFace>1, 2, 3</BarFace></GLOBALS>";
    const struct
    {
        const char *name;
        QByteArray document;
        bool loaded;
        int type;
        QString prefix;
    } cases[] = {
        {"type 2 counts as 20", styleDocument(version("2007", "<TYPE>2</TYPE><ID_PREFIX> T_ </ID_PREFIX>"), globals),
            true, 20, "T_"},
        {"type 9 counts as 90", styleDocument(version("2007", "<TYPE>9</TYPE>"), globals), true, 90, ""},
        {"type 10 stays", styleDocument(version(" 2007 ", "<TYPE>10</TYPE>"), globals), true, 10, ""},
        {"no type: 20", styleDocument(version("2007"), globals), true, 20, ""},
        {"another version", styleDocument(version("2010", "<TYPE>30</TYPE><ID_PREFIX>T_</ID_PREFIX>"), globals),
            false, 20, ""},
        {"no version", styleDocument({}, globals), false, 20, ""},
        {"another root", "<STYLES>" + version("2007") + globals + "</STYLES>", false, 20, ""},
        {"not XML", "<STYLE>" + version("2007") + globals, false, 20, ""},
    };
    for (const auto &c : cases) {
        const CQVVisualStyle style = read(c.document);
        EXPECT_EQ(style.IsLoaded(), c.loaded) << c.name;
        EXPECT_EQ(style.GetType(), c.type) << c.name;
        EXPECT_EQ(style.GetPrefix(), c.prefix) << c.name;
        EXPECT_EQ(style.GetColor("GLOBALS/BarFace").has_value(), c.loaded) << c.name << ": values read";
    }
}

TEST(VisualStyle, CaptionColoursDefault)
{
    const QColor active(10, 20, 30);
    const QColor inactive(40, 50, 60);
    const struct
    {
        const char *name;
        QByteArray globals;
        std::optional<QColor> inactiveCaption, inactiveText;
    } cases[] = {
        {"active only", "<ActiveCaption>10, 20, 30</ActiveCaption><CaptionText>10, 20, 30</CaptionText>", active,
            active},
        {"both given",
            "<ActiveCaption>10, 20, 30</ActiveCaption><InactiveCaption>40, 50, 60</InactiveCaption>"
            "<CaptionText>10, 20, 30</CaptionText><InactiveCaptionText>40, 50, 60</InactiveCaptionText>",
            inactive, inactive},
        {"inactive before active",
            "<InactiveCaption>40, 50, 60</InactiveCaption><ActiveCaption>10, 20, 30</ActiveCaption>", inactive,
            std::nullopt},
        {"a bad inactive value falls back",
            "<ActiveCaption>10, 20, 30</ActiveCaption><InactiveCaption>4, 5</InactiveCaption>", active, std::nullopt},
        {"none", "", std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        const CQVVisualStyle style = read(styleDocument(version("2007"), "<GLOBALS>" + c.globals + "</GLOBALS>"));
        EXPECT_EQ(style.GetColor("GLOBALS/InactiveCaption"), c.inactiveCaption) << c.name;
        EXPECT_EQ(style.GetColor("GLOBALS/InactiveCaptionText"), c.inactiveText) << c.name;
    }
}

TEST(VisualStyle, ValuesAndRenderers)
{
    QStringList asked;
    const CQVVisualStyle style = read(styleDocument(version("2007", "<ID_PREFIX>T_</ID_PREFIX>"), R"(
        <GLOBALS><TOOLTIP><Text> 1 ,2, 3 </Text></TOOLTIP><Bad>1, 2</Bad><High>256, 0, 0</High></GLOBALS>
        <MAINWND><CAPTION><FONT><WEIGHT>bold</WEIGHT><QUALITY>NONANTIALIASED</QUALITY></FONT></CAPTION>
                 <BORDER><IMAGE><ID>BORDER</ID><SIZE>4, 4</SIZE><CORNERS>1, 1, 1, 1</CORNERS>
                 <SIDES>1, 2, 1, 1</SIDES></IMAGE></BORDER></MAINWND>
        <BARS><STATUSBAR><Text>1, 1, 1</Text><Text>2, 2, 2</Text>
              <BACK><IMAGE><ID>STATUS</ID><SIZE>4, 2</SIZE><CORNERS>1, 0, 1, 0</CORNERS></IMAGE></BACK>
              <SIZEBOX><IMAGE><ID>MISSING</ID><SIZE>4, 4</SIZE></IMAGE></SIZEBOX></STATUSBAR></BARS>
        <PLANNER><Background>1, 2, 3</Background></PLANNER>)"),
        &asked);
    EXPECT_EQ(style.GetName(), "Test style");
    EXPECT_EQ(style.GetColor("GLOBALS/TOOLTIP/Text"), QColor(1, 2, 3));
    EXPECT_FALSE(style.GetColor("GLOBALS/Bad"));
    EXPECT_FALSE(style.GetColor("GLOBALS/High"));
    EXPECT_EQ(style.GetColor("BARS/STATUSBAR/Text"), QColor(1, 1, 1)) << "the first one counts";
    EXPECT_FALSE(style.GetValue("PLANNER/Background")) << "PLANNER is not read";
    const QFont font = style.Font("MAINWND/CAPTION/FONT", QFont());
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(font.styleStrategy(), QFont::NoAntialias);

    EXPECT_EQ(asked, QStringList({"T_IDB_OFFICE2007_BORDER", "T_IDB_OFFICE2007_STATUS", "T_IDB_OFFICE2007_MISSING"}))
        << "sections in their order";
    const CQVStyleRenderer &back = style.Renderer("BARS/STATUSBAR/BACK");
    ASSERT_TRUE(back.IsValid());
    EXPECT_EQ(back.GetFrameCount(), 2);
    EXPECT_EQ(back.GetCorners(), QMargins(1, 0, 1, 0));
    EXPECT_FALSE(back.GetSides());
    EXPECT_EQ(style.Renderer("MAINWND/BORDER").GetSides(), QMargins(1, 2, 1, 1));
    EXPECT_FALSE(style.Renderer("BARS/STATUSBAR/SIZEBOX").IsValid()) << "picture missing";
}

TEST(VisualStyle, RendererKeepsCornersAndPicksFrames)
{
    // Two 4x4 frames: frame 0 has a red corner pixel at top left and a green
    // middle; frame 1 is blue.
    QImage picture(4, 8, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::green);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    QPainter(&picture).fillRect(0, 4, 4, 4, Qt::blue);

    const auto draw = [&](const CQVStyleRenderer &renderer, int frame) {
        QImage target(20, 10, QImage::Format_ARGB32);
        target.fill(Qt::white);
        QPainter painter(&target);
        renderer.Draw(painter, target.rect(), frame);
        return target;
    };
    const CQVStyleRenderer stretched(picture, QSize(4, 4), QMargins(1, 1, 1, 1));
    const QImage image = draw(stretched, 0);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0)) << "the corner keeps its size";
    EXPECT_EQ(image.pixel(19, 9), qRgb(0, 255, 0));
    EXPECT_EQ(draw(stretched, 7).pixel(10, 5), qRgb(0, 0, 255)) << "past the last frame: the last";

    const QImage border = draw(CQVStyleRenderer(picture, QSize(4, 4), QMargins(1, 1, 1, 1), QMargins(2, 2, 2, 2)), 1);
    EXPECT_EQ(border.pixel(1, 5), qRgb(0, 0, 255));
    EXPECT_EQ(border.pixel(10, 5), qRgb(255, 255, 255)) << "a border leaves the middle alone";
}

} // namespace
