#include "host/widgets/GifAnimation.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

namespace {

// The canvas size and the decoding work that a picture may not exceed; the
// data may come from anywhere and must take neither all memory nor minutes.
constexpr qint64 kMaxScreenPixels = 4096 * 4096;
constexpr qint64 kMaxDecodedPixels = 4 * kMaxScreenPixels;

constexpr char kExtension = '!';
constexpr char kImage = ',';
constexpr char kTrailer = ';';
constexpr quint8 kGraphicControl = 0xF9;

quint8 Byte(const QByteArray &d, qsizetype pos)
{
    return quint8(d[pos]);
}

int Word(const QByteArray &d, qsizetype pos)
{
    return Byte(d, pos) | (Byte(d, pos + 1) << 8);
}

// Bytes of a colour table with the size bits of a packed field.
int ColorTableBytes(quint8 packed)
{
    return 3 * (1 << ((packed & 7) + 1));
}

// Past the data sub-blocks at pos (each led by its length, ended by a
// zero length); -1 when they run past the data.
qsizetype SkipSubBlocks(const QByteArray &d, qsizetype pos)
{
    while (pos < d.size()) {
        const int length = Byte(d, pos);
        ++pos;
        if (length == 0)
            return pos;
        pos += length;
    }
    return -1;
}

} // namespace

bool IsGifData(const QByteArray &data)
{
    return data.startsWith("GIF87a") || data.startsWith("GIF89a");
}

std::optional<GifFile> ParseGif(const QByteArray &d)
{
    constexpr qsizetype kHeaderSize = 13;
    if (!IsGifData(d) || d.size() < kHeaderSize)
        return std::nullopt;

    GifFile file;
    file.screen = QSize(Word(d, 6), Word(d, 8));
    if (qint64(file.screen.width()) * file.screen.height() > kMaxScreenPixels)
        return std::nullopt;
    const quint8 packed = Byte(d, 10);
    const int backgroundIndex = Byte(d, 11);
    qsizetype pos = kHeaderSize;
    if (packed & 0x80) {
        const int colorTableSize = ColorTableBytes(packed);
        if (pos + colorTableSize > d.size())
            return std::nullopt;
        // The index may point past a small table: then there is no background.
        if (backgroundIndex * 3 < colorTableSize) {
            const qsizetype entry = pos + backgroundIndex * 3;
            file.background = QColor(Byte(d, entry), Byte(d, entry + 1), Byte(d, entry + 2));
        }
        pos += colorTableSize;
    }
    const QByteArray head = d.left(pos);

    QByteArray control; // the graphic control extension for the next image
    while (pos < d.size()) {
        const char kind = d[pos];
        if (kind == kExtension) {
            if (pos + 2 > d.size())
                break;
            const quint8 label = Byte(d, pos + 1);
            const qsizetype end = SkipSubBlocks(d, pos + 2);
            if (end < 0)
                break;
            if (label == kGraphicControl)
                control = d.mid(pos, end - pos);
            pos = end;
        } else if (kind == kImage) {
            constexpr qsizetype kDescriptorSize = 10;
            qsizetype p = pos + kDescriptorSize;
            if (p > d.size())
                break;
            const quint8 imagePacked = Byte(d, pos + 9);
            if (imagePacked & 0x80)
                p += ColorTableBytes(imagePacked);
            ++p; // the LZW minimum code size
            if (p > d.size())
                break;
            const qsizetype end = SkipSubBlocks(d, p);
            if (end < 0)
                break;

            GifFrameBlocks frame;
            frame.rect = QRect(Word(d, pos + 1), Word(d, pos + 3), Word(d, pos + 5), Word(d, pos + 7));
            // Sub-block length, packed byte, delay, transparent index.
            if (control.size() >= 6) {
                frame.disposal = (Byte(control, 3) >> 2) & 7;
                frame.delay = Word(control, 4);
            }
            frame.stream = head + control + d.mid(pos, end - pos) + kTrailer;
            file.frames.append(frame);
            control.clear();
            pos = end;
        } else {
            // The trailer, or a byte that starts no block.
            break;
        }
    }
    return file;
}

QList<GifFrame> DecodeGifFrames(const GifFile &file)
{
    QList<GifFrame> frames;
    const QRect screen(QPoint(0, 0), file.screen);
    qint64 pixels = 0;
    for (const GifFrameBlocks &blocks : file.frames) {
        const QRect rect = blocks.rect & screen;
        if (rect.isEmpty())
            continue;
        // The decoder paints every frame onto a picture of the whole screen,
        // however small the frame.
        pixels += qint64(file.screen.width()) * file.screen.height();
        if (pixels > kMaxDecodedPixels)
            break;
        QBuffer buffer;
        buffer.setData(blocks.stream);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "gif");
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        // The decoder paints the frame onto a picture of the whole screen.
        const QImage own = image.size() == file.screen ? image.copy(rect) : image.copy(QRect(QPoint(0, 0), rect.size()));
        frames.append({own.convertToFormat(QImage::Format_ARGB32_Premultiplied), rect, blocks.delay, blocks.disposal});
    }
    return frames;
}

int CGifPlayer::FrameTimeMs(int delay)
{
    return delay <= 4 ? 100 : delay * 10;
}

void CGifPlayer::Start(QList<GifFrame> frames, const QSize &screen, const QColor &background)
{
    m_frames = std::move(frames);
    m_background = background;
    m_index = 0;
    m_saved = QImage();
    m_canvas = QImage(screen, QImage::Format_ARGB32_Premultiplied);
    m_canvas.fill(m_background);
}

void CGifPlayer::Clear()
{
    m_frames.clear();
    m_canvas = QImage();
    m_saved = QImage();
    m_index = 0;
}

void CGifPlayer::SetBackground(const QColor &background)
{
    m_background = background;
    m_canvas.fill(m_background);
}

int CGifPlayer::ShowFrame()
{
    if (m_frames.isEmpty())
        return 0;
    const GifFrame &frame = m_frames[m_index];
    if (frame.disposal == 3)
        m_saved = m_canvas.copy(frame.rect);
    QPainter painter(&m_canvas);
    painter.drawImage(frame.rect.topLeft(), frame.image);
    return FrameTimeMs(frame.delay);
}

void CGifPlayer::EndFrame()
{
    if (m_frames.isEmpty())
        return;
    const GifFrame &frame = m_frames[m_index];
    if (frame.disposal == 2) {
        QPainter painter(&m_canvas);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(frame.rect, m_background);
    } else if (frame.disposal == 3 && !m_saved.isNull()) {
        QPainter painter(&m_canvas);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(frame.rect.topLeft(), m_saved);
    }
    if (++m_index >= m_frames.size()) {
        m_canvas.fill(m_background);
        m_index = 0;
    }
}
