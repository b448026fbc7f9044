#pragma once
// Builds GIF files byte by byte for the picture tests, so that delays,
// disposal methods, offsets and damaged blocks are exactly what a case
// needs. Pixels are written as literal LZW codes with a clear code before
// the code width would grow, which every decoder reads.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QRect>

namespace gif {

// The colour table of every test file (or its first two entries).
inline const QList<QColor> kPalette = {Qt::white, Qt::red, QColor(0, 255, 0), Qt::blue};

struct Frame
{
    QRect rect;
    quint8 index = 0;        // the frame's colour
    int delay = 10;          // hundredths of a second
    int disposal = 0;
    bool clearCorner = false; // pixel (0, 0) transparent
};

inline void Word(QByteArray &out, int v)
{
    out.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

inline QByteArray Header(const QSize &screen, int backgroundIndex = 0, int tableBits = 2)
{
    QByteArray out("GIF89a");
    Word(out, screen.width());
    Word(out, screen.height());
    out.append(char(0x80 | 0x70 | (tableBits - 1))).append(char(backgroundIndex)).append(char(0));
    for (int i = 0; i < (1 << tableBits); ++i)
        out.append(char(kPalette[i].red())).append(char(kPalette[i].green())).append(char(kPalette[i].blue()));
    return out;
}

inline QByteArray SubBlocks(const QByteArray &data)
{
    QByteArray out;
    for (qsizetype pos = 0; pos < data.size(); pos += 255)
        out.append(char(data.mid(pos, 255).size())).append(data.mid(pos, 255));
    return out.append(char(0));
}

inline QByteArray Descriptor(const QRect &rect, int minCodeSize)
{
    QByteArray out(",");
    for (int v : {rect.x(), rect.y(), rect.width(), rect.height()})
        Word(out, v);
    return out.append(char(0)).append(char(minCodeSize));
}

inline QByteArray Image(const Frame &f)
{
    constexpr int kMinCode = 2, kClear = 1 << kMinCode, kWidth = kMinCode + 1;
    QByteArray codes;
    quint32 acc = 0;
    int bits = 0;
    const auto put = [&](int code) {
        acc |= quint32(code) << bits;
        for (bits += kWidth; bits >= 8; bits -= 8, acc >>= 8)
            codes.append(char(acc & 0xFF));
    };
    const int count = f.rect.width() * f.rect.height();
    for (int i = 0; i < count; ++i) {
        if (i % (kClear - 2) == 0)
            put(kClear);
        put(i == 0 && f.clearCorner ? 0 : f.index);
    }
    put(kClear + 1);
    if (bits > 0)
        codes.append(char(acc & 0xFF));
    return Descriptor(f.rect, kMinCode) + SubBlocks(codes);
}

inline QByteArray Control(const Frame &f)
{
    QByteArray out("\x21\xF9\x04", 3);
    out.append(char(((f.disposal & 7) << 2) | (f.clearCorner ? 1 : 0)));
    Word(out, f.delay);
    return out.append(char(0)).append(char(0));
}

inline QByteArray File(const QSize &screen, const QList<Frame> &frames, int backgroundIndex = 0)
{
    QByteArray out = Header(screen, backgroundIndex);
    for (const Frame &f : frames)
        out += Control(f) + Image(f);
    return out + ';';
}

// An image that no decoder takes: an LZW code size beyond the format's.
inline QByteArray BrokenImage(const QRect &rect)
{
    return Descriptor(rect, 15) + SubBlocks("abc");
}

} // namespace gif
