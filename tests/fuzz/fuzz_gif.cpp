// The GIF reader: a file is taken apart into frames, decoded and played
// through once onto its canvas. Screens larger than 1024 x 1024 are skipped:
// each decoded frame costs the screen's area, which would only slow the run
// down (the bound itself is a unit test's).

#include "host/widgets/GifAnimation.h"

#include <QGuiApplication>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<GifFile> file = ParseGif(bytes);
    if (!file || qint64(file->screen.width()) * file->screen.height() > 1024 * 1024)
        return 0;
    CGifPlayer player;
    player.Start(DecodeGifFrames(*file), file->screen, file->background.value_or(Qt::white));
    for (qsizetype i = 0; i < player.FrameCount(); ++i) {
        player.ShowFrame();
        player.EndFrame();
    }
    return 0;
}
