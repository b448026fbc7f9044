#include "GifWriter.h"
#include "host/widgets/HostResources.h"
#include "host/widgets/PictureEx.h"
#include "tests/TestUtil.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

const QList<QColor> kPalette = {Qt::white, Qt::red, QColor(0, 255, 0), Qt::blue};

GifTestFrame Solid(const QRect &rect, quint8 index, int delay = 10, int disposal = 0)
{
    GifTestFrame f;
    f.rect = rect;
    f.pixels.fill(index, rect.width() * rect.height());
    f.delay = delay;
    f.disposal = disposal;
    return f;
}

// A frame whose data no decoder takes: an LZW code size beyond the format's.
QByteArray BrokenImage(const QRect &rect)
{
    QByteArray out(",");
    for (int v : {rect.x(), rect.y(), rect.width(), rect.height()})
        out.append(char(v & 0xFF)).append(char(v >> 8));
    out.append(char(0)).append(char(15));
    return out + GifWriter::SubBlocks("abc");
}

QByteArray ImageData(const QImage &image, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data;
}

QColor At(const QImage &image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

TEST(GifParsing, ReadsScreenBackgroundAndFrames)
{
    GifWriter gif(16, 8, kPalette, 3);
    GifTestFrame second = Solid({4, 2, 4, 4}, 2, 0, 2);
    GifTestFrame third = Solid({0, 0, 2, 2}, 1);
    third.withControl = false;
    const QByteArray comment = QByteArray("\x21\xFE", 2) + GifWriter::SubBlocks("made for the tests");
    const QByteArray application = QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    const QByteArray data = gif.Header() + application + gif.Frame(Solid({0, 0, 16, 8}, 1, 7, 1)) + comment
        + gif.Frame(second) + gif.Frame(third) + ";";

    const auto file = ParseGif(data);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->screen, QSize(16, 8));
    EXPECT_EQ(file->colorTableSize, 12);
    EXPECT_EQ(file->background, QColor(Qt::blue));
    ASSERT_EQ(file->frames.size(), 3);
    EXPECT_EQ(file->frames[0].delay, 7);
    EXPECT_EQ(file->frames[0].disposal, 1);
    EXPECT_EQ(file->frames[1].rect, QRect(4, 2, 4, 4));
    EXPECT_EQ(file->frames[1].delay, 0);
    EXPECT_EQ(file->frames[1].disposal, 2);
    // A control extension is for the next image only.
    EXPECT_EQ(file->frames[2].delay, 0);
    EXPECT_EQ(file->frames[2].disposal, 0);

    CPictureEx picture;
    ASSERT_TRUE(picture.Load(data));
    EXPECT_TRUE(picture.IsGif());
    EXPECT_EQ(picture.FrameCount(), 3);
    EXPECT_EQ(picture.size(), QSize(16, 8));
    EXPECT_EQ(picture.BackgroundColor(), QColor(Qt::blue));
    EXPECT_EQ(picture.ColorTableSize(), 12);
}

