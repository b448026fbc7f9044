#include "GifWriter.h"
#include "host/widgets/HostResources.h"
#include "host/widgets/PictureEx.h"
#include "tests/TestUtil.h"

#include <QBuffer>

#include <gtest/gtest.h>

using gif::kPalette;

namespace {

QColor At(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

TEST(GifParsing, ReadsScreenBackgroundAndFrames)
{
    const QByteArray netscape("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    const QByteArray comment = QByteArray("\x21\xFE", 2) + gif::SubBlocks("made for the tests");
    const QByteArray data = gif::Header({16, 8}, 3) + netscape + gif::Control({{}, 0, 7, 1})
        + gif::Image({{0, 0, 16, 8}, 1}) + comment + gif::Control({{}, 0, 0, 2}) + gif::Image({{4, 2, 4, 4}, 2})
        + gif::Image({{0, 0, 2, 2}, 1}) + ";";
    const auto file = ParseGif(data);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->screen, QSize(16, 8));
    EXPECT_EQ(file->background, QColor(Qt::blue));
    ASSERT_EQ(file->frames.size(), 3);
    EXPECT_EQ(file->frames[0].delay, 7);
    EXPECT_EQ(file->frames[1].rect, QRect(4, 2, 4, 4));
    EXPECT_EQ(file->frames[1].disposal, 2);
    EXPECT_EQ(file->frames[2].delay, 0) << "a control extension is for the next image only";
    EXPECT_EQ(file->frames[2].disposal, 0);
}

TEST(GifParsing, BrokenFiles)
{
    const QByteArray head = gif::Header({16, 8});
    const QByteArray a = gif::Control({}) + gif::Image({{0, 0, 16, 8}, 1});
    const QByteArray b = gif::Control({}) + gif::Image({{0, 0, 8, 8}, 2});
    const QByteArray broken = gif::Control({}) + gif::BrokenImage({0, 0, 8, 8});
    QByteArray hugeScreen = head;
    hugeScreen.replace(6, 4, "\xFF\xFF\xFF\xFF");
    const QByteArray smallTable = gif::Header({4, 4}, 200, 1) + gif::Image({{0, 0, 4, 4}, 1}) + ";";

    const struct
    {
        const char *name;
        QByteArray data;
        bool loads;
        int frames; // of an animation; 0 for a still picture
    } cases[] = {
        {"no trailer", head + a + b + a, true, 3},
        {"cut inside the last frame", head + a + b + a.left(a.size() - 4), true, 2},
        {"cut inside an extension", head + a + b + QByteArray("\x21\xFE\x10zz", 5), true, 2},
        {"stray byte ends the walk", head + a + b + "\x42" + a + ";", true, 2},
        {"one frame fails to decode", head + a + broken + b + ";", true, 2},
        {"only one frame decodes", head + a + broken + ";", true, 1},
        {"frame outside the screen", head + a + gif::Image({{40, 40, 4, 4}, 1}) + b + ";", true, 2},
        {"every frame fails to decode", head + broken + broken + ";", false, 0},
        {"no frame at all", head + ";", false, 0},
        {"first frame cut short", head + a.left(a.size() - 3), false, 0},
        {"colour table cut short", head.left(20), false, 0},
        {"header cut short", head.left(10), false, 0},
        {"screen too large to show", hugeScreen + a + b + ";", false, 0},
        // No colour for an index past the table: the background stays white.
        {"background index past the table", smallTable, true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CPictureEx picture;
        EXPECT_EQ(picture.Load(c.data), c.loads);
        EXPECT_EQ(picture.FrameCount(), c.frames);
        EXPECT_EQ(picture.BackgroundColor(), QColor(Qt::white));
        EXPECT_EQ(picture.Draw(), c.loads);
        EXPECT_EQ(picture.Canvas().isNull(), !c.loads);
    }
}

TEST(PictureEx, OtherPicturesAndSingleFramesShowStill)
{
    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(3, 3, qRgb(0, 0, 255));
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    const QByteArray singleGif = gif::File({12, 7}, {{{0, 0, 12, 7}, 3}});

    for (const QByteArray &data : {bitmap, singleGif}) {
        CPictureEx picture;
        ASSERT_TRUE(picture.Load(data));
        EXPECT_EQ(picture.IsGif(), data == singleGif);
        EXPECT_EQ(picture.size(), QSize(12, 7));
        EXPECT_EQ(At(picture.Canvas(), 3, 3), QColor(Qt::white)); // nothing before Draw
        ASSERT_TRUE(picture.Draw());
        EXPECT_FALSE(picture.IsPlaying());
        EXPECT_EQ(At(picture.Canvas(), 3, 3), QColor(Qt::blue));
    }
    CPictureEx picture;
    EXPECT_FALSE(picture.Load(QByteArray("neither a GIF nor any picture")));
}

TEST(GifParsing, DecodingWorkIsBoundedByTheScreenArea)
{
    // Tiny frames on a huge screen: each is decoded onto a full screen.
    const QList<gif::Frame> tiny(100, {{0, 0, 1, 1}, 1});
    const auto huge = ParseGif(gif::File({4096, 4096}, tiny));
    ASSERT_TRUE(huge);
    EXPECT_EQ(DecodeGifFrames(*huge).size(), 4);
    const auto small = ParseGif(gif::File({64, 64}, tiny));
    ASSERT_TRUE(small);
    EXPECT_EQ(DecodeGifFrames(*small).size(), 100);
}

TEST(GifPlayer, DisposalMethods)
{
    const auto file = ParseGif(gif::File({8, 8}, {
        {{0, 0, 8, 8}, 1, 10, 1, true}, // red with a see-through corner, kept
        {{2, 2, 2, 2}, 2, 10, 2},       // green, then background
        {{4, 4, 2, 2}, 3, 10, 3},       // blue, then what was there
        {{6, 6, 2, 2}, 2, 10, 0},       // green, left in place
    }));
    ASSERT_TRUE(file);
    CGifPlayer player;
    player.Start(DecodeGifFrames(*file), file->screen, Qt::white);
    ASSERT_EQ(player.FrameCount(), 4);
    const QImage &canvas = player.Canvas();

    player.ShowFrame();
    EXPECT_EQ(At(canvas, 0, 0), QColor(Qt::white));
    EXPECT_EQ(At(canvas, 5, 5), QColor(Qt::red));
    player.EndFrame();
    player.ShowFrame();
    EXPECT_EQ(At(canvas, 2, 2), kPalette[2]);
    player.EndFrame();
    EXPECT_EQ(At(canvas, 2, 2), QColor(Qt::white));
    player.ShowFrame();
    EXPECT_EQ(At(canvas, 4, 4), QColor(Qt::blue));
    player.EndFrame();
    EXPECT_EQ(At(canvas, 4, 4), QColor(Qt::red));
    player.ShowFrame();
    player.EndFrame();
    // After the last frame the canvas starts over from the background.
    EXPECT_EQ(player.Index(), 0);
    EXPECT_EQ(At(canvas, 5, 5), QColor(Qt::white));
    EXPECT_EQ(At(canvas, 6, 6), QColor(Qt::white));
}

TEST(PictureEx, PlaysFramesForTheirDelaysAndLoops)
{
    // Delays of 4 or less mean 100 ms; others are hundredths of a second.
    const int delays[] = {0, 4, 5, 12};
    const int expectedMs[] = {100, 100, 50, 120};
    QList<gif::Frame> frames;
    for (int i = 0; i < 4; ++i)
        frames.append({{0, 0, 8, 8}, quint8(i), delays[i]});

    CPictureEx picture;
    ASSERT_TRUE(picture.Load(gif::File({8, 8}, frames)));
    EXPECT_EQ(picture.CurrentFrameTimeMs(), -1);
    ASSERT_TRUE(picture.Draw());
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(waitUntil([&] { return picture.CurrentFrame() == i; }));
            EXPECT_EQ(picture.CurrentFrameTimeMs(), expectedMs[i]);
            EXPECT_EQ(At(picture.Canvas(), 4, 4), kPalette[i]);
        }
    }

    picture.Unload();
    EXPECT_FALSE(picture.IsPlaying());
    EXPECT_FALSE(picture.Draw());

    // The connecting animation is one of ours.
    ASSERT_TRUE(picture.LoadFromResource(HostResource("GIF", 333)));
    EXPECT_GT(picture.FrameCount(), 1);
    EXPECT_FALSE(picture.LoadFromResource(HostResource("GIF", 334)));
}