TEST(GifParsing, BrokenFiles)
{
    GifWriter gif(16, 8, kPalette);
    const QByteArray a = gif.Frame(Solid({0, 0, 16, 8}, 1));
    const QByteArray b = gif.Frame(Solid({0, 0, 8, 8}, 2));
    const QByteArray c = gif.Frame(Solid({8, 0, 8, 8}, 3));
    const QByteArray head = gif.Header();
    QByteArray hugeScreen = head;
    hugeScreen[6] = hugeScreen[7] = hugeScreen[8] = hugeScreen[9] = char(0xFF);
    QByteArray smallTable = GifWriter(4, 4, {Qt::white, Qt::red}, 200).Header();

    const struct
    {
        const char *name;
        QByteArray data;
        bool loads;
        int frames; // of an animation; 0 for a still picture
    } cases[] = {
        {"whole", head + a + b + c + ";", true, 3},
        {"no trailer", head + a + b + c, true, 3},
        {"cut inside the last frame", head + a + b + c.left(c.size() - 4), true, 2},
        {"cut inside an extension", head + a + b + QByteArray("\x21\xFE\x10zz", 5), true, 2},
        {"stray byte ends the walk", head + a + b + "\x42" + c + ";", true, 2},
        {"one frame decodes", head + a + b.left(8) + BrokenImage({0, 0, 8, 8}) + ";", true, 1},
        {"one frame fails to decode", head + a + BrokenImage({0, 0, 8, 8}) + c + ";", true, 2},
        {"frame outside the screen", head + a + gif.Frame(Solid({40, 40, 4, 4}, 1)) + c + ";", true, 2},
        {"every frame fails to decode", head + BrokenImage({0, 0, 8, 8}) + BrokenImage({0, 0, 4, 4}) + ";", false, 0},
        {"no frame at all", head + ";", false, 0},
        {"first frame cut short", head + a.left(a.size() - 3), false, 0},
        {"colour table cut short", head.left(20), false, 0},
        {"header cut short", head.left(10), false, 0},
        {"screen too large to show", hugeScreen + a + b + ";", false, 0},
        {"background index past the table", smallTable + GifWriter(4, 4, {Qt::white, Qt::red}).Frame(
                                                              Solid({0, 0, 4, 4}, 1)) + ";",
         true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        CPictureEx picture;
        EXPECT_EQ(picture.Load(c.data), c.loads);
        EXPECT_EQ(picture.IsLoaded(), c.loads);
        EXPECT_EQ(picture.FrameCount(), c.frames);
        if (!c.loads) {
            EXPECT_TRUE(picture.Canvas().isNull());
            EXPECT_FALSE(picture.Draw());
        }
    }

    // No colour for an index past the table: the background stays white.
    CPictureEx picture;
    ASSERT_TRUE(picture.Load(cases[14].data));
    EXPECT_EQ(picture.BackgroundColor(), QColor(Qt::white));
}

TEST(PictureEx, OtherPicturesAndSingleFramesShowStill)
{
    QImage image(12, 7, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(3, 3, qRgb(0, 0, 255));
    const QByteArray bitmap = ImageData(image, "BMP");
    const QByteArray singleGif = GifWriter(12, 7, kPalette, 0).File({Solid({0, 0, 12, 7}, 3)});

    for (const QByteArray &data : {bitmap, singleGif}) {
        CPictureEx picture;
        ASSERT_TRUE(picture.Load(data));
        EXPECT_EQ(picture.IsGif(), data == singleGif);
        EXPECT_EQ(picture.FrameCount(), 0);
        EXPECT_EQ(picture.size(), QSize(12, 7));
        // Nothing shows before Draw but the background.
        EXPECT_EQ(At(picture.Canvas(), 3, 3), QColor(Qt::white));
        ASSERT_TRUE(picture.Draw());
        EXPECT_FALSE(picture.IsPlaying());
        EXPECT_EQ(At(picture.Canvas(), 3, 3), QColor(Qt::blue));
    }

    CPictureEx picture;
    EXPECT_FALSE(picture.Load(QByteArray("neither a GIF nor any picture")));
    EXPECT_FALSE(picture.Load(QByteArray()));
    EXPECT_FALSE(picture.IsLoaded());
}

TEST(GifPlayer, DisposalMethods)
{
    GifWriter gif(8, 8, kPalette, 0);
    GifTestFrame holed = Solid({0, 0, 8, 8}, 1, 10, 1); // red with a see-through corner
    holed.transparentIndex = 0;
    holed.pixels[0] = 0;
    const auto file = ParseGif(gif.File({
        holed,
        Solid({2, 2, 2, 2}, 2, 10, 2), // green, then background
        Solid({4, 4, 2, 2}, 3, 10, 3), // blue, then what was there
        Solid({6, 6, 2, 2}, 2, 10, 0), // green, left in place
    }));
    ASSERT_TRUE(file);
    const QList<GifFrame> frames = DecodeGifFrames(*file);
    ASSERT_EQ(frames.size(), 4);

    CGifPlayer player;
    player.Start(frames, file->screen, Qt::white);
    const QImage &canvas = player.Canvas();

    player.ShowFrame();
    EXPECT_EQ(At(canvas, 0, 0), QColor(Qt::white)); // transparent pixel
    EXPECT_EQ(At(canvas, 5, 5), QColor(Qt::red));
    player.EndFrame();

    player.ShowFrame();
    EXPECT_EQ(At(canvas, 2, 2), QColor(0, 255, 0));
    player.EndFrame();
    EXPECT_EQ(At(canvas, 2, 2), QColor(Qt::white));
    EXPECT_EQ(At(canvas, 5, 5), QColor(Qt::red));

    player.ShowFrame();
    EXPECT_EQ(At(canvas, 4, 4), QColor(Qt::blue));
    player.EndFrame();
    EXPECT_EQ(At(canvas, 4, 4), QColor(Qt::red));

    player.ShowFrame();
    EXPECT_EQ(At(canvas, 6, 6), QColor(0, 255, 0));
    player.EndFrame();
    // After the last frame the canvas starts over from the background.
    EXPECT_EQ(player.Index(), 0);
    for (const QPoint p : {QPoint(0, 0), QPoint(5, 5), QPoint(6, 6)})
        EXPECT_EQ(At(canvas, p.x(), p.y()), QColor(Qt::white));
}

TEST(PictureEx, PlaysFramesForTheirDelaysAndLoops)
{
    // Delays of 4 or less mean 100 ms; others are hundredths of a second.
    const int delays[] = {0, 4, 5, 12};
    const int expectedMs[] = {100, 100, 50, 120};
    GifWriter gif(8, 8, kPalette);
    QList<GifTestFrame> frames;
    for (int i = 0; i < 4; ++i)
        frames.append(Solid({0, 0, 8, 8}, quint8(i), delays[i]));

    CPictureEx picture;
    ASSERT_TRUE(picture.Load(gif.File(frames)));
    EXPECT_FALSE(picture.IsPlaying());
    EXPECT_EQ(picture.CurrentFrameTimeMs(), -1);
    ASSERT_TRUE(picture.Draw());
    ASSERT_TRUE(picture.IsPlaying());
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            ASSERT_TRUE(waitUntil([&] { return picture.CurrentFrame() == i; }));
            EXPECT_EQ(picture.CurrentFrameTimeMs(), expectedMs[i]);
            EXPECT_EQ(At(picture.Canvas(), 4, 4), kPalette[i]);
        }
    }

    picture.Stop();
    EXPECT_FALSE(picture.IsPlaying());
    ASSERT_TRUE(picture.Draw());
    EXPECT_EQ(picture.CurrentFrame(), 0);
    EXPECT_EQ(picture.CurrentFrameTimeMs(), 100);

    picture.Unload();
    EXPECT_FALSE(picture.IsPlaying());
    EXPECT_FALSE(picture.IsLoaded());
    EXPECT_EQ(picture.FrameCount(), 0);
    EXPECT_FALSE(picture.IsGif());
    EXPECT_FALSE(picture.PictureSize().isValid());
    EXPECT_EQ(picture.BackgroundColor(), QColor(Qt::white));
}

TEST(PictureEx, PaintsTheVisiblePartOnTheBackground)
{
    GifWriter gif(8, 8, kPalette);
    CPictureEx picture;
    ASSERT_TRUE(picture.Load(gif.File({Solid({2, 2, 2, 2}, 3), Solid({0, 0, 1, 1}, 1)})));
    picture.SetBackgroundColor(QColor(0, 255, 0));
    EXPECT_EQ(At(picture.Canvas(), 7, 7), QColor(0, 255, 0));
    ASSERT_TRUE(picture.Draw());
    picture.Stop();

    EXPECT_EQ(At(picture.grab().toImage(), 2, 2), QColor(Qt::blue));
    picture.SetVisiblePart(QRect(2, 2, 4, 4));
    const QImage shown = picture.grab().toImage();
    EXPECT_EQ(At(shown, 0, 0), QColor(Qt::blue));
    EXPECT_EQ(At(shown, 3, 3), QColor(0, 255, 0));
}

TEST(PictureEx, ConnectingAnimationResource)
{
    CPictureEx picture;
    ASSERT_TRUE(picture.LoadFromResource(HostResource("GIF", 333)));
    EXPECT_TRUE(picture.IsGif());
    EXPECT_GT(picture.FrameCount(), 1);
    EXPECT_FALSE(picture.LoadFromResource(HostResource("GIF", 334)));
    EXPECT_FALSE(picture.IsLoaded());
}
